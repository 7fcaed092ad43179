// Fault tests: the real program under bad input and a hostile environment
// (the end of input at each prompt, Ctrl+C, standard output that refuses
// writes, files that cannot be read, huge and odd names). Each run must end
// with a status and a one-line diagnostic, never a hang or a signal death.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/dialogue_texts.h"
#include "e2e/program_run.h"
#include "e2e/test_main.h"

namespace {

void expect_failure_status(const e2e::RunResult& result) {
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_status, 1);
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A text of about `size` bytes of short words, punctuation and line ends.
std::string large_text(std::size_t size) {
  const std::string piece = "Ala ma kota, a kot ma Alę.\n";
  std::string text;
  text.reserve(size + piece.size());
  while (text.size() < size) text += piece;
  return text;
}

// Each case runs in a fresh folder of its own.
class Fault : public testing::Test {
 protected:
  void SetUp() override { folder_ = e2e::make_temporary_folder(); }
  void TearDown() override { e2e::remove_folder(folder_); }

  std::string path(const std::string& name) const { return folder_ + "/" + name; }

  void write(const std::string& name, const std::string& content) const {
    std::ofstream file(path(name), std::ios::binary);
    file << content;
    ASSERT_TRUE(file) << name;
  }

  e2e::SessionOptions options(e2e::OutputTo output = e2e::OutputTo::captured) const {
    e2e::SessionOptions session;
    session.folder = folder_;
    session.output = output;
    return session;
  }

  e2e::SessionOptions terminal() const {
    e2e::SessionOptions session = options();
    session.terminal = true;
    return session;
  }

  std::string folder_;
};

// The prompts of the dialogue, and what is typed before each appears.
struct PromptCase {
  std::string name;
  std::string typed;
  std::string prompt;
};

void PrintTo(const PromptCase& row, std::ostream* out) { *out << row.name; }

const PromptCase prompt_cases[] = {
    {"FileName", "", say::file_prompt},
    {"GiveUp", "a\nb\nc\n", say::give_up},
    {"Search", "notatki.txt\n", say::search_prompt},
    {"Final", "notatki.txt\nkot\n", say::final_prompt},
};

std::string prompt_name(const testing::TestParamInfo<PromptCase>& info) { return info.param.name; }

class AtPrompt : public Fault, public testing::WithParamInterface<PromptCase> {
 protected:
  // Starts the program and brings it to the case's prompt.
  void reach_prompt(e2e::Session& session) {
    ASSERT_TRUE(session.type(GetParam().typed));
    ASSERT_TRUE(session.wait_for_output(GetParam().prompt));
  }
  void SetUp() override {
    Fault::SetUp();
    write("notatki.txt", "kot pies kot");
  }
};

// Standard input is a pipe that stays open while the program waits, as when
// another program feeds it, and ends only then.
TEST_P(AtPrompt, EndOfInputEndsTheRunWithADiagnostic) {
  e2e::Session session(e2e::program_command(), options());
  reach_prompt(session);
  session.end_input();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_TRUE(ends_with(result.out, GetParam().prompt)) << "nothing may follow the prompt";
  expect_diagnostic(result.err, {"standardowe wejście"});
}

TEST_P(AtPrompt, InterruptEndsTheRunWithStatusOne) {
  e2e::Session session(e2e::program_command(), options());
  reach_prompt(session);
  session.interrupt();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  // Not a terminal: no colour reset on standard output.
  EXPECT_TRUE(ends_with(result.out, GetParam().prompt));
  EXPECT_EQ(result.err, say::interrupted);
}

INSTANTIATE_TEST_SUITE_P(Each, AtPrompt, testing::ValuesIn(prompt_cases), prompt_name);

// On a terminal, the keys themselves: Ctrl+C and Ctrl+D. Standard error is
// the same terminal, so the order shows: the colour reset, then the
// diagnostic on a line of its own.
struct KeyCase {
  std::string name;
  std::string typed;
  std::string prompt;
  std::string key;
  std::string diagnostic_mentions;
};

void PrintTo(const KeyCase& row, std::ostream* out) { *out << row.name; }

const KeyCase key_cases[] = {
    {"CtrlCAtFileName", "", say::file_prompt, "\x03", "przerwano (Ctrl+C)"},
    {"CtrlCAtSearch", "notatki.txt\n", say::search_prompt, "\x03", "przerwano (Ctrl+C)"},
    {"CtrlDAtFileName", "", say::file_prompt, "\x04", "standardowe wejście"},
    {"CtrlDAtFinal", "notatki.txt\nkot\n", say::final_prompt, "\x04", "standardowe wejście"},
};

class OnTerminal : public Fault, public testing::WithParamInterface<KeyCase> {};

TEST_P(OnTerminal, KeyEndsTheRunWithTheColoursReset) {
  const KeyCase& key = GetParam();
  write("notatki.txt", "kot pies kot");
  e2e::Session session(e2e::program_command(), terminal());
  ASSERT_TRUE(session.wait_for_output(say::file_prompt));
  ASSERT_TRUE(session.type(key.typed));
  ASSERT_TRUE(session.wait_for_output(key.prompt));
  ASSERT_TRUE(session.type(key.key));
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);

