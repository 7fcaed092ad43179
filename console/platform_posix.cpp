// This file implements the console's platform needs on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "console/error_text.h"
#include "console/general_failure.h"
#include "console/platform.h"

namespace console::platform {
namespace {

constexpr char interrupt_message[] = "licznik-wyrazow: przerwano (Ctrl+C)\n";

// Read by the interrupt handler, so set before it is installed.
volatile sig_atomic_t exit_status_on_interrupt = 1;
volatile sig_atomic_t stdout_is_terminal = 0;
volatile sig_atomic_t stderr_is_terminal = 0;

void write_quietly(int descriptor, const char* data, std::size_t size) noexcept {
  while (size != 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
}

// An interrupt can come in the middle of any work, a long pass over a large
// file included, so the handler ends the run itself, with only
// async-signal-safe calls: the reset of the colours, the diagnostic, _exit.
extern "C" void on_interrupt(int) {
  const int saved_errno = errno;
  if (stdout_is_terminal != 0) write_quietly(STDOUT_FILENO, "\x1b[0m", 4);
  if (stderr_is_terminal != 0) write_quietly(STDERR_FILENO, "\n", 1);
  write_quietly(STDERR_FILENO, interrupt_message, sizeof interrupt_message - 1);
  errno = saved_errno;
  _exit(exit_status_on_interrupt);
}

// Waits until the descriptor, left non-blocking by whoever started us, is
// ready, instead of failing with EAGAIN.
void wait_ready(int descriptor, short events) {
  pollfd request{descriptor, events, 0};
  while (::poll(&request, 1, -1) < 0 && errno == EINTR) {
  }
}

}  // namespace

void prepare_streams(int interrupt_status) {
  exit_status_on_interrupt = interrupt_status;
  stdout_is_terminal = ::isatty(STDOUT_FILENO) ? 1 : 0;
  stderr_is_terminal = ::isatty(STDERR_FILENO) ? 1 : 0;

  struct sigaction interrupt {};
  interrupt.sa_handler = on_interrupt;
  sigemptyset(&interrupt.sa_mask);
  interrupt.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &interrupt, nullptr);

  // Without this a reader that went away would kill the program silently
  // in the middle of a write; ignored, the write fails with EPIPE and the
  // failure is reported like any other.
  struct sigaction broken_pipe {};
  broken_pipe.sa_handler = SIG_IGN;
  sigemptyset(&broken_pipe.sa_mask);
  ::sigaction(SIGPIPE, &broken_pipe, nullptr);

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

}  // namespace console::platform
