// Tests of files::extension_of and files::guess_type: which names the
// dialogue takes for text files.
#include "files/content_type.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

namespace {

std::string printable(std::string_view name) {
  std::string shown;
  for (const char character : name) {
    if (character == '\0') {
      shown += "\\0";
    } else {
      shown += character;
    }
  }
  return "\"" + shown + "\"";
}

struct ExtensionCase {
  std::string path;
  std::string_view extension;
};

const ExtensionCase extension_cases[] = {
    {"x.txt", "txt"},
    {"X.TXT", "TXT"},  // as written: lower case is the lookup's business
    {"a.b.txt", "txt"},
    {"notatki.txt.gz", "gz"},
    {"x..txt", "txt"},
    {"dane", ""},
    {"", ""},
    {".txt", ""},   // leading dots belong to the name
    {"..txt", ""},
    {"...", ""},
    {".", ""},
    {"..", ""},
    {".bashrc.txt", "txt"},
    {"x.", ""},  // a name that ends in a dot has no extension
    {"a.b.", ""},
    {"dir.txt/plik", ""},  // only the last path component counts
    {"dir.png/notatki.txt", "txt"},
    {"dir.txt/", ""},
    {"/", ""},
    {"./x.txt", "txt"},
    {"../notatki", ""},
    {"dir/.txt", ""},
    {"/home/ala/dokumenty/list.do.mamy.md", "md"},
#if !defined(_WIN32)
    {"dir.d\\plik", "d\\plik"},  // a backslash is part of a POSIX name
#else
    // On Windows a backslash separates too, next to drive letters.
    {"dir.d\\plik", ""},
    {"dir.txt\\", ""},
    {"dir.png\\notatki.txt", "txt"},
    {"C:\\Users\\ala\\list.do.mamy.md", "md"},
    {"C:\\dane.d/zapiski\\x", ""},
    {"D:/teksty.old\\.txt", ""},
#endif
};

TEST(ExtensionOfTest, IsWhatFollowsTheLastDotOfTheLastComponent) {
  for (const ExtensionCase& test_case : extension_cases) {
    SCOPED_TRACE(printable(test_case.path));
    EXPECT_EQ(files::extension_of(test_case.path), test_case.extension);
  }
}

struct TypeCase {
  std::string path;
  std::optional<std::string_view> type;
};

// The answers come from the built-in table, so they hold on any machine.
const TypeCase type_cases[] = {
    // Text, whatever the case of the extension.
    {"x.txt", "text/plain"},
    {"X.TXT", "text/plain"},
    {"a.TxT", "text/plain"},
    {"notatki.Txt", "text/plain"},
    {"a.b.txt", "text/plain"},
    {"dir.png/notatki.txt", "text/plain"},
    {"/tmp/a.d/x.text", "text/plain"},
    {"napisy.srt", "text/plain"},
    {"x.csv", "text/csv"},
    {"X.CSV", "text/csv"},
    {"x.tsv", "text/tab-separated-values"},
    {"x.html", "text/html"},
    {"x.HTM", "text/html"},
    {"strona.shtml", "text/html"},
    {"x.css", "text/css"},
    {"x.js", "text/javascript"},
    {"x.md", "text/markdown"},
    {"main.cpp", "text/x-c++src"},
    {"x.h", "text/x-chdr"},
    {"skrypt.py", "text/x-python"},
    // Not text, although some of them hold readable characters.
    {"x.json", "application/json"},
    {"X.JSON", "application/json"},
    {"x.yaml", "application/yaml"},
    {"x.rtf", "application/rtf"},
    {"x.svg", "image/svg+xml"},
    {"x.png", "image/png"},
    {"x.PNG", "image/png"},
    {"x.jpeg", "image/jpeg"},
    {"x.pdf", "application/pdf"},
    {"x.gz", "application/gzip"},
    {"notatki.txt.gz", "application/gzip"},
    {"x.docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"x.mp3", "audio/mpeg"},
    // No extension, or one nobody knows.
    {"dane", std::nullopt},
    {"", std::nullopt},
    {".txt", std::nullopt},
    {"..txt", std::nullopt},
    {"x.", std::nullopt},
    {"dir.txt/plik", std::nullopt},
    {"dir.txt/", std::nullopt},
    {"x.unknownext123", std::nullopt},
    {"x.txt2", std::nullopt},
    {"x.tx", std::nullopt},
    // Only the text of the name matters, NUL bytes or not.
    {std::string("x\0.txt", 6), "text/plain"},
    {std::string("x.t\0xt", 6), std::nullopt},
    {std::string("x.txt\0", 6), std::nullopt},
#if defined(_WIN32)
    {"C:\\Dokumenty\\NOTATKI.TXT", "text/plain"},
    {"dir.txt\\plik", std::nullopt},
    {"dane.csv\\obraz.png", "image/png"},
#endif
};

TEST(GuessTypeTest, FollowsTheExtensionOfTheName) {
  for (const TypeCase& test_case : type_cases) {
    SCOPED_TRACE(printable(test_case.path));
    EXPECT_EQ(files::guess_type(test_case.path), test_case.type);
  }
}

// Every letter case of an extension gets the same answer, also for those
// that the platform's table lists in capitals only (CQL and VFK in common
// mime.types files), whether or not this machine's table has them.
TEST(GuessTypeTest, GivesEveryLetterCaseOfAnExtensionTheSameAnswer) {
  for (const std::string extension : {"cql", "vfk", "txt", "json", "md"}) {
    const std::optional<std::string_view> lower = files::guess_type("dane." + extension);
    for (unsigned capitals = 1; capitals < (1U << extension.size()); ++capitals) {
      std::string cased = extension;
      for (std::size_t position = 0; position < cased.size(); ++position) {
        if ((capitals >> position & 1U) != 0) cased[position] = static_cast<char>(cased[position] - 'a' + 'A');
      }
      SCOPED_TRACE(cased);
      EXPECT_EQ(files::guess_type("dane." + cased), lower);
    }
  }
}

}  // namespace
