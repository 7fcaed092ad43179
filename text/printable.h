// This file declares the printable-character test used by the bracketed form
// of the word list.
#pragma once

namespace text {

// True when the code point is shown as it is inside a quoted list entry.
// Non-printable are the general categories Cc, Cf, Cs, Co, Cn, Zl and Zp,
// and every space separator (Zs) except U+0020. Code points above U+10FFFF
// are non-printable.
bool is_printable(char32_t code_point) noexcept;

}  // namespace text
