// This file implements the console's platform needs on Windows.
//
// The program works in UTF-8 and writes "\n" for a line end. Here that meets
// the two kinds of standard stream Windows has:
// - A console speaks UTF-16: text goes out through WriteConsoleW and comes
//   in through ReadConsoleW, converted on the way, so that Polish letters
//   show and come back whatever the console's code page. The console is
//   asked to understand the colour sequences. Ctrl+Z at the start of a line
//   typed there is the end of input, as the platform has it.
// - A file or pipe gets bytes, in binary mode, so that the C library
//   neither ends input at a byte 0x1A nor changes line ends behind our
//   back. Each line feed goes out as CR LF, the platform's line end; what
//   comes in is passed on as it is (the line reader takes CR LF).
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <string>

#include "console/diagnostic_text.h"
#include "console/error_text.h"
#include "console/general_failure.h"
#include "console/platform.h"

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

namespace console::platform {
namespace {

constexpr int input_descriptor = 0;
constexpr int output_descriptor = 1;
constexpr int error_descriptor = 2;

// Set once in prepare_streams, before the interrupt handler is installed.
volatile LONG exit_status_on_interrupt = 1;
HANDLE input_console = nullptr;   // the console handles, or null for a file or pipe
HANDLE output_console = nullptr;
HANDLE error_console = nullptr;

HANDLE console_or_null(DWORD which) noexcept {
  const HANDLE handle = ::GetStdHandle(which);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || ::GetConsoleMode(handle, &mode) == 0) return nullptr;
  return handle;
}

// The Polish description of a Windows error, through the errno value with
// the same meaning where there is one.
std::string describe_system_error(DWORD error) {
  switch (error) {
    case ERROR_ACCESS_DENIED: return describe_error(EACCES);
    case ERROR_INVALID_HANDLE: return describe_error(EBADF);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return describe_error(ENOMEM);
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA: return describe_error(EPIPE);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return describe_error(ENOSPC);
    default: break;
  }
  return "błąd systemu Windows " + std::to_string(error);
}

[[noreturn]] void fail_output(const std::string& reason) {
  throw GeneralFailure("nie można pisać na standardowe wyjście: " + reason);
}

[[noreturn]] void fail_input(const std::string& reason) {
  throw GeneralFailure("nie można czytać ze standardowego wejścia: " + reason);
}

bool is_continuation(unsigned char byte) noexcept { return (byte & 0xC0) == 0x80; }

// The length of the UTF-8 sequence that `lead` starts, or 1 for a byte
// that starts none.
std::size_t sequence_length(unsigned char lead) noexcept {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

// How many bytes at the end of `text` begin a sequence that the text does
// not finish: they wait for the rest, which may come with the next write.
std::size_t unfinished_tail(std::string_view text) noexcept {
  const std::size_t look = std::min<std::size_t>(text.size(), 3);
  for (std::size_t back = 1; back <= look; ++back) {
    const auto byte = static_cast<unsigned char>(text[text.size() - back]);
    if (is_continuation(byte)) continue;
    return sequence_length(byte) > back ? back : 0;
  }
  return 0;
}

// Writes UTF-16 text to a console, all of it.
bool write_console_units(HANDLE console, const wchar_t* units, std::size_t count) noexcept {
  while (count != 0) {
    // Old consoles refuse large writes; a few thousand units at a time suit all.
    const auto piece = static_cast<DWORD>(std::min<std::size_t>(count, 8192));
    DWORD written = 0;
    if (::WriteConsoleW(console, units, piece, &written, nullptr) == 0) return false;
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return false;
    }
    units += written;
    count -= written;
  }
  return true;
}

// Writes UTF-8 text to a console as UTF-16. Ill-formed bytes show as the
// replacement character. Returns false with the system's error set.
bool write_console_utf8(HANDLE console, std::string_view text) noexcept {
  std::array<wchar_t, 8192> units{};
  while (!text.empty()) {
    // A piece that ends at a character's end, so that no character is cut.
    std::size_t size = std::min<std::size_t>(text.size(), units.size());
    if (size < text.size()) {
      std::size_t end = size;
      while (end + 3 > size && is_continuation(static_cast<unsigned char>(text[end]))) --end;
      if (!is_continuation(static_cast<unsigned char>(text[end]))) size = end;
    }
    const int count = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(size), units.data(),
                                            static_cast<int>(units.size()));
    if (count <= 0) return false;
    if (!write_console_units(console, units.data(), static_cast<std::size_t>(count))) return false;
    text.remove_prefix(size);
  }
  return true;
}

