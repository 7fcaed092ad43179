// Tests of text::decode_in_place: strict UTF-8 and unified line ends.
#include "text/utf8.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <string>

namespace text {

// Lets a failing assertion name the error instead of printing a number.
void PrintTo(Utf8Error error, std::ostream* out) {
  switch (error) {
    case Utf8Error::none: *out << "none"; return;
    case Utf8Error::stray_continuation: *out << "stray_continuation"; return;
    case Utf8Error::invalid_lead: *out << "invalid_lead"; return;
    case Utf8Error::overlong: *out << "overlong"; return;
    case Utf8Error::surrogate: *out << "surrogate"; return;
    case Utf8Error::too_large: *out << "too_large"; return;
    case Utf8Error::bad_continuation: *out << "bad_continuation"; return;
    case Utf8Error::truncated: *out << "truncated"; return;
  }
  *out << "Utf8Error(" << static_cast<int>(error) << ")";
}

}  // namespace text

namespace {

using text::Utf8Error;

// The bytes as hex, for traces: the interesting ones do not print.
std::string hex_dump(const std::string& bytes) {
  std::string dump;
  for (const char byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X ", static_cast<unsigned>(static_cast<unsigned char>(byte)));
    dump += digits;
  }
  return dump;
}

struct ValidCase {
  const char* what;
  std::string input;
  std::string output;
};

// Bytes with a NUL in them need the length spelled out.
const std::string nul_inside("a\0b", 3);

const ValidCase valid_cases[] = {
    {"empty", "", ""},
    {"plain ASCII", "Ala ma kota", "Ala ma kota"},
    {"NUL is ASCII", nul_inside, nul_inside},
    {"U+007F, last one-byte", "\x7F", "\x7F"},
    {"U+0080, first two-byte", "\xC2\x80", "\xC2\x80"},
    {"U+07FF, last two-byte", "\xDF\xBF", "\xDF\xBF"},
    {"U+0800, first three-byte (E0 A0)", "\xE0\xA0\x80", "\xE0\xA0\x80"},
    {"U+0FFF, E0 BF BF", "\xE0\xBF\xBF", "\xE0\xBF\xBF"},
    {"U+1000, E1 80 80", "\xE1\x80\x80", "\xE1\x80\x80"},
    {"U+CFFF, EC BF BF", "\xEC\xBF\xBF", "\xEC\xBF\xBF"},
    {"U+D000, ED 80 80", "\xED\x80\x80", "\xED\x80\x80"},
    {"U+D7FF, last before the surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
    {"U+E000, first after the surrogates", "\xEE\x80\x80", "\xEE\x80\x80"},
    {"U+FFFF, last three-byte", "\xEF\xBF\xBF", "\xEF\xBF\xBF"},
    {"U+10000, first four-byte (F0 90)", "\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},
    {"U+3FFFF, F0 BF BF BF", "\xF0\xBF\xBF\xBF", "\xF0\xBF\xBF\xBF"},
    {"U+40000, F1 80 80 80", "\xF1\x80\x80\x80", "\xF1\x80\x80\x80"},
    {"U+FFFFF, F3 BF BF BF", "\xF3\xBF\xBF\xBF", "\xF3\xBF\xBF\xBF"},
    {"U+100000, F4 80 80 80", "\xF4\x80\x80\x80", "\xF4\x80\x80\x80"},
    {"U+10FFFF, last code point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
    {"Polish letters", "zażółć gęślą jaźń ZAŻÓŁĆ", "zażółć gęślą jaźń ZAŻÓŁĆ"},
    {"emoji between words", "a \xF0\x9F\x98\x80 b", "a \xF0\x9F\x98\x80 b"},
    {"byte order mark stays", "\xEF\xBB\xBF" "Ala", "\xEF\xBB\xBF" "Ala"},
    {"byte order mark alone", "\xEF\xBB\xBF", "\xEF\xBB\xBF"},
    // Line ends: CR LF and a lone CR each become one LF.
    {"LF stays", "a\nb\n", "a\nb\n"},
    {"CR LF", "a\r\nb", "a\nb"},
    {"lone CR", "a\rb", "a\nb"},
    {"CR alone", "\r", "\n"},
    {"CR at the very end", "a\r", "a\n"},
    {"CR LF at the very end", "a\r\n", "a\n"},
    {"CR CR LF", "\r\r\n", "\n\n"},
    {"LF CR", "\n\r", "\n\n"},
    {"LF CR LF", "\n\r\n", "\n\n"},
    {"CR LF CR LF", "\r\n\r\n", "\n\n"},
    {"CR LF LF", "\r\n\n", "\n\n"},
    {"CR CR", "\r\r", "\n\n"},
    {"line ends around multi-byte letters", "ą\r\nę\rł\n", "ą\nę\nł\n"},
    {"CR after a four-byte character", "\xF0\x9F\x98\x80\r\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80\n\xF0\x9F\x98\x80"},
};

TEST(Utf8DecodeTest, AcceptsWellFormedTextAndUnifiesLineEnds) {
  for (const ValidCase& test_case : valid_cases) {
    SCOPED_TRACE(std::string(test_case.what) + ": " + hex_dump(test_case.input));
    std::string bytes = test_case.input;
    const text::Utf8Result result = text::decode_in_place(bytes);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.error, Utf8Error::none);
    EXPECT_EQ(bytes, test_case.output);
  }
}

struct InvalidCase {
  const char* what;
  std::string input;
  Utf8Error error;
  std::size_t position;
};

const InvalidCase invalid_cases[] = {
    // Continuation bytes where a character should start.
    {"lone 80", "\x80", Utf8Error::stray_continuation, 0},
    {"lone BF after ASCII", "a\xBF", Utf8Error::stray_continuation, 1},
    {"one continuation too many", "\xC4\x85\x85", Utf8Error::stray_continuation, 2},
    {"continuation after CR", "\r\x80", Utf8Error::stray_continuation, 1},
    // Bytes that never start a sequence.
    {"C0 80, overlong NUL", "\xC0\x80", Utf8Error::invalid_lead, 0},
    {"C1 BF, overlong U+007F", "\xC1\xBF", Utf8Error::invalid_lead, 0},
    {"C0 alone at the end", "x\xC0", Utf8Error::invalid_lead, 1},
    {"F5, would be above U+10FFFF", "\xF5\x80\x80\x80", Utf8Error::invalid_lead, 0},
    {"F7 BF BF BF", "\xF7\xBF\xBF\xBF", Utf8Error::invalid_lead, 0},
    {"F8, old five-byte lead", "\xF8\x88\x80\x80\x80", Utf8Error::invalid_lead, 0},
    {"FC, old six-byte lead", "\xFC\x84\x80\x80\x80\x80", Utf8Error::invalid_lead, 0},
    {"FE", "ab\xFE", Utf8Error::invalid_lead, 2},
    {"FF", "\xFF", Utf8Error::invalid_lead, 0},
    // Overlong forms that a lead alone does not give away.
    {"E0 80 80, overlong NUL", "\xE0\x80\x80", Utf8Error::overlong, 0},
    {"E0 9F BF, overlong U+07FF", "\xE0\x9F\xBF", Utf8Error::overlong, 0},
    {"F0 80 80 80, overlong NUL", "\xF0\x80\x80\x80", Utf8Error::overlong, 0},
    {"F0 8F BF BF, overlong U+FFFF", "\xF0\x8F\xBF\xBF", Utf8Error::overlong, 0},
    // Surrogates and code points past the end of the code space.
    {"ED A0 80, U+D800", "\xED\xA0\x80", Utf8Error::surrogate, 0},
    {"ED AF BF, U+DBFF", "\xED\xAF\xBF", Utf8Error::surrogate, 0},
    {"ED B0 80, U+DC00", "\xED\xB0\x80", Utf8Error::surrogate, 0},
    {"ED BF BF, U+DFFF", "\xED\xBF\xBF", Utf8Error::surrogate, 0},
    {"surrogate pair written as two sequences", "\xED\xA0\xBD\xED\xB8\x80", Utf8Error::surrogate, 0},
    {"F4 90 80 80, U+110000", "\xF4\x90\x80\x80", Utf8Error::too_large, 0},
    {"F4 BF BF BF, U+13FFFF", "\xF4\xBF\xBF\xBF", Utf8Error::too_large, 0},
    // Sequences interrupted by a byte that is not a continuation.
    {"two-byte, then ASCII", "\xC4" "a", Utf8Error::bad_continuation, 0},
    {"two-byte, then a lead", "\xC4\xC4\x85", Utf8Error::bad_continuation, 0},
    {"two-byte, then CR", "\xC4\r", Utf8Error::bad_continuation, 0},
    {"three-byte, third byte ASCII", "x\xE2\x82" "a", Utf8Error::bad_continuation, 1},
    {"three-byte, second byte ASCII", "\xE2" "a\x82", Utf8Error::bad_continuation, 0},
    {"E0 then ASCII", "\xE0" "a", Utf8Error::bad_continuation, 0},
    {"ED then C0", "\xED\xC0\x80", Utf8Error::bad_continuation, 0},
    {"four-byte, fourth byte a lead", "\xF0\x9F\x98\xF0\x9F\x98\x80", Utf8Error::bad_continuation, 0},
    {"four-byte, third byte ASCII", "\xF0\x9F" "a\x80", Utf8Error::bad_continuation, 0},
    {"F4 then ASCII", "\xF4" "a", Utf8Error::bad_continuation, 0},
    // Sequences cut short by the end of the data.
    {"two-byte lead at the end", "\xC4", Utf8Error::truncated, 0},
    {"two-byte lead after text", "Ala\xC5", Utf8Error::truncated, 3},
    {"three-byte, one byte missing", "\xE2\x82", Utf8Error::truncated, 0},
    {"three-byte, two bytes missing", "\xE2", Utf8Error::truncated, 0},
    {"E0 A0 at the end", "\xE0\xA0", Utf8Error::truncated, 0},
    {"ED 9F at the end", "\xED\x9F", Utf8Error::truncated, 0},
    {"four-byte, one byte missing", "ab\xF0\x9F\x98", Utf8Error::truncated, 2},
    {"four-byte, three bytes missing", "\xF0", Utf8Error::truncated, 0},
    {"F4 8F BF at the end", "\xF4\x8F\xBF", Utf8Error::truncated, 0},
    // The position is counted in the input, before CR LF shrank it.
    {"after CR LF pairs", "a\r\nb\r\n\xFF", Utf8Error::invalid_lead, 6},
    {"after multi-byte letters", "zażółć\x80", Utf8Error::stray_continuation, 10},
    {"the first of two faults", "a\xFF\x80", Utf8Error::invalid_lead, 1},
};

TEST(Utf8DecodeTest, RejectsIllFormedTextWithKindAndPosition) {
  for (const InvalidCase& test_case : invalid_cases) {
    SCOPED_TRACE(std::string(test_case.what) + ": " + hex_dump(test_case.input));
    std::string bytes = test_case.input;
    const text::Utf8Result result = text::decode_in_place(bytes);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, test_case.error);
    EXPECT_EQ(result.position, test_case.position);
  }
}

// Long runs of common text go through in windows of 64 bytes, four 16-byte
// blocks; whatever breaks a run must be found wherever it sits relative to
// a block and a window, in text of ASCII alone and in text with two-byte
// letters, which the windows take as well.
constexpr std::size_t offsets_around_blocks[] = {0,  1,  2,  14, 15, 16, 17,  18,  30,  31,  32,  33,
                                                 47, 48, 62, 63, 64, 65, 66, 126, 127, 128, 129};
constexpr std::size_t run_length = 80;

std::string ascii_run(std::size_t length) {
  std::string run;
  for (std::size_t k = 0; k < length; ++k) run += static_cast<char>('a' + k % 26);
  return run;
}

// Exactly `length` bytes of Polish-looking text: two-byte letters with an
// ASCII letter now and then, so that the letters sit at odd and even places.
std::string polish_run(std::size_t length) {
  static const char* const letters[] = {"ą", "ż", "ó", "ł", "ć", "ę", "ś", "ź", "ń", "Ż"};
  std::string run;
  for (std::size_t k = 0; run.size() < length; ++k) {
    if (k % 3 == 2 || length - run.size() < 2) {
      run += static_cast<char>('a' + k % 26);
    } else {
      run += letters[k % 10];
    }
  }
  return run;
}

struct Surrounding {
  const char* what;
  std::string (*run)(std::size_t length);
};

const Surrounding surroundings[] = {
    {"in ASCII", ascii_run},
    {"in Polish text", polish_run},
};

TEST(Utf8DecodeTest, FindsFaultsAtEveryPlaceOfALongRun) {
  struct Fault {
    const char* what;
    std::string bytes;
    Utf8Error error;
    std::size_t at = 0;  // where in `bytes` the fault is
  };
  const Fault faults[] = {
      {"FF", "\xFF", Utf8Error::invalid_lead},
      {"C0 80", "\xC0\x80", Utf8Error::invalid_lead},
      {"C1 BF", "\xC1\xBF", Utf8Error::invalid_lead},
      {"stray 80", "\x80", Utf8Error::stray_continuation},
      {"stray BF", "\xBF", Utf8Error::stray_continuation},
      {"letter with a continuation too many", "\xC4\x85\x85", Utf8Error::stray_continuation, 2},
      {"overlong E0 80 80", "\xE0\x80\x80", Utf8Error::overlong},
      {"surrogate ED A0 80", "\xED\xA0\x80", Utf8Error::surrogate},
      {"too large F4 90 80 80", "\xF4\x90\x80\x80", Utf8Error::too_large},
      {"C4 then ASCII", "\xC4" "a", Utf8Error::bad_continuation},
      {"C4 then a letter", "\xC4\xC4\x85", Utf8Error::bad_continuation},
      {"DF then a three-byte lead", "\xDF\xE2\x82\xAC", Utf8Error::bad_continuation},
      {"E2 82 then ASCII", "\xE2\x82" "a", Utf8Error::bad_continuation},
      {"sign with a continuation too many", "\xE2\x82\xAC\x82", Utf8Error::stray_continuation, 3},
      {"E2 then a letter", "\xE2\xC4\x85", Utf8Error::bad_continuation},
      {"E2 82 then a letter", "\xE2\x82\xC4\x85", Utf8Error::bad_continuation},
      {"EF BF then a sign", "\xEF\xBF\xE2\x82\xAC", Utf8Error::bad_continuation},
      {"EE then ASCII", "\xEE" "a", Utf8Error::bad_continuation},
      {"two signs, the second cut", "\xE2\x82\xAC\xE2\x82" "a", Utf8Error::bad_continuation, 3},
  };
  for (const Surrounding& surrounding : surroundings) {
    for (const Fault& fault : faults) {
      for (const std::size_t offset : offsets_around_blocks) {
        SCOPED_TRACE(std::string(fault.what) + " at offset " + std::to_string(offset) + " " + surrounding.what);
        std::string bytes = surrounding.run(offset) + fault.bytes + surrounding.run(run_length);
        const text::Utf8Result result = text::decode_in_place(bytes);
        EXPECT_EQ(result.error, fault.error);
        EXPECT_EQ(result.position, offset + fault.at);
      }
    }
  }
}

TEST(Utf8DecodeTest, FindsASequenceCutShortAtTheEndOfALongRun) {
  const std::string cut_sequences[] = {"\xC4", "\xE2\x82", "\xEF", "\xE1\x80", "\xF0\x9F\x98"};
  for (const Surrounding& surrounding : surroundings) {
    for (const std::string& cut : cut_sequences) {
      for (const std::size_t offset : offsets_around_blocks) {
        SCOPED_TRACE(hex_dump(cut) + "at offset " + std::to_string(offset) + " " + surrounding.what);
        std::string bytes = surrounding.run(offset) + cut;
        const text::Utf8Result result = text::decode_in_place(bytes);
        EXPECT_EQ(result.error, Utf8Error::truncated);
        EXPECT_EQ(result.position, offset);
      }
    }
  }
}

TEST(Utf8DecodeTest, HandlesCharactersAndLineEndsAtEveryPlaceOfALongRun) {
  struct Insert {
    const char* what;
    std::string bytes;
    std::string becomes;
  };
  const Insert inserts[] = {
      {"nothing", "", ""},
      {"CR", "\r", "\n"},
      {"CR LF", "\r\n", "\n"},
      {"CR CR LF", "\r\r\n", "\n\n"},
      {"two-byte letter", "ą", "ą"},
      {"U+0080", "\xC2\x80", "\xC2\x80"},
      {"U+07FF", "\xDF\xBF", "\xDF\xBF"},
      {"three-byte sign", "€", "€"},
      {"U+0800, E0 A0 80", "\xE0\xA0\x80", "\xE0\xA0\x80"},
      {"U+1000, E1 80 80", "\xE1\x80\x80", "\xE1\x80\x80"},
      {"U+D7FF, ED 9F BF", "\xED\x9F\xBF", "\xED\x9F\xBF"},
      {"U+E000, EE 80 80", "\xEE\x80\x80", "\xEE\x80\x80"},
      {"U+FFFF, EF BF BF", "\xEF\xBF\xBF", "\xEF\xBF\xBF"},
      {"quotes around a letter", "„ż”", "„ż”"},
      {"four-byte emoji", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"byte order mark", "\xEF\xBB\xBF", "\xEF\xBB\xBF"},
      {"letter, CR LF, letter", "ż\r\nź", "ż\nź"},
  };
  for (const Surrounding& surrounding : surroundings) {
    for (const Insert& insert : inserts) {
      for (const std::size_t offset : offsets_around_blocks) {
        SCOPED_TRACE(std::string(insert.what) + " at offset " + std::to_string(offset) + " " + surrounding.what);
        const std::string before = surrounding.run(offset);
        const std::string after = surrounding.run(run_length);
        std::string bytes = before + insert.bytes + after;
        const text::Utf8Result result = text::decode_in_place(bytes);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(bytes, before + insert.becomes + after);
      }
    }
  }
}

// Once a CR LF has shrunk the text, everything after it moves: long runs,
// multi-byte characters and more line ends must all land in place.
TEST(Utf8DecodeTest, MovesTheRestOfALongTextAfterShrinking) {
  for (const Surrounding& surrounding : surroundings) {
    SCOPED_TRACE(surrounding.what);
    const std::string run = surrounding.run(40);
    std::string bytes = "\r\n" + run + "ą" + run + "\r\n\r\n" + "\xF0\x9F\x98\x80" + run + "x\r\n" + run + "\r";
    const std::string expected = "\n" + run + "ą" + run + "\n\n" + "\xF0\x9F\x98\x80" + run + "x\n" + run + "\n";
    const text::Utf8Result result = text::decode_in_place(bytes);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(bytes, expected);
  }
}

// After a few line ends, a window that stops early is moved byte by byte;
// once 64 bytes or more have been removed, it is stored whole. Both must
// leave the text right, on either side of that point.
TEST(Utf8DecodeTest, MovesStoppedWindowsRightHoweverMuchWasRemoved) {
  const std::size_t removed_counts[] = {1, 15, 16, 17, 62, 63, 64, 65, 66, 130};
  const std::string stops[] = {"€", "\r\n", "\xF0\x9F\x98\x80"};
  for (const Surrounding& surrounding : surroundings) {
    for (const std::size_t removed : removed_counts) {
      for (const std::string& stop : stops) {
        SCOPED_TRACE(hex_dump(stop) + "after " + std::to_string(removed) + " removed " + surrounding.what);
        std::string bytes;
        std::string expected;
        for (std::size_t k = 0; k < removed; ++k) {
          bytes += "\r\n";
          expected += "\n";
        }
        const std::string stop_becomes = stop == "\r\n" ? "\n" : stop;
        for (const std::size_t run : {std::size_t{10}, std::size_t{70}, std::size_t{130}}) {
          bytes += surrounding.run(run) + stop;
          expected += surrounding.run(run) + stop_becomes;
        }
        bytes += surrounding.run(run_length);
        expected += surrounding.run(run_length);
        const text::Utf8Result result = text::decode_in_place(bytes);
        EXPECT_TRUE(result.ok());
        EXPECT_EQ(bytes, expected);
      }
    }
  }
}

TEST(Utf8DecodeTest, UnifiesManyLineEndsInALargeText) {
  std::string bytes;
  std::string expected;
  for (int line = 0; line < 20000; ++line) {
    const std::string words = "wiersz " + std::to_string(line) + " zażółć gęślą jaźń";
    const char* const ends[] = {"\r\n", "\r", "\n"};
    bytes += words + ends[line % 3];
    expected += words + "\n";
  }
  const text::Utf8Result result = text::decode_in_place(bytes);
  EXPECT_TRUE(result.ok());
  EXPECT_TRUE(bytes == expected) << "the unified text differs";
}

}  // namespace
