// End-to-end tests: whole dialogues with the real program, each in a fresh
// folder with its fixture files. The expected outputs are composed from the
// dialogue's texts in dialogue_texts.h, written out by hand, never taken
// from a run. With --line-ends=crlf, each line feed of the expected
// standard output is expected as CR LF, which is how the Windows build
// writes a line end to a file or pipe; nothing else about the cases changes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "e2e/dialogue_texts.h"
#include "e2e/program_run.h"
#include "e2e/test_main.h"

namespace {

// The expected standard output as the program under test writes it.
std::string with_platform_line_ends(const std::string& text) {
  if (!e2e::line_ends_are_crlf()) return text;
  std::string converted;
  for (const char character : text) {
    if (character == '\n') converted += '\r';
    converted += character;
  }
  return converted;
}


struct Fixture {
  std::string name;
  std::string content;
  bool is_folder = false;
};

enum class Ending { normal, failure };

struct DialogueCase {
  std::string name;
  std::vector<Fixture> fixtures;
  std::string typed;     // everything on standard input
  std::string expected;  // everything on standard output
  Ending ending = Ending::normal;
  std::string diagnostic_mentions;  // a text the diagnostic must hold, if any
  std::vector<std::string> arguments;
};

void create_fixture(const std::string& folder, const Fixture& fixture) {
  const std::string path = folder + "/" + fixture.name;
  if (fixture.is_folder) {
    ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path;
    return;
  }
  std::ofstream file(path, std::ios::binary);
  file << fixture.content;
  ASSERT_TRUE(file) << path;
}

class Dialogue : public testing::TestWithParam<DialogueCase> {};

TEST_P(Dialogue, WholeOutputAndStatus) {
  const DialogueCase& dialogue = GetParam();
  const std::string folder = e2e::make_temporary_folder();
  for (const Fixture& fixture : dialogue.fixtures) create_fixture(folder, fixture);

  std::vector<std::string> command = e2e::program_command();
  command.insert(command.end(), dialogue.arguments.begin(), dialogue.arguments.end());
  const e2e::RunResult result = e2e::run_program(command, {folder, dialogue.typed});
  e2e::remove_folder(folder);

  ASSERT_FALSE(result.timed_out);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.out, with_platform_line_ends(dialogue.expected));
  if (dialogue.ending == Ending::normal) {
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
  } else {
    EXPECT_EQ(result.exit_status, 1);
    expect_diagnostic(result.err, {dialogue.diagnostic_mentions});
  }
}

const std::string ala_text = "Ala ma kota, a kot ma Ale.\nAla (nie) ma psa?\n";
const std::string ala_cleaned = "Ala ma kota a kot ma AleAla nie ma psa";
const std::string ala_list = "['Ala', 'ma', 'kota', 'a', 'kot', 'ma', 'AleAla', 'nie', 'ma', 'psa']";

