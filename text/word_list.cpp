// This file implements the bracketed form of the word list.
#include "text/word_list.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/printable.h"

namespace text {
namespace {

// Gathers the form in a buffer of its own so that the sink is called for
// large pieces only, however many entries the list has.
class ChunkWriter {
 public:
  ChunkWriter(const TextSink& sink, std::size_t capacity)
      : sink_(sink),
        capacity_(std::max(capacity, std::size_t{64})),
        buffer_(std::make_unique_for_overwrite<char[]>(capacity_)) {}
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;
  ~ChunkWriter() = default;

  void put(char byte) {
    if (used_ == capacity_) flush();
    buffer_[used_++] = byte;
  }

  void put(const char* bytes, std::size_t size) {
    if (size > capacity_ - used_) {
      flush();
      if (size >= capacity_) {
        sink_(std::string_view(bytes, size));
        return;
      }
    }
    std::memcpy(buffer_.get() + used_, bytes, size);
    used_ += size;
  }

  void flush() {
    if (used_ != 0) sink_(std::string_view(buffer_.get(), used_));
    used_ = 0;
  }

  // Writes `size` bytes that need no change between apostrophes.
  void put_quoted(const char* bytes, std::size_t size) {
    put('\'');
    put(bytes, size);
    put('\'');
  }

  // For a loop that writes many small pieces itself: the place where the
  // next byte goes, and the end of the buffer. The loop keeps the place in
  // a local variable, which the compiler can hold in a register while bytes
  // are stored (a member could be changed by any byte store, as far as the
  // compiler knows), and hands it back before any other call.
  char* cursor() noexcept { return buffer_.get() + used_; }
  const char* limit() const noexcept { return buffer_.get() + capacity_; }
  void set_cursor(char* next) noexcept { used_ = static_cast<std::size_t>(next - buffer_.get()); }

 private:
  const TextSink& sink_;
  const std::size_t capacity_;
  const std::unique_ptr<char[]> buffer_;
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

// The bytes that make an entry need the careful way through write_entry:
// the apostrophe, which decides the quotes, and the lead bytes of whatever
// may be written otherwise than as it is. Continuation bytes 80..BF need no
// care of their own: they follow a lead, which is judged.
constexpr std::array<bool, 256> make_care_bytes() {
  std::array<bool, 256> care{};
  for (std::size_t byte = 0; byte < 256; ++byte) {
    const ByteKind kind = byte_kinds[byte];
    care[byte] = byte < 0x80 ? kind != ByteKind::plain : byte >= 0xC0 && kind != ByteKind::latin;
  }
  care['\''] = true;
  return care;
}

constexpr std::array<bool, 256> care_bytes = make_care_bytes();

#if defined(__SSE2__)
// care_bytes for 16 bytes at once, as a bit mask.
unsigned care_mask(__m128i chunk) noexcept {
  // As signed bytes: the ASCII controls are 0..31, the continuation bytes
  // 80..BF are -128..-65, and the leads C3..C5 are -61..-59.
  const __m128i below_space = _mm_cmplt_epi8(chunk, _mm_set1_epi8(0x20));
  const __m128i continuation = _mm_cmplt_epi8(chunk, _mm_set1_epi8(-64));
  const __m128i latin =
      _mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8(-62)), _mm_cmplt_epi8(chunk, _mm_set1_epi8(-58)));
  __m128i care = _mm_andnot_si128(_mm_or_si128(continuation, latin), below_space);
  care = _mm_or_si128(care, _mm_cmpeq_epi8(chunk, _mm_set1_epi8(0x7F)));
  care = _mm_or_si128(care, _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\\')));
  care = _mm_or_si128(care, _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\'')));
  return static_cast<unsigned>(_mm_movemask_epi8(care));
}
#endif

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

// The characters of an entry between its quotes, apostrophes as they are.
void write_inside(ChunkWriter& out, std::string_view entry) {
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
}