// What goes to a console: a character cut between two writes is held back
// until its rest comes. What is held at the end of the run goes out then,
// as the replacement character that it is.
class ConsoleOutput {
 public:
  ~ConsoleOutput() {
    if (console_ != nullptr && !held_.empty()) write_console_utf8(console_, held_);
  }

  void write(HANDLE console, std::string_view text) {
    console_ = console;
    if (!held_.empty()) {
      const std::size_t wanted = sequence_length(static_cast<unsigned char>(held_[0]));
      while (held_.size() < wanted && !text.empty() && is_continuation(static_cast<unsigned char>(text[0]))) {
        held_ += text[0];
        text.remove_prefix(1);
      }
      if (held_.size() < wanted && text.empty()) return;
      const std::string piece = std::move(held_);
      held_.clear();
      if (!write_console_utf8(console, piece)) fail_output(describe_system_error(::GetLastError()));
    }
    const std::size_t tail = unfinished_tail(text);
    if (!write_console_utf8(console, text.substr(0, text.size() - tail))) {
      fail_output(describe_system_error(::GetLastError()));
    }
    held_.assign(text.substr(text.size() - tail));
  }

 private:
  HANDLE console_ = nullptr;
  std::string held_;
};

ConsoleOutput& console_output() {
  static ConsoleOutput output;
  return output;
}

// Writes all of `data` to a descriptor in binary mode. Returns 0 or the
// error number.
int write_descriptor(int descriptor, const char* data, std::size_t size) noexcept {
  while (size != 0) {
    const unsigned piece = static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX));
    const int written = ::_write(descriptor, data, piece);
    if (written < 0) return errno;
    if (written == 0) return ENOSPC;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

// Writes text to a file or pipe with CR LF for each line feed, through a
// block that gathers the pieces between them. Returns 0 or the error number.
int write_with_crlf(int descriptor, std::string_view text) noexcept {
  std::array<char, 64 * 1024> block;
  std::size_t used = 0;
  for (const char character : text) {
    if (used + 2 > block.size()) {
      if (const int error = write_descriptor(descriptor, block.data(), used); error != 0) return error;
      used = 0;
    }
    if (character == '\n') block[used++] = '\r';
    block[used++] = character;
  }
  return write_descriptor(descriptor, block.data(), used);
}

// What comes from a console, converted to UTF-8 and handed out in the
// pieces asked for. A surrogate pair cut between two reads waits for its
// second half.
class ConsoleInput {
 public:
  std::size_t read(HANDLE console, char* buffer, std::size_t capacity) {
    while (next_ == ready_.size()) {
      if (!fill(console)) return 0;
    }
    const std::size_t size = std::min(capacity, ready_.size() - next_);
    ready_.copy(buffer, size, next_);
    next_ += size;
    return size;
  }