std::vector<DialogueCase> file_selection_cases() {
  return {
      {"GoodFileAtFirstAttempt", {{"notatki.txt", ala_text}}, "notatki.txt\nma\n\n",
       say::from_file_to_end(ala_cleaned, ala_list, "ma", "3")},
      {"UpperCaseExtension", {{"NOTATKI.TXT", "Tak\n"}}, "NOTATKI.TXT\nTak\n\n",
       say::from_file_to_end("Tak", "['Tak']", "Tak", "1")},
      {"PolishLettersInTheName", {{"Źdźbło trawy.txt", "trawa"}}, "Źdźbło trawy.txt\ntrawa\n\n",
       say::from_file_to_end("trawa", "['trawa']", "trawa", "1")},
      {"OtherTextualType", {{"dane.csv", "a;b\n1;2\n"}}, "dane.csv\na;b1;2\n\n",
       say::from_file_to_end("a;b1;2", "['a;b1;2']", "a;b1;2", "1")},
      {"ArgumentsAreIgnored", {{"notatki.txt", "Ala"}}, "notatki.txt\nAla\n\n",
       say::from_file_to_end("Ala", "['Ala']", "Ala", "1"), Ending::normal, "", {"inny.txt", "--help"}},
      {"ThreeBadNamesThenGiveUp",
       {{"zdjecie.png", "x"}, {"dane", "x"}},
       "brak.txt\nzdjecie.png\ndane\n\n",
       say::rejected_name() + say::rejected_name() + say::rejected_name() + say::give_up},
      {"UndecodableFile", {{"stary.txt", "\xff"}}, "stary.txt\nstary.txt\nstary.txt\n\n",
       say::rejected_content() + say::rejected_content() + say::rejected_content() + say::give_up},
      {"TwoFailuresThenGoodFile",
       {{"stary.txt", "za\xc5"}, {"notatki.txt", "kot pies kot"}},
       "brak.txt\nstary.txt\nnotatki.txt\nkot\n\n",
       say::rejected_name() + say::rejected_content() +
           say::from_file_to_end("kot pies kot", "['kot', 'pies', 'kot']", "kot", "2")},
      {"NameUsedAsTypedWithSpaces", {{"notatki.txt", "x"}}, " notatki.txt\nnotatki.txt \nnotatki.txt\nx\n\n",
       say::rejected_name() + say::rejected_name() + say::from_file_to_end("x", "['x']", "x", "1")},
      {"EmptyNameIsRejected", {}, "\n\n\n\n", say::rejected_name() + say::rejected_name() + say::rejected_name() + say::give_up},
      {"ByteOrderMarkAndCrLf", {{"bom.txt", "\xef\xbb\xbf" "Ala ma\r\nkota\rnie"}}, "bom.txt\nAla\n\n",
       say::from_file_to_end("\xef\xbb\xbf" "Ala makotanie", "['\\ufeffAla', 'makotanie']", "Ala", "0")},
      {"EndOfInputAtFirstPrompt", {}, "", say::file_prompt, Ending::failure},
      {"EndOfInputAtGiveUpPrompt", {}, "a\nb\nc\n",
       say::rejected_name() + say::rejected_name() + say::rejected_name() + say::give_up, Ending::failure},
      {"FolderNamedLikeTextFile", {{"katalog.txt", "", true}}, "katalog.txt\n", say::file_prompt, Ending::failure,
       "katalog.txt"},
      {"LineEndsTypedAsCrLfAndCr", {{"notatki.txt", "kot"}}, "notatki.txt\r\nkot\r\r\n",
       say::from_file_to_end("kot", "['kot']", "kot", "1")},
      {"LastLineWithoutLineEnd", {{"notatki.txt", "kot"}}, "notatki.txt\nkot\nkoniec",
       say::from_file_to_end("kot", "['kot']", "kot", "1")},
  };
}