// Quotation marks quote an entry that holds an apostrophe and no quotation
// mark; any other entry is quoted with apostrophes, and an apostrophe in it
// is written as \'.
void write_entry(ChunkWriter& out, std::string_view entry) {
  const bool has_apostrophe = entry.find('\'') != std::string_view::npos;
  if (!has_apostrophe || entry.find('"') == std::string_view::npos) {
    const char quote = has_apostrophe ? '"' : '\'';
    out.put(quote);
    write_inside(out, entry);
    out.put(quote);
    return;
  }
  out.put('\'');
  for (std::size_t apostrophe = entry.find('\''); apostrophe != std::string_view::npos;
       apostrophe = entry.find('\'')) {
    write_inside(out, entry.substr(0, apostrophe));
    out.put("\\'", 2);
    entry.remove_prefix(apostrophe + 1);
  }
  write_inside(out, entry);
  out.put('\'');
}

}  // namespace

std::uint64_t count_equal(const WordList& list, std::string_view word) noexcept {
  std::uint64_t count = 0;
  const std::string_view all = list.text();
  const char* const text = all.data() != nullptr ? all.data() : "";
  const std::size_t size = all.size();
  const std::size_t length = word.size();
  std::size_t start = 0;  // positions before it have been judged
#if defined(__SSE2__)
  // An entry equal to the word is a place where the word's bytes stand
  // with a space, or the start of the text, right before them and a space,
  // or the end of the text, right after them (the word has no space in it,
  // or no entry could equal it). For a word of 1 to 16 bytes, the places
  // of 64 positions at once whose neighbours at that distance are both
  // spaces come from two bit masks: these are the entries of the word's
  // length, and only their bytes are compared. The loads stay in the text:
  // a window of positions goes this way while 128 bytes follow its start,
  // as the spaces of the next window are looked at too.
  if (length >= 1 && length <= 16 && word.find(' ') == std::string_view::npos) {
    char padded[16] = {};
    std::memcpy(padded, word.data(), length);
    const __m128i wanted = _mm_loadu_si128(reinterpret_cast<const __m128i*>(padded));
    const unsigned all_of_word = (1U << length) - 1;
    // The spaces among the 64 bytes from `at` on, one bit each.
    const auto spaces_from = [](const char* at) {
      std::uint64_t spaces = 0;
      for (int block = 0; block < 4; ++block) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * block));
        spaces |= static_cast<std::uint64_t>(detail::space_mask(chunk)) << (16 * block);
      }
      return spaces;
    };
    std::uint64_t space_before_window = 1;  // the start of the text counts as one
    std::uint64_t spaces = size >= 128 ? spaces_from(text) : 0;
    for (; size - start >= 128; start += 64) {
      // The spaces `length` bytes after each position: the rest of this
      // window's, then the first of the next window's.
      const std::uint64_t next_spaces = spaces_from(text + start + 64);
      const std::uint64_t spaces_after = (spaces >> length) | (next_spaces << (64 - length));
      std::uint64_t places = ((spaces << 1) | space_before_window) & spaces_after;
      space_before_window = spaces >> 63;
      spaces = next_spaces;
      while (places != 0) {
        const char* const at = text + start + __builtin_ctzll(places);
        const auto same = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), wanted)));
        if ((same & all_of_word) == all_of_word) ++count;
        places &= places - 1;
      }
    }
  }
#endif
  // The entries that start at `start` or later, one by one, comparing
  // lengths first. Those that start earlier have been judged.
  const char* from = text + start;
  if (start != 0 && from[-1] != ' ') {
    const void* space = std::memchr(from, ' ', size - start);
    if (space == nullptr) return count;
    from = static_cast<const char*>(space) + 1;
  }
  for (const std::string_view entry : WordList(std::string_view(from, static_cast<std::size_t>(text + size - from)))) {
    if (entry.size() == length && entry == word) ++count;
  }
  return count;
}