 private:
  // Reads what was typed into `ready_`. Returns false at the end of input.
  bool fill(HANDLE console) {
    std::array<wchar_t, 4096> units{};
    std::size_t count = 0;
    if (high_surrogate_ != 0) units[count++] = high_surrogate_;
    DWORD got = 0;
    if (::ReadConsoleW(console, units.data() + count, static_cast<DWORD>(units.size() - count), &got, nullptr) == 0) {
      fail_input(describe_system_error(::GetLastError()));
    }
    if (got == 0) {
      // A read cut short by Ctrl+C: the interrupt handler ends the run on a
      // thread of its own. Whatever else it was, the next read waits for
      // the user again.
      ::Sleep(10);
      return true;
    }
    if (count == 0 && units[0] == L'\x1a') return false;
    high_surrogate_ = 0;
    count += got;
    if (units[count - 1] >= 0xD800 && units[count - 1] <= 0xDBFF) high_surrogate_ = units[--count];
    ready_.clear();
    next_ = 0;
    if (count == 0) return true;
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(count), nullptr, 0,
                                           nullptr, nullptr);
    if (size <= 0) fail_input(describe_system_error(::GetLastError()));
    ready_.resize(static_cast<std::size_t>(size));
    ::WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(count), ready_.data(), size, nullptr,
                          nullptr);
    return true;
  }

  std::string ready_;
  std::size_t next_ = 0;
  wchar_t high_surrogate_ = 0;
};

ConsoleInput& console_input() {
  static ConsoleInput input;
  return input;
}

// An interrupt can come in the middle of any work, and the handler runs on
// a thread of its own, so it ends the run itself, as the general failure
// path would: the reset of the colours, the diagnostic, the failure status.
// It ends the process at once, without the clean-up at exit that the main
// thread may be in the middle of.
BOOL WINAPI on_control(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (output_console != nullptr) write_console_units(output_console, L"\x1b[0m", 4);
  if (error_console != nullptr) write_error("\n");
  write_error(diagnostic_prefix);
  write_error(interrupted);
  write_error("\n");
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exit_status_on_interrupt));
  return TRUE;
}

void enable_colour_sequences(HANDLE console) noexcept {
  DWORD mode = 0;
  if (console != nullptr && ::GetConsoleMode(console, &mode) != 0) {
    // Refused by consoles older than Windows 10; the sequences then show as
    // they are, and nothing else changes.
    ::SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
  }
}

}  // namespace

void prepare_streams(int failure_status) {
  exit_status_on_interrupt = failure_status;
  input_console = console_or_null(STD_INPUT_HANDLE);
  output_console = console_or_null(STD_OUTPUT_HANDLE);
  error_console = console_or_null(STD_ERROR_HANDLE);

  ::_setmode(input_descriptor, _O_BINARY);
  ::_setmode(output_descriptor, _O_BINARY);
  ::_setmode(error_descriptor, _O_BINARY);

  enable_colour_sequences(output_console);
  enable_colour_sequences(error_console);

  ::SetConsoleCtrlHandler(on_control, TRUE);
}

void write_output(const char* data, std::size_t size) {
  if (output_console != nullptr) {
    console_output().write(output_console, std::string_view(data, size));
    return;
  }
  if (const int error = write_with_crlf(output_descriptor, std::string_view(data, size)); error != 0) {
    fail_output(describe_error(error));
  }
}

std::size_t read_input(char* buffer, std::size_t capacity) {
  if (input_console != nullptr) return console_input().read(input_console, buffer, capacity);
  const int got = ::_read(input_descriptor, buffer, static_cast<unsigned>(std::min<std::size_t>(capacity, INT_MAX)));
  if (got < 0) fail_input(describe_error(errno));
  return static_cast<std::size_t>(got);
}

bool output_is_terminal() noexcept { return output_console != nullptr; }
bool error_is_terminal() noexcept { return error_console != nullptr; }

void write_error(std::string_view text) noexcept {
  if (error_console != nullptr) {
    write_console_utf8(error_console, text);
  } else {
    write_with_crlf(error_descriptor, text);
  }
}

// There is no stop and continuation of a run here, and the console's modes
// are the ones it had: nothing to remember or put back.
void note_colour(std::string_view) noexcept {}
void restore_terminal() noexcept {}

}  // namespace console::platform
