// This file implements strict UTF-8 decoding with line ends unified.
#include "text/utf8.h"

#include <cstdint>
#include <cstring>

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

// Length of the run of bytes from `at` on that are plain ASCII other than CR:
// they need neither checking nor changing, only moving.
std::size_t plain_ascii_run(const std::uint8_t* data, std::size_t size, std::size_t at) noexcept {
  std::size_t end = at;
#if defined(__SSE2__)
  const __m128i carriage_return = _mm_set1_epi8('\r');
  while (end + 16 <= size) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + end));
    const int stops = _mm_movemask_epi8(chunk) |
                      _mm_movemask_epi8(_mm_cmpeq_epi8(chunk, carriage_return));
    if (stops != 0) return end - at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(stops)));
    end += 16;
  }
#endif
  while (end < size && data[end] < 0x80 && data[end] != '\r') ++end;
  return end - at;
}

}  // namespace

Utf8Result decode_in_place(std::string& bytes) {
  auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
  const std::size_t size = bytes.size();
  std::size_t read = 0;
  std::size_t write = 0;
  while (read < size) {
    const std::size_t run = plain_ascii_run(data, size, read);
    if (run != 0) {
      if (write != read) std::memmove(data + write, data + read, run);
      read += run;
      write += run;
      continue;
    }
    if (data[read] == '\r') {
      // CR LF and a lone CR both end a line: each becomes one LF.
      data[write++] = '\n';
      read += (read + 1 < size && data[read + 1] == '\n') ? 2 : 1;
      continue;
    }
    Utf8Error error = Utf8Error::none;
    const std::size_t length = check_sequence(data, size, read, error);
    if (length == 0) return {error, read};
    if (write != read) std::memmove(data + write, data + read, length);
    read += length;
    write += length;
  }
  bytes.resize(write);
  return {};
}

}  // namespace text
