// Tests of the word list: text::split, iteration over text::WordList, and
// the bracketed form written by text::write_bracketed.
#include "text/word_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> entries_of(const text::WordList& list) {
  std::vector<std::string> entries;
  for (const std::string_view entry : list) entries.emplace_back(entry);
  return entries;
}

struct SplitCase {
  std::string text;
  std::vector<std::string> entries;
};

const SplitCase split_cases[] = {
    {"Ala ma kota", {"Ala", "ma", "kota"}},
    {"Ala", {"Ala"}},
    {"", {""}},
    {" ", {"", ""}},
    {"   ", {"", "", "", ""}},
    {" Ala", {"", "Ala"}},
    {"Ala ", {"Ala", ""}},
    {"Ala  ma", {"Ala", "", "ma"}},
    {" Ala  ma ", {"", "Ala", "", "ma", ""}},
    // Only U+0020 cuts: not a tab, a line feed or a no-break space.
    {"Ala\tma", {"Ala\tma"}},
    {"Ala\nma", {"Ala\nma"}},
    {"Ala\xC2\xA0ma", {"Ala\xC2\xA0ma"}},
    {"Ala\xE3\x80\x80ma", {"Ala\xE3\x80\x80ma"}},
    {"zażółć gęślą jaźń", {"zażółć", "gęślą", "jaźń"}},
    {std::string("a\0b c", 5), {std::string("a\0b", 3), "c"}},
};

TEST(SplitTest, CutsAtEverySpaceAndOnlyThere) {
  for (const SplitCase& test_case : split_cases) {
    SCOPED_TRACE("text \"" + test_case.text + "\"");
    EXPECT_EQ(entries_of(text::split(test_case.text)), test_case.entries);
  }
}

// Spaces are looked for 16 bytes at a time, and the last bytes of the text
// one by one: a space must cut wherever it stands.
TEST(SplitTest, CutsAtASpaceInAnyPlaceOfALongText) {
  constexpr std::size_t length = 150;
  for (std::size_t place = 0; place < length; ++place) {
    SCOPED_TRACE("space at " + std::to_string(place));
    std::string sentence(length, 'a');
    sentence[place] = ' ';
    EXPECT_EQ(entries_of(text::split(sentence)),
              (std::vector<std::string>{std::string(place, 'a'), std::string(length - 1 - place, 'a')}));
    if (place + 1 < length) {
      sentence[place + 1] = ' ';
      EXPECT_EQ(entries_of(text::split(sentence)),
                (std::vector<std::string>{std::string(place, 'a'), "", std::string(length - 2 - place, 'a')}));
    }
  }
}

TEST(SplitTest, AListOfNoTextHasOneEmptyEntry) {
  EXPECT_EQ(entries_of(text::WordList()), std::vector<std::string>{""});
  EXPECT_EQ(entries_of(text::split(std::string_view())), std::vector<std::string>{""});
}

TEST(SplitTest, EntriesViewTheTextTheyCameFrom) {
  const std::string sentence = "Ala ma kota";
  const text::WordList list = text::split(sentence);
  EXPECT_EQ(list.text().data(), sentence.data());
  auto entry = list.begin();
  EXPECT_EQ((*entry).data(), sentence.data());
  const auto before = entry++;
  EXPECT_EQ(*before, "Ala");
  EXPECT_EQ(*entry, "ma");
  EXPECT_EQ((*entry).data(), sentence.data() + 4);
  EXPECT_EQ(std::distance(list.begin(), list.end()), 3);
}

std::string bracketed(std::string_view sentence, int* sink_calls = nullptr) {
  std::string form;
  text::write_bracketed(text::split(sentence), [&form, sink_calls](std::string_view piece) {
    form += piece;
    if (sink_calls != nullptr) ++*sink_calls;
  });
  return form;
}

struct FormCase {
  const char* what;
  std::string text;
  std::string form;
};