  const std::size_t prompt_end = result.out.rfind(key.prompt) + key.prompt.size();
  ASSERT_NE(result.out.rfind(key.prompt), std::string::npos) << result.out;
  const std::string after_prompt = result.out.substr(prompt_end);
  EXPECT_EQ(after_prompt.rfind(say::colour_reset + "\nlicznik-wyrazow: ", 0), 0U) << after_prompt;
  expect_diagnostic(after_prompt.substr(say::colour_reset.size() + 1), {key.diagnostic_mentions});
}

std::string key_name(const testing::TestParamInfo<KeyCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Keys, OnTerminal, testing::ValuesIn(key_cases), key_name);

// Writes a FIFO's content from a thread of its own, as another program
// would: it opens the FIFO once the program has opened it for reading,
// writes the pieces with pauses between them, and closes it, unless told to
// keep it open until it is dropped.
class FifoWriter {
 public:
  FifoWriter(const std::string& path, std::vector<std::string> pieces, bool keep_open)
      : thread_([this, path, pieces = std::move(pieces), keep_open] { run(path, pieces, keep_open); }) {}
  ~FifoWriter() {
    stop_ = true;
    thread_.join();
  }
  FifoWriter(const FifoWriter&) = delete;
  FifoWriter& operator=(const FifoWriter&) = delete;

  bool wait_until_written(std::chrono::seconds limit) const {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!written_ && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return written_;
  }

 private:
  void run(const std::string& path, const std::vector<std::string>& pieces, bool keep_open) {
    int fifo = -1;
    // Without a reader, a non-blocking open fails with ENXIO: wait for one.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!stop_ && std::chrono::steady_clock::now() < deadline) {
      fifo = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fifo >= 0 || errno != ENXIO) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (fifo < 0) return;
    ::fcntl(fifo, F_SETFL, 0);
    for (const std::string& piece : pieces) {
      if (::write(fifo, piece.data(), piece.size()) != static_cast<ssize_t>(piece.size())) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    written_ = true;
    while (keep_open && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(fifo);
  }

  std::atomic<bool> stop_{false};
  std::atomic<bool> written_{false};
  std::thread thread_;
};

TEST_F(Fault, FifoIsReadLikeAFile) {
  ASSERT_EQ(::mkfifo(path("rura.txt").c_str(), 0600), 0);
  FifoWriter writer(path("rura.txt"), {"kot pies \n", "kot ", "pies\nkot"}, false);
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("rura.txt\nkot\n\n"));
  session.end_input();
  const e2e::RunResult result = session.finish();
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_NE(result.out.find("==\n kot pies kot pieskot \n=="), std::string::npos) << result.out;
  EXPECT_NE(result.out.find("==\n ['kot', 'pies', 'kot', 'pieskot'] \n=="), std::string::npos) << result.out;
  EXPECT_TRUE(ends_with(result.out, say::search_prompt + say::report("kot", "2") + say::final_prompt)) << result.out;
}

// Ctrl+C in the middle of work: the program must end at once, not at the
// next prompt.
TEST_F(Fault, InterruptWhileReadingASlowFile) {
  ASSERT_EQ(::mkfifo(path("rura.txt").c_str(), 0600), 0);
  FifoWriter writer(path("rura.txt"), {"kot pies "}, true);
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("rura.txt\nkot\n\n"));
  ASSERT_TRUE(writer.wait_until_written(std::chrono::seconds(20)));
  session.interrupt();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.out, say::file_prompt);
  EXPECT_EQ(result.err, say::interrupted);
}

TEST_F(Fault, InterruptWhilePrintingALargeFile) {
  write("duzy.txt", large_text(64 << 20));
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("duzy.txt\nkot\n\n"));
  ASSERT_TRUE(session.wait_for_output_size(2 << 20));
  session.interrupt();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.out.find(say::search_prompt), std::string::npos) << "the run went on to the search";
  EXPECT_EQ(result.err, say::interrupted);
}

// Wherever the work has got to: reading, decoding, cleaning or printing.
TEST_F(Fault, InterruptRightAfterNamingALargeFile) {
  write("duzy.txt", large_text(64 << 20));
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.wait_for_output(say::file_prompt));
  ASSERT_TRUE(session.type("duzy.txt\n"));
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  session.interrupt();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.err, say::interrupted);
}

