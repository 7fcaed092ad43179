// Fault tests: the real program under bad input and a hostile environment
// (the end of input at each prompt, Ctrl+C and the other signals that end
// or stop a run, signals as the starter left them, resource limits,
// standard output that refuses writes, files that cannot be read, huge and
// odd names). Each run must end with a status and a one-line diagnostic,
// never a hang or a signal death.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
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

// A run that went to its end: status 0, nothing on standard error.
void expect_success(const e2e::RunResult& result) {
  EXPECT_FALSE(result.timed_out);
  EXPECT_EQ(result.signal, 0);
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.err, "");
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

  // The program started on a large text file on a terminal, well into
  // printing the text in colour when it returns.
  std::unique_ptr<e2e::Session> printing_on_terminal() const {
    write("duzy.txt", large_text(64 << 20));
    auto session = std::make_unique<e2e::Session>(e2e::program_command(), terminal());
    EXPECT_TRUE(session->type("duzy.txt\n"));
    EXPECT_TRUE(session->wait_for_output_size(1 << 20));
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

std::string last_bytes(const std::string& text) { return text.substr(text.size() - std::min<std::size_t>(text.size(), 300)); }

// The signals that end a run, each named in its diagnostic. On a terminal
// the colours are reset first, whether the signal came at a prompt or in
// the middle of a large text printed in colour.
struct SignalCase {
  std::string name;
  int number;
  std::string diagnostic;
};

void PrintTo(const SignalCase& row, std::ostream* out) { *out << row.name; }

const SignalCase signal_cases[] = {
    {"Interrupt", SIGINT, say::interrupted},
    {"Terminate", SIGTERM, say::ended_by("SIGTERM")},
    {"HangUp", SIGHUP, say::ended_by("SIGHUP")},
    {"Quit", SIGQUIT, say::ended_by("SIGQUIT")},
};

class EndingSignal : public Fault, public testing::WithParamInterface<SignalCase> {
 protected:
  // The case's signal, sent while the program waits at the search prompt.
  e2e::RunResult signalled_at_search_prompt(const e2e::SessionOptions& session_options) {
    write("notatki.txt", "kot pies kot");
    e2e::Session session(e2e::program_command(), session_options);
    EXPECT_TRUE(session.type("notatki.txt\n"));
    EXPECT_TRUE(session.wait_for_output(say::search_prompt));
    session.send_signal(GetParam().number);
    return session.finish();
  }
};

TEST_P(EndingSignal, AtAPromptWithPipes) {
  const e2e::RunResult result = signalled_at_search_prompt(options());
  expect_failure_status(result);
  EXPECT_TRUE(ends_with(result.out, say::search_prompt));
  EXPECT_EQ(result.err, GetParam().diagnostic);
}

TEST_P(EndingSignal, AtAPromptOnATerminal) {
  const e2e::RunResult result = signalled_at_search_prompt(terminal());
  expect_failure_status(result);
  EXPECT_TRUE(ends_with(result.out, say::search_prompt + say::colour_reset + "\n" + GetParam().diagnostic))
      << last_bytes(result.out);
}

TEST_P(EndingSignal, WhilePrintingOnATerminal) {
  const std::unique_ptr<e2e::Session> printing = printing_on_terminal();
  e2e::Session& session = *printing;
  session.send_signal(GetParam().number);
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.out.find(say::search_prompt), std::string::npos) << "the run went on to the search";
  EXPECT_TRUE(ends_with(result.out, say::colour_reset + "\n" + GetParam().diagnostic)) << last_bytes(result.out);
}

std::string signal_name(const testing::TestParamInfo<SignalCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Each, EndingSignal, testing::ValuesIn(signal_cases), signal_name);

// The terminal goes away in the middle of printing, as when its window is
// closed: the run ends at once, its last writes failing quietly.
TEST_F(Fault, TerminalHangsUpWhilePrinting) {
  const std::unique_ptr<e2e::Session> printing = printing_on_terminal();
  e2e::Session& session = *printing;
  session.hang_up();
  expect_failure_status(session.finish(std::chrono::seconds(10)));
}