const FormCase form_cases[] = {
    {"words", "Ala ma kota", "['Ala', 'ma', 'kota']"},
    {"empty text", "", "['']"},
    {"spaces only", "  ", "['', '', '']"},
    {"leading space", " Ala", "['', 'Ala']"},
    // Quoting: an apostrophe inside switches to quotation marks.
    {"apostrophe", "don't stop", "[\"don't\", 'stop']"},
    {"apostrophe alone", "'", "[\"'\"]"},
    {"backslash doubled", "a\\b", "['a\\\\b']"},
    {"apostrophe and backslash", "it's\\n", "[\"it's\\\\n\"]"},
    // With both quotes inside, apostrophes quote and the apostrophe is escaped.
    {"quotation marks only", "\"tak\"", "['\"tak\"']"},
    {"apostrophe, then quotation mark", "a'b\"c", "['a\\'b\"c']"},
    {"quotation mark, then apostrophes", "\"''", "['\"\\'\\'']"},
    {"both quotes and a backslash", "\\'\"", "['\\\\\\'\"']"},
    {"apostrophe and quotation mark", "\"don't\" it's", "['\"don\\'t\"', \"it's\"]"},
    {"apostrophes and quotation mark at the ends", "'\"'", "['\\'\"\\'']"},
    // ASCII controls.
    {"tab", "a\tb", "['a\\tb']"},
    {"SOH", "\x01", "['\\x01']"},
    {"escape", "\x1b[0m", "['\\x1b[0m']"},
    {"unit separator", "\x1f", "['\\x1f']"},
    {"DEL", "a\x7f", "['a\\x7f']"},
    {"NUL", std::string("a\0b", 3), "['a\\x00b']"},
    // Two-byte characters: the C1 controls and two Latin-1 ones are escaped.
    {"U+0080", "\xC2\x80", "['\\x80']"},
    {"U+0085 NEXT LINE", "\xC2\x85", "['\\x85']"},
    {"U+009F", "\xC2\x9F", "['\\x9f']"},
    {"U+00A0 NO-BREAK SPACE", "a\xC2\xA0" "b", "['a\\xa0b']"},
    {"U+00A1", "\xC2\xA1", "['\xC2\xA1']"},
    {"U+00AD SOFT HYPHEN", "\xC2\xAD", "['\\xad']"},
    {"U+00C0", "\xC3\x80", "['\xC3\x80']"},
    {"U+00FF", "ÿ", "['ÿ']"},
    {"U+0100", "Ā", "['Ā']"},
    {"U+017F", "\xC5\xBF", "['\xC5\xBF']"},
    {"U+0180", "\xC6\x80", "['\xC6\x80']"},
    {"U+0378 unassigned", "\xCD\xB8", "['\\u0378']"},
    {"U+07FF NKO TAMAN SIGN", "\xDF\xBF", "['\xDF\xBF']"},
    // Three-byte characters.
    {"U+200B ZERO WIDTH SPACE", "a\xE2\x80\x8B" "b", "['a\\u200bb']"},
    {"U+2028 LINE SEPARATOR", "\xE2\x80\xA8", "['\\u2028']"},
    {"U+3000 IDEOGRAPHIC SPACE", "\xE3\x80\x80", "['\\u3000']"},
    {"U+E000 private use", "\xEE\x80\x80", "['\\ue000']"},
    {"byte order mark", "\xEF\xBB\xBF" "Ala ma", "['\\ufeffAla', 'ma']"},
    {"U+FFFF", "\xEF\xBF\xBF", "['\\uffff']"},
    // Four-byte characters.
    {"U+10000 LINEAR B SYLLABLE B008 A", "\xF0\x90\x80\x80", "['\xF0\x90\x80\x80']"},
    {"U+E0001 LANGUAGE TAG", "\xF3\xA0\x80\x81", "['\\U000e0001']"},
    {"U+F0000 private use", "\xF3\xB0\x80\x80", "['\\U000f0000']"},
    {"U+10FFFF", "\xF4\x8F\xBF\xBF", "['\\U0010ffff']"},
    // Printable characters beyond ASCII stay as they are.
    {"Polish letters", "ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ", "['ąćęłńóśźż', 'ĄĆĘŁŃÓŚŹŻ']"},
    {"combining acute accent", "e\xCC\x81", "['e\xCC\x81']"},
    {"Hebrew", "שלום", "['שלום']"},
    {"CJK", "漢字", "['漢字']"},
    {"emoji", "\xF0\x9F\x98\x80!", "['\xF0\x9F\x98\x80!']"},
    {"printable, escaped and plain mixed", "ż\x01ź\xC2\xA0\\'", "[\"ż\\x01ź\\xa0\\\\'\"]"},
};

TEST(WriteBracketedTest, QuotesAndEscapesEachEntry) {
  for (const FormCase& test_case : form_cases) {
    SCOPED_TRACE(test_case.what);
    EXPECT_EQ(bracketed(test_case.text), test_case.form);
  }
}

TEST(WriteBracketedTest, ALongListComesInSeveralPiecesThatJoinUp) {
  std::string sentence;
  std::string form = "[";
  for (int number = 0; number < 20000; ++number) {
    const std::string word = "słowo" + std::to_string(number);
    if (number != 0) {
      sentence += ' ';
      form += ", ";
    }
    sentence += word;
    form += "'" + word + "'";
  }
  form += "]";
  ASSERT_GT(form.size(), 3 * 64 * 1024u);

  int sink_calls = 0;
  const std::string written = bracketed(sentence, &sink_calls);
  EXPECT_TRUE(written == form) << "the joined pieces differ";
  EXPECT_GT(sink_calls, 1);
}

