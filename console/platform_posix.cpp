// This file implements the console's platform needs on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>

#include "console/diagnostic_text.h"
#include "console/error_text.h"
#include "console/general_failure.h"
#include "console/platform.h"

namespace console::platform {
namespace {

// Everything below that a handler reads is set before the handlers are
// installed, or, for the colour, published with a signal fence.
volatile sig_atomic_t exit_status_on_ending = 1;
volatile sig_atomic_t stdout_is_terminal = 0;
volatile sig_atomic_t stderr_is_terminal = 0;

// The modes of the terminal on standard input when the run started. Every
// ending and every stop puts them back, whatever line editing made of them
// in between, so that the shell gets its terminal as it gave it.
termios modes_at_start{};
volatile sig_atomic_t have_modes_at_start = 0;

// The modes in force when the last stop came, and whether the colours were
// reset for it: what the continued run puts back, once it is in the
// terminal's foreground again.
termios modes_at_stop{};
volatile sig_atomic_t have_modes_at_stop = 0;
volatile sig_atomic_t colour_to_put_back = 0;

// The colour sequence last written to a terminal standard output. The main
// flow fills the slot not in use and then switches to it, so that a handler
// never reads a half-written one.
struct Colour {
  char bytes[32];
  std::size_t size;
};
Colour colours[2] = {};
volatile sig_atomic_t current_colour = 0;

// The signals that end the run like an interrupt, and the name each has in
// its diagnostic; SIGINT has the interrupt's own text.
struct Ending {
  int number;
  std::string_view name;
};
constexpr Ending endings[] = {
    {SIGINT, {}},
    {SIGTERM, "SIGTERM"},
    {SIGHUP, "SIGHUP"},
    {SIGQUIT, "SIGQUIT"},
};

void write_quietly(int descriptor, const char* data, std::size_t size) noexcept {
  while (size != 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// How long a handler's write waits for a stream to take it. A terminal that
// hung up fails at once; one whose output is held (Ctrl+S), or a reader
// that stopped reading, must not keep the run from ending.
constexpr int handler_write_wait_ms = 500;

void write_from_handler(int descriptor, std::string_view text) noexcept {
  const char* data = text.data();
  std::size_t size = text.size();
  while (size != 0) {
    pollfd request{descriptor, POLLOUT, 0};
    if (::poll(&request, 1, handler_write_wait_ms) <= 0 || (request.revents & POLLOUT) == 0) return;
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// Whether the run is in the foreground of the terminal on `descriptor`.
// Modes and colours are the foreground's to set: a run in the background,
// or on a terminal that hung up, leaves them alone.
bool in_foreground(int descriptor) noexcept { return ::tcgetpgrp(descriptor) == ::getpgrp(); }

void put_modes(const termios& modes) noexcept {
  // SIGTTOU blocked, a run that has just been put in the background is not
  // stopped by the change of modes; it is one the shell makes again anyway.
  sigset_t terminal_output;
  sigset_t before;
  sigemptyset(&terminal_output);
  sigaddset(&terminal_output, SIGTTOU);
  ::sigprocmask(SIG_BLOCK, &terminal_output, &before);
  while (::tcsetattr(STDIN_FILENO, TCSANOW, &modes) != 0 && errno == EINTR) {
  }
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

void put_back_modes_at_start() noexcept {
  if (have_modes_at_start != 0 && in_foreground(STDIN_FILENO)) put_modes(modes_at_start);
}

// A signal can come in the middle of any work, a long pass over a large
// file included, so the handler ends the run itself, with only
// async-signal-safe calls: the terminal's modes, the reset of the colours,
// the diagnostic in one write, _exit.
extern "C" void on_ending(int number) {
  put_back_modes_at_start();
  if (stdout_is_terminal != 0) write_from_handler(STDOUT_FILENO, "\x1b[0m");
  char line[128];
  std::size_t size = 0;
  const auto append = [&line, &size](std::string_view text) {
    const std::size_t room = sizeof line - size;
    const std::size_t taken = text.size() < room ? text.size() : room;
    std::memcpy(line + size, text.data(), taken);
    size += taken;
  };
  if (stderr_is_terminal != 0) append("\n");
  append(diagnostic_prefix);
  for (const Ending& ending : endings) {
    if (ending.number != number) continue;
    if (ending.name.empty()) {
      append(interrupted);
    } else {
      append(ended_by_signal);
      append(ending.name);
    }
  }
  append("\n");
  write_from_handler(STDERR_FILENO, std::string_view(line, size));
  _exit(exit_status_on_ending);
}

// What a stop took away, put back once the run is in the foreground again;
// continued in the background, it waits for the next continuation.
void put_back_after_stop() noexcept {
  if (have_modes_at_stop != 0 && in_foreground(STDIN_FILENO)) {
    put_modes(modes_at_stop);
    have_modes_at_stop = 0;
  }
  if (colour_to_put_back != 0 && in_foreground(STDOUT_FILENO)) {
    std::atomic_signal_fence(std::memory_order_acquire);
    const Colour& colour = colours[current_colour];
    write_from_handler(STDOUT_FILENO, std::string_view(colour.bytes, colour.size));
    colour_to_put_back = 0;
  }
}

// Ctrl+Z: the shell gets its terminal in the modes it gave and without a
// colour, then the run stops as it would without the handler. The kernel
// drops the stop when no shell could continue the run; it then goes on at
// once.
extern "C" void on_stop(int) {
  const int saved_errno = errno;
  if (have_modes_at_start != 0 && in_foreground(STDIN_FILENO)) {
    if (::tcgetattr(STDIN_FILENO, &modes_at_stop) == 0) have_modes_at_stop = 1;
    put_modes(modes_at_start);
  }
  if (stdout_is_terminal != 0 && in_foreground(STDOUT_FILENO)) {
    write_from_handler(STDOUT_FILENO, "\x1b[0m");
    colour_to_put_back = 1;
  }
  struct sigaction stop {};
  struct sigaction own {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  ::sigaction(SIGTSTP, &stop, &own);
  // SIGTSTP is blocked while its handler runs: raised, it waits, and it
  // stops the run the moment it is unblocked.
  ::raise(SIGTSTP);
  sigset_t terminal_stop;
  sigemptyset(&terminal_stop);
  sigaddset(&terminal_stop, SIGTSTP);
  ::sigprocmask(SIG_UNBLOCK, &terminal_stop, nullptr);
  ::sigprocmask(SIG_BLOCK, &terminal_stop, nullptr);
  ::sigaction(SIGTSTP, &own, nullptr);
  put_back_after_stop();
  errno = saved_errno;
}

extern "C" void on_continue(int) {
  const int saved_errno = errno;
  put_back_after_stop();
  errno = saved_errno;
}

// Waits until the descriptor, left non-blocking by whoever started us, is
// ready, instead of failing with EAGAIN.
void wait_ready(int descriptor, short events) {
  pollfd request{descriptor, events, 0};
  while (::poll(&request, 1, -1) < 0 && errno == EINTR) {
  }
}

void ignore(int number) {
  struct sigaction ignored {};
  ignored.sa_handler = SIG_IGN;
  sigemptyset(&ignored.sa_mask);
  ::sigaction(number, &ignored, nullptr);
}

}  // namespace

void prepare_streams(int failure_status) {
  exit_status_on_ending = failure_status;
  stdout_is_terminal = ::isatty(STDOUT_FILENO) ? 1 : 0;
  stderr_is_terminal = ::isatty(STDERR_FILENO) ? 1 : 0;
  if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &modes_at_start) == 0) have_modes_at_start = 1;

  struct Handled {
    int number;
    void (*handler)(int);
  };
  const Handled handled[] = {
      {SIGINT, on_ending}, {SIGTERM, on_ending}, {SIGHUP, on_ending},
      {SIGQUIT, on_ending}, {SIGTSTP, on_stop},   {SIGCONT, on_continue},
  };
  // No handler runs inside another, and none is stopped by a change of the
  // terminal's modes.
  sigset_t all_handled;
  sigemptyset(&all_handled);
  for (const Handled& signal : handled) sigaddset(&all_handled, signal.number);
  struct sigaction action {};
  action.sa_mask = all_handled;
  sigaddset(&action.sa_mask, SIGTTOU);
  action.sa_flags = SA_RESTART;
  for (const Handled& signal : handled) {
    // A signal ignored by whoever started us stays ignored, as shells
    // expect: a background job must not die of the Ctrl+C meant for the
    // foreground, nor a run under nohup of the hang-up.
    struct sigaction inherited {};
    if (::sigaction(signal.number, nullptr, &inherited) == 0 && inherited.sa_handler == SIG_IGN &&
        signal.number != SIGCONT) {
      continue;
    }
    action.sa_handler = signal.handler;
    ::sigaction(signal.number, &action, nullptr);
  }
  // A mask inherited with these blocked would make Ctrl+C do nothing.
  ::sigprocmask(SIG_UNBLOCK, &all_handled, nullptr);

  // Without this a reader that went away would kill the program silently
  // in the middle of a write; ignored, the write fails with EPIPE and the
  // failure is reported like any other.
  ignore(SIGPIPE);
  // The same for output past the file size limit (ulimit -f): the write
  // fails with EFBIG instead.
  ignore(SIGXFSZ);

#if defined(F_SETPIPE_SZ)
  // A larger pipe lets one write hand over a whole block of output, which
  // halves the cost of printing a large text to a pipe. Refusal is harmless.
  ::fcntl(STDOUT_FILENO, F_SETPIPE_SZ, 1 << 20);
#endif
}

void write_output(const char* data, std::size_t size) {
  while (size != 0) {
    const ssize_t written = ::write(STDOUT_FILENO, data, size);
    if (written < 0) {
      const int error_number = errno;
      if (error_number == EINTR) continue;
      if (error_number == EAGAIN || error_number == EWOULDBLOCK) {
        wait_ready(STDOUT_FILENO, POLLOUT);
        continue;
      }
      throw GeneralFailure("nie można pisać na standardowe wyjście: " + describe_error(error_number));
    }
    if (written == 0) throw GeneralFailure("nie można pisać na standardowe wyjście: zapis niczego nie przyjął");
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

std::size_t read_input(char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = ::read(STDIN_FILENO, buffer, capacity);
    if (got >= 0) return static_cast<std::size_t>(got);
    const int error_number = errno;
    if (error_number == EINTR) continue;
    if (error_number == EAGAIN || error_number == EWOULDBLOCK) {
      wait_ready(STDIN_FILENO, POLLIN);
      continue;
    }
    throw GeneralFailure("nie można czytać ze standardowego wejścia: " + describe_error(error_number));
  }
}

bool output_is_terminal() noexcept { return stdout_is_terminal != 0; }
bool error_is_terminal() noexcept { return stderr_is_terminal != 0; }

void write_error(std::string_view text) noexcept { write_quietly(STDERR_FILENO, text.data(), text.size()); }

void note_colour(std::string_view sequence) noexcept {
  const int next = 1 - current_colour;
  Colour& slot = colours[next];
  if (sequence.size() > sizeof slot.bytes) return;
  std::memcpy(slot.bytes, sequence.data(), sequence.size());
  slot.size = sequence.size();
  std::atomic_signal_fence(std::memory_order_release);
  current_colour = next;
}

void restore_terminal() noexcept { put_back_modes_at_start(); }

}  // namespace console::platform