// Ctrl+Z in the middle of coloured output: the colours are reset for the
// shell, and the colour in force comes back when the run goes on, as do the
// terminal's modes of that moment. Without a shell in its session the
// program's stop is dropped by the system, so here it goes on at once.
TEST_F(Fault, StopAndContinueWhilePrintingOnATerminal) {
  const std::unique_ptr<e2e::Session> printing = printing_on_terminal();
  e2e::Session& session = *printing;
  const int terminal = ::open(session.terminal_name().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(terminal, 0);
  termios editing{};
  ASSERT_EQ(::tcgetattr(terminal, &editing), 0);
  editing.c_lflag &= ~static_cast<tcflag_t>(ICANON);
  ASSERT_EQ(::tcsetattr(terminal, TCSANOW, &editing), 0);

  // One after the other: a SIGCONT would discard a SIGTSTP not yet taken.
  session.send_signal(SIGTSTP);
  EXPECT_TRUE(session.wait_for_output_size(4 << 20)) << "the run did not go on";
  session.send_signal(SIGCONT);
  EXPECT_TRUE(session.wait_for_output_size(8 << 20)) << "the run did not go on";
  termios after_stop{};
  EXPECT_EQ(::tcgetattr(terminal, &after_stop), 0);
  ::close(terminal);
  session.send_signal(SIGTERM);
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);

  EXPECT_EQ(after_stop.c_lflag & ICANON, 0U) << "the modes of the moment of the stop are not back";
  const std::size_t stop = result.out.find(say::colour_reset + "\x1b[1;30;40m");
  ASSERT_NE(stop, std::string::npos) << "no reset and colour again";
  EXPECT_GE(stop, std::size_t{1} << 20);
  EXPECT_TRUE(ends_with(result.out, say::colour_reset + "\n" + say::ended_by("SIGTERM"))) << last_bytes(result.out);
}

// Line editing changes the terminal's modes; however they were changed,
// every ending leaves the terminal in the modes of the start.
enum class Ending { signal, failure };

struct ModesCase {
  std::string name;
  Ending ending;
};

void PrintTo(const ModesCase& row, std::ostream* out) { *out << row.name; }

const ModesCase modes_cases[] = {
    {"Signal", Ending::signal},
    {"FailurePath", Ending::failure},
};

class TerminalModes : public Fault, public testing::WithParamInterface<ModesCase> {};