TEST(WriteBracketedTest, AnEntryLongerThanTheBufferStaysWhole) {
  struct Case {
    const char* what;
    std::string repeated;
    std::string written;
  };
  const Case cases[] = {
      {"ASCII", "a", "a"},
      {"Polish letters", "żółć", "żółć"},
      {"tabs", "\t", "\\t"},
      {"zero width spaces", "\xE2\x80\x8B", "\\u200b"},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE(test_case.what);
    std::string entry;
    std::string expected;
    while (entry.size() < 70000) {
      entry += test_case.repeated;
      expected += test_case.written;
    }
    EXPECT_TRUE(bracketed(entry + " x") == "['" + expected + "', 'x']") << "the long entry differs";
  }
}

// The form is gathered in a 64 KiB buffer: an escape or a multi-byte
// character must come out whole where it meets the buffer's end.
TEST(WriteBracketedTest, PiecesAtTheBuffersEndComeOutWhole) {
  constexpr std::size_t buffer_size = 64 * 1024;
  const struct {
    std::string character;
    std::string written;
  } characters[] = {
      {"\xE2\x80\x8B", "\\u200b"},
      {"\xF3\xA0\x80\x81", "\\U000e0001"},
      {"ż", "ż"},
      {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
      {"'", "'"},
  };
  for (const auto& character : characters) {
    for (std::size_t before = buffer_size - 14; before <= buffer_size; ++before) {
      SCOPED_TRACE(character.written + " after " + std::to_string(before) + " bytes");
      // "['" + the padding fill the buffer up to `before` bytes.
      const std::string padding(before - 2, 'a');
      const std::string quote = character.character == "'" ? "\"" : "'";
      const std::string written = bracketed(padding + character.character + "b");
      EXPECT_TRUE(written == "[" + quote + padding + character.written + "b" + quote + "]")
          << "around the end: " << written.substr(before - 4, 20);
    }
  }
}

// Short words, each with a space after it, that fill exactly `length`
// bytes (the last ones may be empty), and how the list shows them.
struct Words {
  std::string text;
  std::string form;
};

Words words_filling(std::size_t length) {
  Words words;
  for (std::size_t k = 0; words.text.size() < length; ++k) {
    const std::size_t word_length = std::min<std::size_t>(1 + k % 5, length - words.text.size() - 1);
    const std::string word(word_length, static_cast<char>('a' + k % 26));
    words.text += word + " ";
    words.form += "'" + word + "', ";
  }
  return words;
}

struct Entry {
  const char* what;
  std::string entry;
  std::string form;
};

// Entries of each kind the list writes: the plain ones go the quick way,
// which copies up to 16 bytes at once; flagged bytes are checked, and the
// entry goes the careful way when one of them is not printable.
const Entry entries_of_each_kind[] = {
    {"one letter", "a", "'a'"},
    {"empty", "", "''"},
    {"15 bytes", "zażółćgęś", "'zażółćgęś'"},
    {"16 bytes", "zażółćgęśl", "'zażółćgęśl'"},
    {"17 bytes", "zażółćgęślj", "'zażółćgęślj'"},
    {"printable punctuation", "„tak”…", "'„tak”…'"},
    {"dash and letters", "a–ż", "'a–ż'"},
    {"zero width space", "a\xE2\x80\x8B" "b", "'a\\u200bb'"},
    {"no-break space", "a\xC2\xA0" "b", "'a\\xa0b'"},
    {"apostrophe", "it's", "\"it's\""},
    {"backslash", "a\\b", "'a\\\\b'"},
    {"tab between letters", "ż\tź", "'ż\\tź'"},
    {"quotation mark", "\"tak\"", "'\"tak\"'"},
    {"long, printable quotes at both ends", "„" + std::string(70, 'x') + "”", "'„" + std::string(70, 'x') + "”'"},
    {"long, zero width space first", "\xE2\x80\x8B" + std::string(70, 'x'), "'\\u200b" + std::string(70, 'x') + "'"},
    {"long, apostrophe first", "'" + std::string(70, 'x'), "\"'" + std::string(70, 'x') + "\""},
    {"long, zero width space last", std::string(70, 'x') + "\xE2\x80\x8B", "'" + std::string(70, 'x') + "\\u200b'"},
};

// The list is looked at 64 bytes at a time, and its last bytes one by one:
// every kind of entry must come out right wherever it starts and ends.
TEST(WriteBracketedTest, EachKindOfEntryAtEveryPlaceOfALongText) {
  const Words after = words_filling(100);
  for (const Entry& entry : entries_of_each_kind) {
    for (std::size_t place = 0; place <= 150; ++place) {
      SCOPED_TRACE(std::string(entry.what) + " at " + std::to_string(place));
      const Words before = words_filling(place);
      const std::string written = bracketed(before.text + entry.entry + " " + after.text + "koniec");
      EXPECT_EQ(written, "[" + before.form + entry.form + ", " + after.form + "'koniec']");
      // The same entry last, with its end at the end of the text.
      EXPECT_EQ(bracketed(before.text + entry.entry), "[" + before.form + entry.form + "]");
    }
  }
}

// With a small buffer, its end falls at every place of every kind of
// entry, quick and careful ones alike.
TEST(WriteBracketedTest, PiecesOfAnySmallBufferJoinUp) {
  std::string sentence;
  std::string form = "[";
  for (int round = 0; round < 6; ++round) {
    for (const Entry& entry : entries_of_each_kind) {
      sentence += entry.entry + " ";
      form += entry.form + ", ";
    }
  }
  sentence += "koniec";
  form += "'koniec']";
  for (std::size_t buffer_size = 64; buffer_size <= 100; ++buffer_size) {
    SCOPED_TRACE("buffer of " + std::to_string(buffer_size) + " bytes");
    std::string written;
    text::write_bracketed(text::split(sentence), [&written](std::string_view piece) { written += piece; }, buffer_size);
    EXPECT_EQ(written, form);
  }
}

struct CountCase {
  std::string text;
  std::string word;
  std::uint64_t count;
};

const CountCase count_cases[] = {
    {"Ala ma kota Ala", "Ala", 2},
    {"Ala ma kota Ala", "ala", 0},
    {"Ala ma kota Ala", "Al", 0},
    {"Ala ma kota Ala", "Ala ", 0},
    {"Ala ma kota Ala", "Ala ma", 0},
    {"sięga się nasię się się", "się", 3},
    {"", "", 1},
    {"", "a", 0},
    {" ", "", 2},
    {"Ala  ma ", "", 2},
    {"Ala", "", 0},
    {std::string("a\0b a", 5), std::string("a\0b", 3), 1},
    {std::string("a\0b a", 5), "a", 1},
};

TEST(CountEqualTest, CountsEntriesEqualToTheWordByteForByte) {
  for (const CountCase& test_case : count_cases) {
    SCOPED_TRACE("\"" + test_case.word + "\" in \"" + test_case.text + "\"");
    EXPECT_EQ(text::count_equal(text::split(test_case.text), test_case.word), test_case.count);
  }
}

// Entries of the word's length are found 64 positions at a time from the
// spaces around them; the word, and entries that nearly are the word, must
// be judged right wherever they stand.
TEST(CountEqualTest, FindsTheWordAtEveryPlaceOfALongText) {
  // None of them is among the filling words, which are lower-case ASCII.
  // Of 1, 4, 15, 16, 17 and 31 bytes.
  const std::string words[] = {"Q", "się", "zażółćgęś", "zażółćgęśl", "zażółćgęślj", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"};
  const Words after = words_filling(200);
  for (const std::string& word : words) {
    // Same length but one byte different, one byte longer at either end,
    // one byte shorter (but not empty: the filling has empty entries).
    std::string changed = word;
    changed.back() = 'X';
    std::vector<std::string> near_misses = {changed, word + "x", "x" + word};
    if (word.size() > 1) near_misses.push_back(word.substr(0, word.size() - 1));
    for (std::size_t place = 0; place <= 150; ++place) {
      SCOPED_TRACE("\"" + word + "\" at " + std::to_string(place));
      const std::string before = words_filling(place).text;
      EXPECT_EQ(text::count_equal(text::split(before + word + " " + after.text + "koniec"), word), 1U);
      EXPECT_EQ(text::count_equal(text::split(before + word), word), 1U);
      EXPECT_EQ(text::count_equal(text::split(before + word + " " + word), word), 2U);
      for (const std::string& near_miss : near_misses) {
        EXPECT_EQ(text::count_equal(text::split(before + near_miss + " " + after.text + near_miss), word), 0U)
            << "near miss \"" << near_miss << "\"";
      }
    }
  }
}

TEST(CountEqualTest, CountsEveryEntryOfARunOfTheWord) {
  for (const std::string word : {"Q", "się", "zażółćgęśl"}) {
    for (std::size_t count = 1; count <= 60; ++count) {
      SCOPED_TRACE("\"" + word + "\" " + std::to_string(count) + " times");
      std::string sentence = word;
      for (std::size_t k = 1; k < count; ++k) sentence += " " + word;
      EXPECT_EQ(text::count_equal(text::split(sentence), word), count);
      EXPECT_EQ(text::count_equal(text::split(sentence), ""), 0U);
      EXPECT_EQ(text::count_equal(text::split(" " + sentence + "  "), ""), 3U);
    }
  }
}

}  // namespace
