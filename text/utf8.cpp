// This file implements strict UTF-8 decoding with line ends unified.
#include "text/utf8.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {
namespace {

// The well-formed sequences are those of the Unicode Standard's table of
// well-formed UTF-8 byte sequences. The lead byte decides the length and the
// allowed range of the second byte; every later byte is 80..BF.
struct LeadRule {
  std::uint8_t length;       // 0 for a byte that never starts a sequence
  std::uint8_t second_low;   // allowed range of the second byte
  std::uint8_t second_high;
  Utf8Error below_second;    // what a second byte 80..second_low-1 means
  Utf8Error above_second;    // what a second byte second_high+1..BF means
};

LeadRule lead_rule(std::uint8_t lead) noexcept {
  constexpr auto bad = Utf8Error::bad_continuation;
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF, bad, bad};
  if (lead == 0xE0) return {3, 0xA0, 0xBF, Utf8Error::overlong, bad};
  if (lead == 0xED) return {3, 0x80, 0x9F, bad, Utf8Error::surrogate};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF, bad, bad};
  if (lead == 0xF0) return {4, 0x90, 0xBF, Utf8Error::overlong, bad};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF, bad, bad};
  if (lead == 0xF4) return {4, 0x80, 0x8F, bad, Utf8Error::too_large};
  return {0, 0, 0, bad, bad};
}

bool is_continuation(std::uint8_t byte) noexcept { return (byte & 0xC0) == 0x80; }

// Checks the multi-byte sequence that starts at `data[at]` (its lead is not
// ASCII) and returns its length, or 0 with `error` set.
std::size_t check_sequence(const std::uint8_t* data, std::size_t size, std::size_t at,
                           Utf8Error& error) noexcept {
  const std::uint8_t lead = data[at];
  if (is_continuation(lead)) {
    error = Utf8Error::stray_continuation;
    return 0;
  }
  const LeadRule rule = lead_rule(lead);
  if (rule.length == 0) {
    error = Utf8Error::invalid_lead;
    return 0;
  }
  if (at + 1 >= size) {
    error = Utf8Error::truncated;
    return 0;
  }
  const std::uint8_t second = data[at + 1];
  if (!is_continuation(second)) {
    error = Utf8Error::bad_continuation;
    return 0;
  }
  if (second < rule.second_low) {
    error = rule.below_second;
    return 0;
  }
  if (second > rule.second_high) {
    error = rule.above_second;
    return 0;
  }
  for (std::size_t k = 2; k < rule.length; ++k) {
    if (at + k >= size) {
      error = Utf8Error::truncated;
      return 0;
    }
    if (!is_continuation(data[at + k])) {
      error = Utf8Error::bad_continuation;
      return 0;
    }
  }
  return rule.length;
}

// Takes one character or line end from `data[read]` to `data[write]`
// (write <= read): a CR, or a CR LF pair, becomes one LF; any other ASCII
// byte is copied; a multi-byte sequence is checked and copied. Returns false
// with `error` set when the sequence there is ill-formed.
bool take_one(std::uint8_t* data, std::size_t size, std::size_t& read, std::size_t& write,
              Utf8Error& error) noexcept {
  const std::uint8_t byte = data[read];
  if (byte < 0x80) {
    if (byte == '\r') {
      // CR LF and a lone CR both end a line: each becomes one LF.
      data[write++] = '\n';
      read += (read + 1 < size && data[read + 1] == '\n') ? 2 : 1;
    } else {
      data[write++] = byte;
      ++read;
    }
    return true;
  }
  const std::size_t length = check_sequence(data, size, read, error);
  if (length == 0) return false;
  for (std::size_t k = 0; k < length; ++k) data[write + k] = data[read + k];
  read += length;
  write += length;
  return true;
}

#if defined(__SSE2__)
// The fast path looks at windows of 64 bytes, four SSE2 registers, with one
// bit per byte in 64-bit masks.
constexpr std::size_t window = 64;