// Standard output that refuses the first write.
struct OutputCase {
  std::string name;
  e2e::OutputTo output;
  std::string diagnostic_mentions;
};

void PrintTo(const OutputCase& row, std::ostream* out) { *out << row.name; }

const OutputCase output_cases[] = {
    {"FullDevice", e2e::OutputTo::full_device, "brak miejsca na urządzeniu"},
    {"Closed", e2e::OutputTo::closed, "strumień jest zamknięty"},
    {"ReaderGone", e2e::OutputTo::gone_reader, "odbiorca potoku zakończył pracę"},
};

class RefusingOutput : public Fault, public testing::WithParamInterface<OutputCase> {};

TEST_P(RefusingOutput, EndsTheRunWithADiagnostic) {
  write("notatki.txt", "kot pies kot");
  e2e::Session session(e2e::program_command(), options(GetParam().output));
  session.type("notatki.txt\nkot\n\n");  // it may stop reading at any point
  session.end_input();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  expect_diagnostic(result.err, {"standardowe wyjście", GetParam().diagnostic_mentions});
}

std::string output_name(const testing::TestParamInfo<OutputCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Each, RefusingOutput, testing::ValuesIn(output_cases), output_name);

// The reader goes away in the middle of a large output; SIGPIPE is at its
// default, so a program that does not handle it would die of it.
TEST_F(Fault, OutputReaderGoesAwayMidway) {
  write("duzy.txt", large_text(16 << 20));
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("duzy.txt\n"));
  ASSERT_TRUE(session.wait_for_output_size(1 << 20));
  session.stop_reading_output();
  // Whether the text is still being printed or the search prompt is already
  // out, the next write finds no reader.
  session.type("kot\n\n");
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  expect_diagnostic(result.err, {"standardowe wyjście", "odbiorca potoku zakończył pracę"});
}

// /proc/self/mem opens, but reading it from offset 0 fails with EIO; the
// link is resolved in the program's own process.
TEST_F(Fault, FileWhoseReadFails) {
  ASSERT_EQ(::symlink("/proc/self/mem", path("mem.txt").c_str()), 0);
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("mem.txt\n\n"));
  session.end_input();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.out, say::file_prompt);
  expect_diagnostic(result.err, {"„mem.txt”", "błąd wejścia-wyjścia"});
}

// Odd names and long lines: each bad name gets the dialogue's own message
// and the next attempt works.
struct NameCase {
  std::string name;
  std::string typed_name;
};

void PrintTo(const NameCase& row, std::ostream* out) { *out << row.name; }

const std::string one_mib_line(std::size_t{1} << 20, 'x');

std::string repeated(const std::string& piece, int times) {
  std::string text;
  for (int k = 0; k < times; ++k) text += piece;
  return text;
}

const NameCase name_cases[] = {
    // Cut at the NUL, the name would be that of an existing file.
    {"NulByteInside", std::string("notatki.txt\0/../notatki.txt", 27)},
    {"NulByteAtTheEnd", std::string("notatki.txt\0", 12)},
    // 5,000 characters: one name too long for the file system, and a path
    // to an existing file too long for the system.
    {"FiveThousandCharacterName", std::string(4996, 'a') + ".txt"},
    {"FiveThousandCharacterPath", repeated("./", 2494) + "/notatki.txt"},
    {"OneMebibyteLine", one_mib_line},
};

class BadName : public Fault, public testing::WithParamInterface<NameCase> {};

TEST_P(BadName, IsRejectedAndTheNextAttemptWorks) {
  write("notatki.txt", "kot pies kot");
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type(GetParam().typed_name + "\nnotatki.txt\nkot\n\n"));
  session.end_input();
  const e2e::RunResult result = session.finish();
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out.rfind(say::rejected_name() + say::file_prompt + "\n\n", 0), 0U)
      << result.out.substr(0, 600);
  EXPECT_TRUE(ends_with(result.out, say::report("kot", "2") + say::final_prompt));
}

std::string name_case_name(const testing::TestParamInfo<NameCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Typed, BadName, testing::ValuesIn(name_cases), name_case_name);

// A word of 1 MiB typed at the search prompt is taken whole: it is found,
// and echoed whole in the report.
TEST_F(Fault, OneMebibyteWordAtTheSearchPrompt) {
  write("slowo.txt", "kot " + one_mib_line + " pies");
  e2e::Session session(e2e::program_command(), options());
  ASSERT_TRUE(session.type("slowo.txt\n" + one_mib_line + "\n\n"));
  session.end_input();
  const e2e::RunResult result = session.finish();
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(ends_with(result.out, say::search_prompt + say::report(one_mib_line, "1") + say::final_prompt));
}

}  // namespace
