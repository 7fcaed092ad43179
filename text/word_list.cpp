// This file implements the bracketed form of the word list.
#include "text/word_list.h"

#include <array>
#include <cstdint>

#include "text/printable.h"

namespace text {
namespace {

// Gathers the form in a buffer of its own so that the sink is called for
// large pieces only, however many entries the list has.
class ChunkWriter {
 public:
  explicit ChunkWriter(const TextSink& sink) : sink_(sink) {}
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;
  ~ChunkWriter() = default;

  void put(char byte) {
    if (used_ == buffer_.size()) flush();
    buffer_[used_++] = byte;
  }

  void put(const char* bytes, std::size_t size) {
    if (size > buffer_.size() - used_) {
      flush();
      if (size >= buffer_.size()) {
        sink_(std::string_view(bytes, size));
        return;
      }
    }
    std::memcpy(buffer_.data() + used_, bytes, size);
    used_ += size;
  }

  void flush() {
    if (used_ != 0) sink_(std::string_view(buffer_.data(), used_));
    used_ = 0;
  }

 private:
  const TextSink& sink_;
  std::array<char, 64 * 1024> buffer_{};
  std::size_t used_ = 0;
};

// How a byte that starts a character is written when it is met inside an
// entry.
enum class ByteKind : std::uint8_t {
  plain,      // printable ASCII: written as it is
  backslash,  // written twice
  tab,        // written as \t
  control,    // other ASCII control: written as \xhh
  latin,      // C3..C5 lead of a two-byte letter (U+00C0..U+017F), all printable
  other,      // any other lead: decode and look the code point up
};

constexpr std::array<ByteKind, 256> make_byte_kinds() {
  std::array<ByteKind, 256> kinds{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    if (byte < 0x20 || byte == 0x7F) {
      kinds[byte] = ByteKind::control;
    } else if (byte < 0x80) {
      kinds[byte] = ByteKind::plain;
    } else if (byte >= 0xC3 && byte <= 0xC5) {
      kinds[byte] = ByteKind::latin;
    } else {
      kinds[byte] = ByteKind::other;
    }
  }
  kinds['\\'] = ByteKind::backslash;
  kinds['\t'] = ByteKind::tab;
  return kinds;
}

constexpr std::array<ByteKind, 256> byte_kinds = make_byte_kinds();

ByteKind kind_of(char byte) noexcept { return byte_kinds[static_cast<unsigned char>(byte)]; }

// Decodes the character at `at`, which is valid UTF-8 with a non-ASCII lead,
// and tells its length in bytes.
char32_t decode(const char* at, std::size_t& length) noexcept {
  const auto byte = [at](std::size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(at[k])); };
  const char32_t lead = byte(0);
  if (lead < 0xE0) {
    length = 2;
    return ((lead & 0x1F) << 6) | (byte(1) & 0x3F);
  }
  if (lead < 0xF0) {
    length = 3;
    return ((lead & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
  }
  length = 4;
  return ((lead & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
}

void write_escape(ChunkWriter& out, char32_t code_point) {
  static constexpr char hex_digits[] = "0123456789abcdef";
  char escape[10] = {'\\'};
  int digits = 0;
  if (code_point < 0x100) {
    escape[1] = 'x';
    digits = 2;
  } else if (code_point < 0x10000) {
    escape[1] = 'u';
    digits = 4;
  } else {
    escape[1] = 'U';
    digits = 8;
  }
  for (int k = 0; k < digits; ++k) {
    escape[2 + digits - 1 - k] = hex_digits[(code_point >> (4 * k)) & 0xF];
  }
  out.put(escape, static_cast<std::size_t>(2 + digits));
}

void write_entry(ChunkWriter& out, std::string_view entry) {
  const char quote = entry.find('\'') == std::string_view::npos ? '\'' : '"';
  out.put(quote);
  const char* at = entry.data();
  const char* const end = at + entry.size();
  while (at < end) {
    // Copy the longest run that needs no change in one piece.
    const char* run_end = at;
    while (run_end < end) {
      const ByteKind kind = kind_of(*run_end);
      if (kind == ByteKind::plain) {
        ++run_end;
      } else if (kind == ByteKind::latin) {
        run_end += 2;
      } else {
        break;
      }
    }
    if (run_end != at) {
      out.put(at, static_cast<std::size_t>(run_end - at));
      at = run_end;
      continue;
    }
    switch (kind_of(*at)) {
      case ByteKind::backslash:
        out.put("\\\\", 2);
        ++at;
        break;
      case ByteKind::tab:
        out.put("\\t", 2);
        ++at;
        break;
      case ByteKind::control:
        write_escape(out, static_cast<unsigned char>(*at));
        ++at;
        break;
      default: {
        std::size_t length = 0;
        const char32_t code_point = decode(at, length);
        if (is_printable(code_point)) {
          out.put(at, length);
        } else {
          write_escape(out, code_point);
        }
        at += length;
        break;
      }
    }
  }
  out.put(quote);
}

}  // namespace

void write_bracketed(const WordList& list, const TextSink& sink) {
  ChunkWriter out(sink);
  out.put('[');
  bool first = true;
  for (const std::string_view entry : list) {
    if (!first) out.put(", ", 2);
    first = false;
    write_entry(out, entry);
  }
  out.put(']');
  out.flush();
}

}  // namespace text
