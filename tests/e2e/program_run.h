// This file declares how the end-to-end tests run the real program: in a
// given folder, with given bytes on standard input, capturing both outputs.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace e2e {

struct RunResult {
  std::string out;   // everything written to standard output
  std::string err;   // everything written to standard error
  int exit_status = -1;  // the exit status, or -1 when it did not exit
  int signal = 0;        // the signal that ended it, or 0
  bool timed_out = false;
};

// A resource limit (setrlimit) that the program starts with: the soft
// limit, in the resource's unit (bytes for RLIMIT_FSIZE, RLIMIT_STACK and
// RLIMIT_AS).
struct Limit {
  int resource = 0;
  unsigned long long value = 0;
};

// How SIGINT is when the program starts.
enum class InterruptAtStart {
  at_default,  // the default action, not blocked
  blocked,     // in the signal mask, as a careless launcher may leave it
  ignored,     // ignored, as a shell starts a background job
};

struct RunOptions {
  std::string folder;              // the current folder of the program
  std::string standard_input;      // bytes fed to standard input, then its end
  std::chrono::seconds time_limit{30};
  std::vector<Limit> limits;
};

// Runs `command` (the program and its arguments) and waits for it, killing
// it when it takes longer than the time limit.
RunResult run_program(const std::vector<std::string>& command, const RunOptions& options);

// A fresh empty folder under the system's temporary folder, and its removal
// with everything in it.
std::string make_temporary_folder();
void remove_folder(const std::string& folder);

// Where a session's standard output goes.
enum class OutputTo {
  captured,     // a pipe read into RunResult::out as the program writes
  full_device,  // /dev/full: every write fails with ENOSPC
  closed,       // no descriptor 1 at all
  gone_reader,  // a pipe whose reader has gone before the program starts
};

struct SessionOptions {
  std::string folder;  // the current folder of the program
  OutputTo output = OutputTo::captured;
  // All three standard streams on a pseudo-terminal that is the program's
  // controlling terminal, with its usual line editing and signal keys, but
  // neither echo nor output processing, so that RunResult::out holds the
  // bytes as written. `output` is not used then.
  bool terminal = false;
  InterruptAtStart interrupt = InterruptAtStart::at_default;
  std::vector<Limit> limits;
};

// A run of the program that the test drives while it runs: typing on its
// standard input, which stays open until `end_input`, watching its output,
// sending it signals. Standard error is captured through a pipe, or is the
// terminal. SIGPIPE is at its default in the program, SIGINT as the options
// say, and no other signal is blocked.
class Session {
 public:
  Session(const std::vector<std::string>& command, const SessionOptions& options);
  ~Session();  // kills the program when it still runs
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Writes the bytes to the program's standard input; false when it stopped
  // taking them (it ended, or closed its input).
  bool type(const std::string& bytes);

  // The end of input: the pipe is closed, or the terminal's end-of-file key
  // (Ctrl+D) is typed.
  void end_input();

  // Waits until the output so far ends with `text`, or holds at least
  // `size` bytes; false when the program ended first or time ran out.
  bool wait_for_output(const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(20));
  bool wait_for_output_size(std::size_t size, std::chrono::milliseconds limit = std::chrono::seconds(20));

  // Ctrl+C: the interrupt key typed on the terminal, or else SIGINT sent to
  // the program.
  void interrupt();

  // The reader of a captured standard output goes away: the pipe's read end
  // is closed, and later writes to it fail.
  void stop_reading_output();

  void send_signal(int number);

  // The name of the terminal's program side, for looking at its modes; empty
  // when the session has no terminal.
  const std::string& terminal_name() const { return terminal_name_; }

  // The terminal goes away, as when its window is closed: its master side
  // is closed, and the program gets SIGHUP from the system.
  void hang_up();

  // Waits for the program to end, killing it after the limit, and returns
  // everything it wrote.
  RunResult finish(std::chrono::seconds limit = std::chrono::seconds(30));

 private:
  struct Collector;  // reads one stream on a thread of its own

  int child_ = -1;
  bool ended_ = false;
  RunResult result_;
  int input_ = -1;  // write end of the input pipe, or the terminal's master side
  bool terminal_ = false;
  std::string terminal_name_;
  std::unique_ptr<Collector> output_;  // none when the output is not captured
  std::unique_ptr<Collector> error_;   // none on a terminal
};

}  // namespace e2e
