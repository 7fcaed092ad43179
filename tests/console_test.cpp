// Tests of console::LineReader: lines cut at LF, CR LF and a lone CR, fed by
// a source that hands out prepared chunks, so that every chunk boundary can
// be placed where it hurts.
#include "console/line_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

// Hands out the chunks one per call, as a terminal hands out what was typed;
// a chunk larger than the reader's buffer comes in several calls. After the
// last chunk it reports the end. Counts the calls.
class ScriptedSource {
 public:
  explicit ScriptedSource(std::vector<std::string> chunks) : chunks_(std::move(chunks)) {}

  console::LineReader::Source source() {
    return [this](char* buffer, std::size_t capacity) -> std::size_t {
      ++calls_;
      if (next_ == chunks_.size()) return 0;
      std::string& chunk = chunks_[next_];
      const std::size_t size = std::min(chunk.size(), capacity);
      std::memcpy(buffer, chunk.data(), size);
      chunk.erase(0, size);
      if (chunk.empty()) ++next_;
      return size;
    };
  }

  int calls() const { return calls_; }

 private:
  std::vector<std::string> chunks_;
  std::size_t next_ = 0;
  int calls_ = 0;
};

// All lines up to the end, read into one string as the program does.
std::vector<std::string> read_all(ScriptedSource& script) {
  const auto reader = std::make_unique<console::LineReader>(script.source());
  std::vector<std::string> lines;
  std::string line = "left over from before";
  while (reader->read_line(line)) {
    lines.push_back(line);
    if (lines.size() > 1000) {
      ADD_FAILURE() << "the reader never reports the end";
      break;
    }
  }
  EXPECT_TRUE(line.empty()) << "the last call left " << line;
  return lines;
}

std::string printable(const std::string& bytes) {
  std::string shown;
  for (const char byte : bytes) {
    if (byte == '\r') {
      shown += "\\r";
    } else if (byte == '\n') {
      shown += "\\n";
    } else {
      shown += byte;
    }
  }
  return shown;
}

struct LinesCase {
  std::string input;
  std::vector<std::string> lines;
};

const LinesCase lines_cases[] = {
    {"", {}},
    {"a\n", {"a"}},
    {"a\r\n", {"a"}},
    {"a\r", {"a"}},
    {"a\rb", {"a", "b"}},
    {"a\nb\n", {"a", "b"}},
    {"\n", {""}},
    {"\r", {""}},
    {"\r\n\r\n", {"", ""}},
    {"\n\r", {"", ""}},
    {"\r\r", {"", ""}},
    {"a\r\r\nb", {"a", "", "b"}},
    {"a\r\n\nb", {"a", "", "b"}},
    {"abc", {"abc"}},
    {"abc\ndef", {"abc", "def"}},
    {"  Ala ma kota \t\n", {"  Ala ma kota \t"}},
    {"\xFF\xFE\n", {"\xFF\xFE"}},
    {"\xC4\r\x85\n", {"\xC4", "\x85"}},  // bytes as they came, valid or not
    {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    {"zażółć\r\ngęślą\rjaźń", {"zażółć", "gęślą", "jaźń"}},
};

TEST(LineReaderTest, CutsLinesWhereverTheChunksEnd) {
  for (const LinesCase& test_case : lines_cases) {
    SCOPED_TRACE("input \"" + printable(test_case.input) + "\"");
    const std::string& input = test_case.input;
    {
      SCOPED_TRACE("one chunk");
      ScriptedSource script({input});
      EXPECT_EQ(read_all(script), test_case.lines);
    }
    for (std::size_t cut = 1; cut < input.size(); ++cut) {
      SCOPED_TRACE("two chunks, cut at " + std::to_string(cut));
      ScriptedSource script({input.substr(0, cut), input.substr(cut)});
      EXPECT_EQ(read_all(script), test_case.lines);
    }
    {
      SCOPED_TRACE("a chunk per byte");
      std::vector<std::string> bytes;
      for (const char byte : input) bytes.emplace_back(1, byte);
      ScriptedSource script(std::move(bytes));
      EXPECT_EQ(read_all(script), test_case.lines);
    }
  }
}

// At a prompt, the source blocks until the person types more: a line that
// is complete must come back without asking for more.
TEST(LineReaderTest, ReturnsACompleteLineWithoutAskingForMore) {
  struct Case {
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {{"a\r", "\nb\n"}, {"a", "b"}},
      {{"a\r", "\r\n"}, {"a", ""}},
      {{"a\n", "b\r"}, {"a", "b"}},
      {{"a\r\n", "b\r\n"}, {"a", "b"}},
      {{"\r", "\n", "\r"}, {"", ""}},
  };
  for (const Case& test_case : cases) {
    SCOPED_TRACE("first chunk \"" + printable(test_case.chunks.front()) + "\"");
    ScriptedSource script(test_case.chunks);
    const auto reader = std::make_unique<console::LineReader>(script.source());
    std::string line;
    ASSERT_TRUE(reader->read_line(line));
    EXPECT_EQ(line, test_case.lines[0]);
    EXPECT_EQ(script.calls(), 1) << "the source was asked again after a complete line";
    for (std::size_t k = 1; k < test_case.lines.size(); ++k) {
      ASSERT_TRUE(reader->read_line(line));
      EXPECT_EQ(line, test_case.lines[k]);
    }
    EXPECT_FALSE(reader->read_line(line));
  }
}

TEST(LineReaderTest, StaysAtTheEnd) {
  ScriptedSource script({"ostatni"});
  const auto reader = std::make_unique<console::LineReader>(script.source());
  std::string line;
  ASSERT_TRUE(reader->read_line(line));
  EXPECT_EQ(line, "ostatni");
  EXPECT_FALSE(reader->read_line(line));
  EXPECT_FALSE(reader->read_line(line));
  EXPECT_TRUE(line.empty());
}

TEST(LineReaderTest, ReadsALineMuchLongerThanItsBuffer) {
  std::string long_line;
  while (long_line.size() < 1024 * 1024) long_line += "zażółć gęślą jaźń " + std::to_string(long_line.size());
  // A CR LF just past a 64 KiB boundary as well, for the LF to be dropped there.
  const std::string filler(64 * 1024 - 1 - (long_line.size() + 2) % (64 * 1024), 'x');
  ScriptedSource script({long_line + "\r\n" + filler + "\r\nkoniec\n"});

  const std::vector<std::string> lines = read_all(script);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(lines[0] == long_line) << "the long line differs; its size is " << lines[0].size();
  EXPECT_EQ(lines[1], filler);
  EXPECT_EQ(lines[2], "koniec");
}

}  // namespace
