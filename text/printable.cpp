// This file implements the printable-character test.
#include "text/printable.h"

#include <cstdint>

#include "text/printable_table.h"

namespace text {

bool is_printable(char32_t code_point) noexcept {
  const auto cp = static_cast<std::uint32_t>(code_point);
  // ASCII: U+0020..U+007E; the C0 controls and DEL are not.
  if (cp < 0x80u) return cp - 0x20u < 0x5Fu;
  // U+0080..U+024F (C1 controls, Latin-1 Supplement, Latin Extended-A and
  // -B) is fully assigned; besides the C1 controls U+0080..U+009F only
  // NO-BREAK SPACE U+00A0 (Zs) and SOFT HYPHEN U+00AD (Cf) are non-printable.
  // The tests compare this shortcut with the table.
  if (cp < 0x250u) return cp > 0xA0u && cp != 0xADu;
  if (cp > 0x10FFFFu) return false;
  return detail::printable_in_table(cp);
}

}  // namespace text