// Whether the bytes whose bits are set in `flagged`, in the 64 from
// `window` on, all start multi-byte characters that are printable.
bool all_printable(const char* window, std::uint64_t flagged) noexcept {
  for (; flagged != 0; flagged &= flagged - 1) {
    const char* const at = window + __builtin_ctzll(flagged);
    if (static_cast<unsigned char>(*at) < 0x80) return false;
    std::size_t length = 0;
    if (!is_printable(decode(at, length))) return false;
  }
  return true;
}

void write_bracketed(const WordList& list, const TextSink& sink, std::size_t buffer_size) {
  ChunkWriter out(sink, buffer_size);
  out.put('[');
  // The entries are the list's, found here directly in its text together
  // with whether a byte of theirs needs care: most need none, and go out
  // by the quick way.
  const std::string_view all = list.text();
  const char* entry = all.data() != nullptr ? all.data() : "";
  const char* const end = entry + all.size();
  const auto write_one = [&out](const char* start, const char* stop, bool care) {
    const auto size = static_cast<std::size_t>(stop - start);
    if (care) {
      write_entry(out, std::string_view(start, size));
    } else {
      out.put_quoted(start, size);
    }
  };
  const char* scan = entry;  // the bytes before it have been looked at
  bool care = false;         // whether a byte of the entry looked at so far needs care
#if defined(__SSE2__)
  // 64 bytes at a time: the spaces and the bytes that need care, as bit
  // masks; each space ends an entry, which needs care when it had such a
  // byte in an earlier window, or has one below the space in this one.
  // The last 16 bytes are left to the loop below, so that 16 bytes can be
  // read from the start of any entry that ends in a window.
  //
  // The quick way writes an entry's closing apostrophe and separator
  // together with the opening apostrophe of the next entry, in one store:
  // `to` is where the entry's bytes go, right after an apostrophe that is
  // already written. An entry that goes the careful way takes that
  // apostrophe back and writes its own quotes.
  out.put('\'');
  char* to = out.cursor();
  const char* const limit = out.limit();
  for (; end - scan >= 64 + 16; scan += 64) {
    std::uint64_t spaces = 0;
    std::uint64_t cares = 0;
    for (int block = 0; block < 4; ++block) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(scan + 16 * block));
      spaces |= static_cast<std::uint64_t>(detail::space_mask(chunk)) << (16 * block);
      cares |= static_cast<std::uint64_t>(care_mask(chunk)) << (16 * block);
    }
    while (spaces != 0) {
      const std::uint64_t below_space = (spaces & (std::uint64_t{0} - spaces)) - 1;
      const char* const stop = scan + __builtin_ctzll(spaces);
      const auto size = static_cast<std::size_t>(stop - entry);
      // Most of the flagged characters of running text are printable
      // punctuation („ ” – …): an entry whose flagged bytes in this window
      // are all such is as plain as the rest.
      const std::uint64_t flagged = cares & below_space;
      const bool plain = !care && (flagged == 0 || all_printable(scan, flagged));
      if (plain && size <= 16 && limit - to >= 20) {
        // A short plain entry, the most common kind: its bytes are copied
        // with one 16-byte load and store, which the text and the buffer
        // have room for (what the store writes past the entry is
        // overwritten next).
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(entry)));
        std::memcpy(to + size, "', '", 4);
        to += size + 4;
      } else {
        out.set_cursor(to - 1);
        write_one(entry, stop, !plain);
        out.put(", '", 3);
        to = out.cursor();
      }
      cares &= ~below_space;
      spaces &= spaces - 1;
      entry = stop + 1;
      care = false;
    }
    // What is left belongs to the entry that goes on into the next window.
    care = care || (cares != 0 && !all_printable(scan, cares));
  }
  out.set_cursor(to - 1);
#endif
  // The last bytes, and every byte where the processor has no SSE2.
  for (;; ++scan) {
    if (scan == end || *scan == ' ') {
      write_one(entry, scan, care);
      if (scan == end) break;
      out.put(", ", 2);
      entry = scan + 1;
      care = false;
    } else {
      care = care || care_bytes[static_cast<unsigned char>(*scan)];
    }
  }
  out.put(']');
  out.flush();
}

}  // namespace text
