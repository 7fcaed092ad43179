// Tests of text::is_printable against known characters of Unicode 15.0.
#include "text/printable.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>

#include "text/printable_table.h"

namespace {

std::string hex(char32_t code_point) {
  std::ostringstream out;
  out << "U+" << std::uppercase << std::hex << std::setfill('0')
      << std::setw(4) << static_cast<std::uint32_t>(code_point);
  return out.str();
}

struct Case {
  char32_t code_point;
  bool printable;
  const char* what;
};

constexpr Case cases[] = {
    // C0, ASCII, DEL, C1.
    {0x0000, false, "NULL (Cc)"},
    {0x0009, false, "CHARACTER TABULATION (Cc)"},
    {0x000A, false, "LINE FEED (Cc)"},
    {0x001F, false, "INFORMATION SEPARATOR ONE (Cc)"},
    {0x0020, true, "SPACE, the one printable Zs"},
    {0x0030, true, "DIGIT ZERO (Nd)"},
    {0x0041, true, "LATIN CAPITAL LETTER A (Lu)"},
    {0x005F, true, "LOW LINE (Pc)"},
    {0x007E, true, "TILDE (Sm)"},
    {0x007F, false, "DELETE (Cc)"},
    {0x0080, false, "C1 control (Cc)"},
    {0x0085, false, "NEXT LINE (Cc)"},
    {0x009F, false, "APPLICATION PROGRAM COMMAND (Cc)"},
    // Latin-1 Supplement and Latin Extended-A/B.
    {0x00A0, false, "NO-BREAK SPACE (Zs)"},
    {0x00A1, true, "INVERTED EXCLAMATION MARK (Po)"},
    {0x00A9, true, "COPYRIGHT SIGN (So)"},
    {0x00AB, true, "LEFT-POINTING DOUBLE ANGLE QUOTATION MARK (Pi)"},
    {0x00AC, true, "NOT SIGN (Sm)"},
    {0x00AD, false, "SOFT HYPHEN (Cf)"},
    {0x00AE, true, "REGISTERED SIGN (So)"},
    {0x00B2, true, "SUPERSCRIPT TWO (No)"},
    {0x00B4, true, "ACUTE ACCENT (Sk)"},
    {0x00BB, true, "RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK (Pf)"},
    {0x00FF, true, "LATIN SMALL LETTER Y WITH DIAERESIS (Ll)"},
    {0x0100, true, "LATIN CAPITAL LETTER A WITH MACRON (Lu)"},
    {0x0105, true, "LATIN SMALL LETTER A WITH OGONEK"},
    {0x0142, true, "LATIN SMALL LETTER L WITH STROKE"},
    {0x017C, true, "LATIN SMALL LETTER Z WITH DOT ABOVE"},
    {0x01C5, true, "LATIN CAPITAL LETTER D WITH SMALL LETTER Z WITH CARON (Lt)"},
    {0x024F, true, "LATIN SMALL LETTER Y WITH STROKE, end of Latin Extended-B"},
    {0x0250, true, "LATIN SMALL LETTER TURNED A, first past the Latin shortcut"},
    {0x02B0, true, "MODIFIER LETTER SMALL H (Lm)"},
    // Marks, other scripts, unassigned.
    {0x0300, true, "COMBINING GRAVE ACCENT (Mn)"},
    {0x0377, true, "GREEK SMALL LETTER PAMPHYLIAN DIGAMMA"},
    {0x0378, false, "unassigned (Cn)"},
    {0x05D0, true, "HEBREW LETTER ALEF (Lo)"},
    {0x061C, false, "ARABIC LETTER MARK (Cf)"},
    {0x0903, true, "DEVANAGARI SIGN VISARGA (Mc)"},
    {0x1680, false, "OGHAM SPACE MARK (Zs)"},
    // General Punctuation.
    {0x2000, false, "EN QUAD (Zs)"},
    {0x200A, false, "HAIR SPACE (Zs)"},
    {0x200B, false, "ZERO WIDTH SPACE (Cf)"},
    {0x200D, false, "ZERO WIDTH JOINER (Cf)"},
    {0x200E, false, "LEFT-TO-RIGHT MARK (Cf)"},
    {0x2014, true, "EM DASH (Pd)"},
    {0x2028, false, "LINE SEPARATOR (Zl)"},
    {0x2029, false, "PARAGRAPH SEPARATOR (Zp)"},
    {0x202F, false, "NARROW NO-BREAK SPACE (Zs)"},
    {0x203F, true, "UNDERTIE (Pc)"},
    {0x205F, false, "MEDIUM MATHEMATICAL SPACE (Zs)"},
    {0x2060, false, "WORD JOINER (Cf)"},
    {0x2065, false, "unassigned (Cn) among the format characters"},
    {0x20AC, true, "EURO SIGN (Sc)"},
    {0x20DD, true, "COMBINING ENCLOSING CIRCLE (Me)"},
    {0x2160, true, "ROMAN NUMERAL ONE (Nl)"},
    {0x2200, true, "FOR ALL (Sm)"},
    {0x2FFB, true, "IDEOGRAPHIC DESCRIPTION CHARACTER OVERLAID LEFT"},
    {0x2FFC, false, "unassigned in 15.0 (Cn), assigned in 15.1"},
    // CJK and Hangul.
    {0x3000, false, "IDEOGRAPHIC SPACE (Zs)"},
    {0x3008, true, "LEFT ANGLE BRACKET (Ps)"},
    {0x3009, true, "RIGHT ANGLE BRACKET (Pe)"},
    {0x4DFF, true, "HEXAGRAM FOR BEFORE COMPLETION"},
    {0x4E00, true, "first CJK unified ideograph"},
    {0x4E2D, true, "CJK ideograph 'middle'"},
    {0x9FFF, true, "last CJK unified ideograph of the main block"},
    {0xAC00, true, "first Hangul syllable"},
    {0xD55C, true, "Hangul syllable HAN"},
    {0xD7A3, true, "last Hangul syllable"},
    {0xD7A4, false, "unassigned after the Hangul syllables (Cn)"},
    // Surrogates, private use, specials.
    {0xD800, false, "first high surrogate (Cs)"},
    {0xDBFF, false, "last high surrogate (Cs)"},
    {0xDC00, false, "first low surrogate (Cs)"},
    {0xDFFF, false, "last low surrogate (Cs)"},
    {0xE000, false, "first private use (Co)"},
    {0xF8FF, false, "last private use of the BMP (Co)"},
    {0xF900, true, "CJK COMPATIBILITY IDEOGRAPH-F900"},
    {0xFDD0, false, "noncharacter (Cn)"},
    {0xFE0F, true, "VARIATION SELECTOR-16 (Mn)"},
    {0xFEFF, false, "ZERO WIDTH NO-BREAK SPACE (Cf)"},
    {0xFFF9, false, "INTERLINEAR ANNOTATION ANCHOR (Cf)"},
    {0xFFFC, true, "OBJECT REPLACEMENT CHARACTER (So)"},
    {0xFFFD, true, "REPLACEMENT CHARACTER (So)"},
    {0xFFFE, false, "noncharacter (Cn)"},
    {0xFFFF, false, "noncharacter (Cn)"},
    // Supplementary planes.
    {0x10000, true, "LINEAR B SYLLABLE B008 A"},
    {0x110BD, false, "KAITHI NUMBER SIGN (Cf)"},
    {0x1D173, false, "MUSICAL SYMBOL BEGIN BEAM (Cf)"},
    {0x1F600, true, "GRINNING FACE (So)"},
    {0x1FAE8, true, "SHAKING FACE, new in 15.0"},
    {0x1FFFF, false, "noncharacter (Cn)"},
    {0x20000, true, "first of CJK Extension B"},
    {0x2A6DF, true, "last of CJK Extension B"},
    {0x2A6E0, false, "unassigned after CJK Extension B (Cn)"},
    {0x31350, true, "first of CJK Extension H, new in 15.0"},
    {0x323AF, true, "last of CJK Extension H"},
    {0x323B0, false, "unassigned after CJK Extension H (Cn)"},
    {0xE0000, false, "unassigned (Cn)"},
    {0xE0001, false, "LANGUAGE TAG (Cf)"},
    {0xE0020, false, "TAG SPACE (Cf)"},
    {0xE007F, false, "CANCEL TAG (Cf)"},
    {0xE0100, true, "VARIATION SELECTOR-17 (Mn)"},
    {0xE01EF, true, "VARIATION SELECTOR-256 (Mn)"},
    {0xE01F0, false, "unassigned after the variation selectors (Cn)"},
    {0xF0000, false, "first of plane 15 private use (Co)"},
    {0xFFFFD, false, "last of plane 15 private use (Co)"},
    {0xFFFFE, false, "noncharacter (Cn)"},
    {0x100000, false, "first of plane 16 private use (Co)"},
    {0x10FFFD, false, "last of plane 16 private use (Co)"},
    {0x10FFFF, false, "last code point, noncharacter (Cn)"},
    // Beyond the code space.
    {0x110000, false, "first value past U+10FFFF"},
    {0x7FFFFFFF, false, "far past U+10FFFF"},
    {0xFFFFFFFF, false, "largest char32_t"},
};

TEST(IsPrintable, KnownCodePoints) {
  for (const Case& c : cases) {
    EXPECT_EQ(text::is_printable(c.code_point), c.printable)
        << hex(c.code_point) << " " << c.what;
  }
}

TEST(IsPrintable, AsciiIsPrintableExactlyFromSpaceToTilde) {
  for (char32_t cp = 0; cp < 0x80; ++cp) {
    EXPECT_EQ(text::is_printable(cp), cp >= 0x20 && cp <= 0x7E) << hex(cp);
  }
}

TEST(IsPrintable, C1ControlsAreNotPrintable) {
  for (char32_t cp = 0x80; cp <= 0x9F; ++cp) {
    EXPECT_FALSE(text::is_printable(cp)) << hex(cp);
  }
}

// Code points below U+0250 are answered without the table; the answers must
// be the table's.
TEST(IsPrintable, LatinShortcutAgreesWithTable) {
  for (std::uint32_t cp = 0; cp < 0x300; ++cp) {
    EXPECT_EQ(text::is_printable(cp), text::detail::printable_in_table(cp))
        << hex(cp);
  }
}

TEST(IsPrintable, SurrogatesAndBmpPrivateUseAreNotPrintable) {
  for (char32_t cp = 0xD800; cp <= 0xF8FF; ++cp) {
    ASSERT_FALSE(text::is_printable(cp)) << hex(cp);
  }
}

TEST(IsPrintable, WholeCjkAndHangulRangesArePrintable) {
  for (char32_t cp = 0x4E00; cp <= 0x9FFF; ++cp) {
    ASSERT_TRUE(text::is_printable(cp)) << hex(cp);
  }
  for (char32_t cp = 0xAC00; cp <= 0xD7A3; ++cp) {
    ASSERT_TRUE(text::is_printable(cp)) << hex(cp);
  }
}

}  // namespace