// A text long enough for the deletion to go 64 bytes at a time, which it
// does by moving the runs between deleted bytes once 64 or more have been
// deleted, and byte by byte before. The text has no CR, so its windows of
// 64 bytes start at multiples of 64 in the file, where the pieces below are
// placed: a window with nothing to delete after one deleted byte, runs of
// one byte when 61 are deleted, then pieces with few, many and only
// characters to delete, at ever other places of the windows.
DialogueCase long_text_deletions() {
  struct Text {
    std::string raw;
    std::string cleaned;
    std::string listed;
  };
  // Letters that differ from their neighbours, so that a byte out of place
  // shows.
  const auto letters = [](std::size_t count) {
    std::string word;
    for (std::size_t k = 0; k < count; ++k) word += static_cast<char>('a' + k % 26);
    return word;
  };
  const std::string long_word = letters(150);
  const Text pieces[] = {
      {"Ala, ma kota. ", "Ala ma kota ", "'Ala', 'ma', 'kota', "},
      {"(nawias) ", "nawias ", "'nawias', "},
      {"\"cytat\": ", "cytat ", "'cytat', "},
      {"czy? tak: ", "czy tak ", "'czy', 'tak', "},
      {"wiersz\n ", "wiersz ", "'wiersz', "},
      {std::string(70, '.'), "", ""},
      {",\"?:()\n.", "", ""},
      {long_word + " ", long_word + " ", std::string("'").append(long_word).append("', ")},
      {"żółć,gęś(lą)jaźń ", "żółćgęśląjaźń ", "'żółćgęśląjaźń', "},
  };
  Text text{"", "", "["};
  const auto add_word = [&text](const std::string& raw, const std::string& cleaned) {
    text.raw += raw + " ";
    text.cleaned += cleaned + " ";
    text.listed += std::string("'").append(cleaned).append("', ");
  };
  // Bytes 0..127: nothing to delete. Then one deleted byte, and windows
  // with nothing to delete, whose bytes must move down all the same.
  add_word(letters(127), letters(127));
  add_word("a,b", "ab");
  add_word(long_word, long_word);
  // Up to the next window, then 60 deleted bytes, so that 61 are deleted
  // when the runs of one byte start.
  const std::size_t filling = 63 - text.raw.size() % 64;
  add_word(letters(filling), letters(filling));
  add_word(std::string(60, '.') + "abc", "abc");
  std::string short_runs;
  std::string short_runs_cleaned;
  for (std::size_t k = 0; k < 60; ++k) {
    short_runs += ',';
    short_runs += letters(k % 26 + 1).back();
    short_runs_cleaned += letters(k % 26 + 1).back();
  }
  const char* const polish_letters[] = {"ą", "ć", "ę", "ł", "ń", "ó", "ś", "ź", "ż"};
  for (std::size_t k = 0; k < 40; ++k) {
    short_runs += polish_letters[k % std::size(polish_letters)];
    short_runs += '.';
    short_runs_cleaned += polish_letters[k % std::size(polish_letters)];
  }
  add_word(short_runs, short_runs_cleaned);
  int cats = 0;
  for (std::size_t round = 0; round < 40; ++round) {
    const Text& piece = pieces[(round * 5) % std::size(pieces)];
    text.raw += piece.raw;
    text.cleaned += piece.cleaned;
    text.listed += piece.listed;
    if (&piece == &pieces[0]) ++cats;
  }
  text.raw += "koniec";
  text.cleaned += "koniec";
  text.listed += "'koniec']";
  return {"LongTextWithDeletionsEverywhere", {{"dlugi.txt", text.raw}}, "dlugi.txt\nkota\n\n",
          say::from_file_to_end(text.cleaned, text.listed, "kota", std::to_string(cats))};
}

std::vector<DialogueCase> cleaning_cases() {
  return {
      long_text_deletions(),
      {"AllEightCharactersDeletedOthersKept",
       {{"znaki.txt", "a,b\"c.d?e:f\ng(h)i !j;k-l\tm\xe2\x80\x94n'o\xc2\xa0p"}},
       "znaki.txt\nx\n\n",
       say::from_file_to_end("abcdefghi !j;k-l\tm\xe2\x80\x94n'o\xc2\xa0p", "['abcdefghi', \"!j;k-l\\tm\xe2\x80\x94n'o\\xa0p\"]",
                             "x", "0")},
      {"EmptyEntriesFromSpaces", {{"spacje.txt", " Ala  ma "}}, "spacje.txt\nma\n\n",
       say::from_file_to_end(" Ala  ma ", "['', 'Ala', '', 'ma', '']", "ma", "1")},
      {"BackslashAndApostrophe", {{"znaki.txt", "a\\b don't it's\\"}}, "znaki.txt\na\\b\n\n",
       say::from_file_to_end("a\\b don't it's\\", "['a\\\\b', \"don't\", \"it's\\\\\"]", "a\\b", "1")},
      {"NonPrintableEscapes",
       {{"ukryte.txt", "\x01\x7f \xc2\x85\xc2\xad \xe2\x80\x8b\xe3\x80\x80 \xf3\xa0\x80\x81 \xc4\x85\xd7\x90\xe4\xb8\xad\xf0\x9f\x98\x80"}},
       "ukryte.txt\n\n\n",
       say::from_file_to_end(
           "\x01\x7f \xc2\x85\xc2\xad \xe2\x80\x8b\xe3\x80\x80 \xf3\xa0\x80\x81 \xc4\x85\xd7\x90\xe4\xb8\xad\xf0\x9f\x98\x80",
           "['\\x01\\x7f', '\\x85\\xad', '\\u200b\\u3000', '\\U000e0001', '\xc4\x85\xd7\x90\xe4\xb8\xad\xf0\x9f\x98\x80']", "",
           "0")},
  };
}

