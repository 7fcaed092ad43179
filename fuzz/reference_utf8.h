// A UTF-8 decoder for the fuzz targets, written for plain correctness and
// not for speed: one code point at a time, straight from the definition of
// the encoding (the bit patterns of the lead byte, then the ranges that are
// forbidden). The program's own decoder is checked against it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace reference {

// Decodes the sequence at `at` into `code_point` and `length`; false when it
// is not a well-formed sequence.
inline bool decode_one(std::string_view bytes, std::size_t at, char32_t& code_point, std::size_t& length) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[at + k]); };
  const unsigned lead = byte(0);
  char32_t smallest = 0;
  if (lead < 0x80) {
    code_point = lead;
    length = 1;
    return true;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code_point = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code_point = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    code_point = lead & 0x07;
    smallest = 0x10000;
  } else {
    return false;  // a continuation byte, or F8..FF
  }
  if (bytes.size() - at < length) return false;
  for (std::size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return false;
    code_point = (code_point << 6) | (byte(k) & 0x3F);
  }
  if (code_point < smallest) return false;                          // overlong
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return false;  // surrogate
  if (code_point > 0x10FFFF) return false;
  return true;
}

struct Decoded {
  bool ok = true;
  std::size_t error_position = 0;  // start of the first ill-formed sequence
  std::vector<char32_t> code_points;
};

// The code points of `bytes`, with every CR LF pair and every lone CR read
// as one LF when `unify_line_ends` is set.
inline Decoded decode(std::string_view bytes, bool unify_line_ends) {
  Decoded result;
  std::size_t at = 0;
  while (at < bytes.size()) {
    char32_t code_point = 0;
    std::size_t length = 0;
    if (!decode_one(bytes, at, code_point, length)) {
      result.ok = false;
      result.error_position = at;
      return result;
    }
    if (unify_line_ends && code_point == U'\r') {
      code_point = U'\n';
      if (at + 1 < bytes.size() && bytes[at + 1] == '\n') ++length;
    }
    result.code_points.push_back(code_point);
    at += length;
  }
  return result;
}

inline bool is_valid(std::string_view bytes) { return decode(bytes, false).ok; }

inline void encode(char32_t code_point, std::string& out) {
  const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | (code_point >> 6));
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | (code_point >> 12));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | (code_point >> 18));
    put(0x80 | ((code_point >> 12) & 0x3F));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
}

}  // namespace reference