TEST_P(TerminalModes, AreThoseOfTheStartAfterTheEnding) {
  ASSERT_EQ(::symlink("/proc/self/mem", path("mem.txt").c_str()), 0);
  e2e::Session session(e2e::program_command(), terminal());
  ASSERT_TRUE(session.wait_for_output(say::file_prompt));
  const int terminal = ::open(session.terminal_name().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(terminal, 0);
  termios at_start{};
  ASSERT_EQ(::tcgetattr(terminal, &at_start), 0);
  termios editing = at_start;
  editing.c_lflag &= ~static_cast<tcflag_t>(ICANON | ISIG);
  editing.c_cc[VMIN] = 1;
  editing.c_cc[VTIME] = 0;
  ASSERT_EQ(::tcsetattr(terminal, TCSANOW, &editing), 0);

  if (GetParam().ending == Ending::signal) {
    session.send_signal(SIGTERM);
  } else {
    ASSERT_TRUE(session.type("mem.txt\n"));
  }
  const e2e::RunResult result = session.finish();
  termios at_end{};
  EXPECT_EQ(::tcgetattr(terminal, &at_end), 0);
  ::close(terminal);
  expect_failure_status(result);
  EXPECT_EQ(at_end.c_lflag, at_start.c_lflag);
}

std::string modes_name(const testing::TestParamInfo<ModesCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Each, TerminalModes, testing::ValuesIn(modes_cases), modes_name);

// SIGINT as whoever started the program left it: blocked, it is unblocked;
// ignored, as for a background job, it stays ignored.
TEST_F(Fault, InterruptBlockedAtStartStillEndsTheRun) {
  e2e::SessionOptions blocked = options();
  blocked.interrupt = e2e::InterruptAtStart::blocked;
  e2e::Session session(e2e::program_command(), blocked);
  ASSERT_TRUE(session.wait_for_output(say::file_prompt));
  session.interrupt();
  const e2e::RunResult result = session.finish();
  expect_failure_status(result);
  EXPECT_EQ(result.err, say::interrupted);
}

TEST_F(Fault, InterruptIgnoredAtStartStaysIgnored) {
  write("notatki.txt", "kot pies kot");
  e2e::SessionOptions ignored = options();
  ignored.interrupt = e2e::InterruptAtStart::ignored;
  e2e::Session session(e2e::program_command(), ignored);
  ASSERT_TRUE(session.wait_for_output(say::file_prompt));
  session.interrupt();
  ASSERT_TRUE(session.type("notatki.txt\nkot\n\n"));
  session.end_input();
  const e2e::RunResult result = session.finish();
  expect_success(result);
  EXPECT_TRUE(ends_with(result.out, say::report("kot", "2") + say::final_prompt));
}

// Resource limits (ulimit) that the program meets.
e2e::RunOptions limited(const std::string& folder, const std::string& typed, e2e::Limit limit) {
  e2e::RunOptions run;
  run.folder = folder;
  run.standard_input = typed;
  run.limits = {limit};
  return run;
}

// Standard output a file that reaches the file size limit (ulimit -f): the
// write fails, and it is reported, instead of SIGXFSZ killing the run.
TEST_F(Fault, OutputPastTheFileSizeLimit) {
  write("duzy.txt", large_text(4 << 20));
  const e2e::RunResult result =
      e2e::run_program(e2e::program_command(), limited(folder_, "duzy.txt\nAla\n\n", {RLIMIT_FSIZE, 64 << 10}));
  expect_failure_status(result);
  EXPECT_EQ(result.out.size(), std::size_t{64} << 10);
  expect_diagnostic(result.err, {"standardowe wyjście", "za duży plik"});
}

// A stack of 64 KiB (ulimit -s 64), on which small tools run, does for the
// whole dialogue.
TEST_F(Fault, SmallStack) {
  write("notatki.txt", "kot pies kot");
  const e2e::RunResult result =
      e2e::run_program(e2e::program_command(), limited(folder_, "notatki.txt\nkot\n\n", {RLIMIT_STACK, 64 << 10}));
  expect_success(result);
  EXPECT_EQ(result.out, say::from_file_to_end("kot pies kot", "['kot', 'pies', 'kot']", "kot", "2"));
}

// A file that does not fit into the memory the run may have (ulimit -v) is
// named in the diagnostic, at once: an endless device behind a text file's
// name, and a file larger than that memory.
struct MemoryCase {
  std::string name;
  std::string file;
  bool endless;  // a link to /dev/zero, or else a sparse file of 2 GiB
};

void PrintTo(const MemoryCase& row, std::ostream* out) { *out << row.name; }

const MemoryCase memory_cases[] = {
    {"EndlessDevice", "zero.txt", true},
    {"FileLargerThanTheLimit", "duzy.txt", false},
};

class TooLargeForMemory : public Fault, public testing::WithParamInterface<MemoryCase> {};

TEST_P(TooLargeForMemory, IsNamedInTheDiagnostic) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
  const MemoryCase& row = GetParam();
  if (row.endless) {
    ASSERT_EQ(::symlink("/dev/zero", path(row.file).c_str()), 0);
  } else {
    write(row.file, "");
    ASSERT_EQ(::truncate(path(row.file).c_str(), 2LL << 30), 0);
  }
  e2e::RunOptions run = limited(folder_, row.file + "\n", {RLIMIT_AS, 256 << 20});
  run.time_limit = std::chrono::seconds(20);
  const e2e::RunResult result = e2e::run_program(e2e::program_command(), run);
  expect_failure_status(result);
  EXPECT_EQ(result.out, say::file_prompt);
  EXPECT_EQ(result.err, "licznik-wyrazow: plik „" + row.file + "” nie mieści się w pamięci\n");
}

std::string memory_name(const testing::TestParamInfo<MemoryCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Each, TooLargeForMemory, testing::ValuesIn(memory_cases), memory_name);

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
