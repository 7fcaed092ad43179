// This file implements `print` and `input` over the platform's standard
// streams: one large output buffer, and line reading that never waits for
// more input than the line it returns.
#include "console/console.h"

#include <cstring>
#include <vector>

#include "console/diagnostic_text.h"
#include "console/general_failure.h"
#include "console/line_reader.h"
#include "console/platform.h"

namespace console {
namespace {

// Output goes out in writes of about this size: few system calls for a
// large text, and a pipe's reader gets full pieces.
constexpr std::size_t output_capacity = 1 << 20;

class OutputBuffer {
 public:
  void put(const char* data, std::size_t size) {
    if (size <= output_capacity - used_ && size < output_capacity / 2) {
      std::memcpy(bytes() + used_, data, size);
      used_ += size;
      return;
    }
    put_large(data, size);
  }

  void flush() {
    // The buffer counts as empty before the write, so that a failed write
    // is not tried again by a later flush on the way out.
    const std::size_t size = used_;
    used_ = 0;
    if (size != 0) platform::write_output(bytes(), size);
  }

 private:
  char* bytes() {
    if (storage_.empty()) storage_.resize(output_capacity);
    return storage_.data();
  }

  // A large piece, of half the buffer or more, is sent straight from where
  // it lies, after what is buffered: copying it would only cost time. A
  // smaller one that does not fit fills the buffer up, which is sent, and
  // the rest starts it anew.
  void put_large(const char* data, std::size_t size) {
    if (size >= output_capacity / 2) {
      flush();
      platform::write_output(data, size);
      return;
    }
    const std::size_t room = output_capacity - used_;
    std::memcpy(bytes() + used_, data, room);
    used_ += room;
    flush();
    std::memcpy(bytes(), data + room, size - room);
    used_ = size - room;
  }

  std::vector<char> storage_;
  std::size_t used_ = 0;
};

OutputBuffer& output() {
  static OutputBuffer buffer;
  return buffer;
}

LineReader& standard_input() {
  static LineReader reader(platform::read_input);
  return reader;
}

// The last complete SGR sequence (ESC [, digits and semicolons, m) in the
// last bytes of `text`, or nothing. Only the end is looked at, so that a
// large text costs no more than a short one: the dialogue's own colours
// stand at the ends of the pieces it prints.
std::string_view last_colour(std::string_view text) noexcept {
  constexpr std::size_t looked_at = 64;
  if (text.size() > looked_at) text.remove_prefix(text.size() - looked_at);
  std::size_t end = text.size();
  while (end != 0) {
    const std::size_t start = text.rfind('\x1b', end - 1);
    if (start == std::string_view::npos) break;
    std::size_t next = start + 1;
    if (next < text.size() && text[next] == '[') {
      ++next;
      while (next < text.size() && ((text[next] >= '0' && text[next] <= '9') || text[next] == ';')) ++next;
      if (next < text.size() && text[next] == 'm') return text.substr(start, next + 1 - start);
    }
    end = start;
  }
  return {};
}

}  // namespace

void prepare(int failure_status) { platform::prepare_streams(failure_status); }

void write_value(std::string_view text) {
  output().put(text.data(), text.size());
  if (platform::output_is_terminal()) {
    if (const std::string_view colour = last_colour(text); !colour.empty()) platform::note_colour(colour);
  }
}

// The bracketed form of a large list comes in pieces the size of the
// output buffer, which go out straight from the form's own buffer.
void write_value(const text::WordList& list) {
  text::write_bracketed(
      list, [](std::string_view piece) { output().put(piece.data(), piece.size()); }, output_capacity);
}

void write_line_end() { output().put("\n", 1); }

std::string input(std::string_view prompt, [[maybe_unused]] const Completer& complete) {
  write_value(prompt);
  flush();
  std::string line;
  if (!standard_input().read_line(line)) {
    throw GeneralFailure("standardowe wejście się skończyło, zanim padła odpowiedź");
  }
  return line;
}

void flush() { output().flush(); }

void report_failure(std::string_view what) noexcept {
  // What was printed before the failure still reaches the user, and a
  // terminal is left neither in a colour nor in the modes of line editing.
  platform::restore_terminal();
  try {
    if (platform::output_is_terminal()) output().put("\x1b[0m", 4);
    flush();
  } catch (...) {
    // Standard output refuses it; the diagnostic below still goes out.
  }
  std::string line;
  try {
    if (platform::error_is_terminal()) line += '\n';
    line += diagnostic_prefix;
    line += what;
    line += '\n';
  } catch (...) {
    line.clear();
  }
  platform::write_error(line.empty() ? std::string_view("licznik-wyrazow: błąd\n") : std::string_view(line));
}

}  // namespace console
