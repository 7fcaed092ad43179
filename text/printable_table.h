// This file declares the bit table behind text::is_printable. The table is
// defined in printable_table.cpp, which tools/gen_printable_table.py writes
// from UnicodeData.txt; do not edit that file by hand.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace text::detail {

// The code space U+0000..U+10FFFF is cut into blocks of 256 code points. A
// block's printable code points are 256 bits held in four 64-bit words:
// bit (cp & 63) of word ((cp >> 6) & 3). Blocks with the same bits share one
// copy of them.
inline constexpr unsigned printable_block_shift = 8;
inline constexpr std::size_t printable_words_per_block = 4;
inline constexpr std::size_t printable_block_count =
    std::size_t{0x110000} >> printable_block_shift;

// For every block, the number of its bit pattern in printable_bits.
// Pattern 0 has no bit set.
extern const std::array<std::uint8_t, printable_block_count>
    printable_block_index;

// The distinct bit patterns, printable_words_per_block words each.
extern const std::uint64_t printable_bits[];

// The table's answer for a code point; `cp` must not exceed U+10FFFF.
inline bool printable_in_table(std::uint32_t cp) noexcept {
  const std::size_t pattern = printable_block_index[cp >> printable_block_shift];
  const std::uint64_t word =
      printable_bits[pattern * printable_words_per_block + ((cp >> 6) & 3u)];
  return ((word >> (cp & 63u)) & 1u) != 0;
}

}  // namespace text::detail
