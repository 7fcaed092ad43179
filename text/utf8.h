// This file declares strict UTF-8 decoding of a file's bytes, with line ends
// unified, done in place on the buffer that holds them.
#pragma once

#include <cstddef>
#include <string>

namespace text {

// Why a byte sequence is not well-formed UTF-8, one value per rule.
enum class Utf8Error {
  none,
  stray_continuation,  // a byte 80..BF where a sequence should start
  invalid_lead,        // C0, C1 or F5..FF, which never start a sequence
  overlong,            // E0 80..9F or F0 80..8F: a shorter form exists
  surrogate,           // ED A0..BF: U+D800..U+DFFF are not characters
  too_large,           // F4 90..BF: beyond U+10FFFF
  bad_continuation,    // a sequence interrupted by a byte outside 80..BF
  truncated,           // a sequence cut short by the end of the data
};

struct Utf8Result {
  Utf8Error error = Utf8Error::none;
  std::size_t position = 0;  // offset of the offending sequence in the input

  bool ok() const noexcept { return error == Utf8Error::none; }
};

// Checks that `bytes` is well-formed UTF-8 and turns every CR LF pair and
// every lone CR into one LF, shrinking `bytes` in place. A byte order mark
// is kept: it is text like any other. On failure `bytes` is left in an
// unspecified state and the result says where and why.
Utf8Result decode_in_place(std::string& bytes);

}  // namespace text