std::vector<DialogueCase> search_cases() {
  const Fixture ala{"ala.txt", "Ala ma kota Ala"};
  const std::string ala_cleaned_list = "['Ala', 'ma', 'kota', 'Ala']";
  const auto ala_search = [&](const std::string& word, const std::string& count) {
    return say::from_file_to_end("Ala ma kota Ala", ala_cleaned_list, word, count);
  };
  return {
      {"WordFoundTwice", {ala}, "ala.txt\nAla\n\n", ala_search("Ala", "2")},
      {"LetterCaseCounts", {ala}, "ala.txt\nala\n\n", ala_search("ala", "0")},
      {"TypedPunctuationStays", {ala}, "ala.txt\nkota.\n\n", ala_search("kota.", "0")},
      {"TypedTrailingSpaceStays", {ala}, "ala.txt\nAla \n\n", ala_search("Ala ", "0")},
      {"EmptyWordMatchesEmptyEntry", {{"puste.txt", "Ala  ma"}}, "puste.txt\n\n\n",
       say::from_file_to_end("Ala  ma", "['Ala', '', 'ma']", "", "1")},
      {"EmptyWordInEmptyFile", {{"pusty.txt", ""}}, "pusty.txt\n\n\n", say::from_file_to_end("", "['']", "", "1")},
      {"ComposedWordDoesNotMatchDecomposed",
       {{"nfd.txt", "za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 zaz\xcc\x87o\xcc\x81\xc5\x82" "c\xcc\x81"}},
       "nfd.txt\nza\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87\n\n",
       say::from_file_to_end("za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87 zaz\xcc\x87o\xcc\x81\xc5\x82" "c\xcc\x81",
                             "['za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87', 'zaz\xcc\x87o\xcc\x81\xc5\x82" "c\xcc\x81']",
                             "za\xc5\xbc\xc3\xb3\xc5\x82\xc4\x87", "1")},
      {"TypedInvalidUtf8IsEchoedAndMatchesNothing", {ala}, "ala.txt\n\xff\xfe\n\n", ala_search("\xff\xfe", "0")},
      // Byte 0x1A (Ctrl+Z) is an end of input only to a console, and of a
      // file to nobody.
      {"ControlZTypedAndInTheFile", {{"z.txt", "Ala\x1a ma \x1a"}}, "z.txt\n\x1a\n\n",
       say::from_file_to_end("Ala\x1a ma \x1a", "['Ala\\x1a', 'ma', '\\x1a']", "\x1a", "1")},
      {"EndOfInputAtSearchPrompt", {ala}, "ala.txt\n",
       say::file_prompt + say::cleaned_text("Ala ma kota Ala") + say::word_list(ala_cleaned_list) + say::search_prompt,
       Ending::failure},
      {"EndOfInputAtFinalPrompt", {ala}, "ala.txt\nAla\n",
       say::from_file_to_end("Ala ma kota Ala", ala_cleaned_list, "Ala", "2"), Ending::failure},
  };
}

std::string case_name(const testing::TestParamInfo<DialogueCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(FileSelection, Dialogue, testing::ValuesIn(file_selection_cases()), case_name);
INSTANTIATE_TEST_SUITE_P(Cleaning, Dialogue, testing::ValuesIn(cleaning_cases()), case_name);
INSTANTIATE_TEST_SUITE_P(Search, Dialogue, testing::ValuesIn(search_cases()), case_name);

}  // namespace