// How many bytes from the start of the window at `at` are well-formed UTF-8
// that needs no change, judged from the window alone: ASCII other than CR,
// two-byte sequences (lead C2..DF, then one continuation byte), which is
// all that Latin-script text, Polish included, is made of, and three-byte
// sequences whose lead allows any continuation bytes (E1..EC, EE, EF: the
// rest of the Basic Multilingual Plane, typographic quotes and dashes
// among it). It stops before the first byte that is anything else (a CR,
// another sequence, a fault) and before a sequence that the window cuts.
std::size_t common_prefix(const std::uint8_t* at, __m128i (&chunks)[4]) noexcept {
  std::uint64_t non_ascii = 0;
  std::uint64_t continuations = 0;
  std::uint64_t two_byte_leads = 0;
  std::uint64_t three_byte_leads = 0;
  std::uint64_t carriage_returns = 0;
  const auto bits = [](__m128i flags, int block) {
    return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(flags))) << (16 * block);
  };
  for (int block = 0; block < 4; ++block) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * block));
    chunks[block] = chunk;
    // As signed bytes: 80..BF are -128..-65, C2..DF are -62..-33, E1..EF
    // are -31..-17 and ED is -19.
    non_ascii |= bits(chunk, block);
    continuations |= bits(_mm_cmplt_epi8(chunk, _mm_set1_epi8(-64)), block);
    two_byte_leads |=
        bits(_mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8(-63)), _mm_cmplt_epi8(chunk, _mm_set1_epi8(-32))), block);
    three_byte_leads |= bits(_mm_andnot_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(-19)),
                                              _mm_and_si128(_mm_cmpgt_epi8(chunk, _mm_set1_epi8(-32)),
                                                            _mm_cmplt_epi8(chunk, _mm_set1_epi8(-16)))),
                             block);
    carriage_returns |= bits(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r')), block);
  }
  // A byte is out of place when it is a CR, a non-ASCII byte of another
  // kind, a continuation where no lead calls for one, or anything else
  // where one does.
  const std::uint64_t leads = two_byte_leads | three_byte_leads;
  const std::uint64_t called_for = (leads << 1) | (three_byte_leads << 2);
  const std::uint64_t out_of_place =
      carriage_returns | (non_ascii & ~(continuations | leads)) | (continuations ^ called_for);
  std::size_t taken = out_of_place == 0 ? window : static_cast<std::size_t>(__builtin_ctzll(out_of_place));
  // Everything before that place is in order but the last sequence, which
  // may be cut short by it: then it is left out.
  const std::uint64_t leads_before = taken == window ? leads : leads & ((std::uint64_t{1} << taken) - 1);
  if (leads_before != 0) {
    const auto last = static_cast<std::size_t>(63 - __builtin_clzll(leads_before));
    const std::size_t length = ((three_byte_leads >> last) & 1U) != 0 ? 3 : 2;
    if (last + length > taken) taken = last;
  }
  return taken;
}
#endif

}  // namespace

// One pass over the bytes: runs of common text are checked 64 bytes at a
// time with a few vector operations and moved with four stores; whatever
// stops a run (a line end, a longer sequence, a fault) goes through
// take_one, which applies every rule and tells where and why a fault is.
// So do the last bytes, and every byte where the processor has no SSE2.
Utf8Result decode_in_place(std::string& bytes) {
  auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t read = 0;
  std::size_t write = 0;
  Utf8Error error = Utf8Error::none;
  while (read < size) {
#if defined(__SSE2__)
    if (size - read >= window) {
      __m128i chunks[4];
      const std::size_t taken = common_prefix(data + read, chunks);
      // Once a line end has shrunk the text, the window is stored whole,
      // further down: the bytes past the taken prefix land where later
      // bytes will be written, but must not land on bytes still to be
      // read. That holds when the whole window is taken, and when a window
      // or more has been removed (write + 64 <= read); else the taken
      // bytes are moved one by one.
      const std::size_t removed = read - write;
      if (removed == 0) {
        // Nothing has moved yet: the bytes are already where they belong.
      } else if (taken == window || removed >= window) {
        for (int block = 0; block < 4; ++block) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(data + write + 16 * block), chunks[block]);
        }
      } else {
        for (std::size_t k = 0; k < taken; ++k) data[write + k] = data[read + k];
      }
      read += taken;
      write += taken;
      if (taken == window) continue;
    }
#endif
    if (!take_one(data, size, read, write, error)) return {error, read};
  }
  bytes.resize(write);
  return {};
}

}  // namespace text
