// This file implements running the real program for the end-to-end tests.
#include "e2e/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace e2e {
namespace {

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary);
  file << bytes;
  if (!file) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// In the child, between fork and exec, with only async-signal-safe calls:
// the signal state and the limits that the program starts with. False when
// a limit cannot be set.
bool set_start_state(InterruptAtStart interrupt, const std::vector<Limit>& limits) noexcept {
  for (const Limit& limit : limits) {
    rlimit value{};
    if (::getrlimit(limit.resource, &value) != 0) return false;
    value.rlim_cur = static_cast<rlim_t>(limit.value);
    if (::setrlimit(limit.resource, &value) != 0) return false;
  }
  ::signal(SIGPIPE, SIG_DFL);
  ::signal(SIGINT, interrupt == InterruptAtStart::ignored ? SIG_IGN : SIG_DFL);
  sigset_t mask;
  sigemptyset(&mask);
  if (interrupt == InterruptAtStart::blocked) sigaddset(&mask, SIGINT);
  ::sigprocmask(SIG_SETMASK, &mask, nullptr);
  return true;
}

}  // namespace

std::string make_temporary_folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "licznik-e2e-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void remove_folder(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

RunResult run_program(const std::vector<std::string>& command, const RunOptions& options) {
  // The captured streams go through files outside the program's folder, so
  // that the folder holds only the fixtures and nothing can deadlock.
  const std::string capture = make_temporary_folder();
  const std::string in_path = capture + "/in";
  const std::string out_path = capture + "/out";
  const std::string err_path = capture + "/err";
  write_file(in_path, options.standard_input);

  std::vector<char*> arguments;
  for (const std::string& word : command) arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);

  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    const int in = ::open(in_path.c_str(), O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || ::chdir(options.folder.c_str()) != 0) ::_exit(127);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    if (!set_start_state(InterruptAtStart::at_default, options.limits)) ::_exit(127);
    ::execvp(arguments[0], arguments.data());
    ::_exit(127);
  }

  RunResult result;
  const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child, SIGKILL);
      ::waitpid(child, &status, 0);
      result.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  remove_folder(capture);
  return result;
}

}  // namespace e2e

// Sessions: the program driven while it runs.

namespace e2e {

struct Session::Collector {
  explicit Collector(int from) : descriptor(from), thread([this] { run(); }) {}
  ~Collector() { stop(); }

  void run() {
    std::array<char, 64 * 1024> block;
    while (!stopping) {
      pollfd request{descriptor, POLLIN, 0};
      const int ready = ::poll(&request, 1, 20);
      if (ready < 0 && errno != EINTR) break;
      if (ready <= 0) continue;
      const ssize_t got = ::read(descriptor, block.data(), block.size());
      if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      // A terminal's master side reads EIO once the program's side is gone.
      if (got <= 0) break;
      const std::lock_guard<std::mutex> lock(mutex);
      data.append(block.data(), static_cast<std::size_t>(got));
      changed.notify_all();
    }
    const std::lock_guard<std::mutex> lock(mutex);
    done = true;
    changed.notify_all();
  }

  // Waits until `ready` holds for the data so far or the stream ended.
  template <typename Ready>
  bool wait(std::chrono::milliseconds limit, Ready ready) {
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait_for(lock, limit, [&] { return ready(data) || done; });
    return ready(data);
  }

  // Lets the thread end at the stream's end, or after `grace` at the latest.
  std::string finish(std::chrono::milliseconds grace) {
    {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait_for(lock, grace, [&] { return done; });
    }
    stop();
    const std::lock_guard<std::mutex> lock(mutex);
    return data;
  }

  void stop() {
    stopping = true;
    if (thread.joinable()) thread.join();
    if (descriptor >= 0) ::close(descriptor);
    descriptor = -1;
  }

  int descriptor;
  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::string data;
  bool done = false;
  std::thread thread;  // last, so that it starts when the rest is ready
};

namespace {

struct Pipe {
  int read = -1;
  int write = -1;
};

Pipe make_pipe() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  return {ends[0], ends[1]};
}

void close_if_open(int& descriptor) {
  if (descriptor >= 0) ::close(descriptor);
  descriptor = -1;
}

// The master side of a new pseudo-terminal, and its other side set up as
// the session describes.
void open_terminal(int& master, int& slave, std::string& slave_name) {
  master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no pty");
  char name[128];
  if (::ptsname_r(master, name, sizeof name) != 0) throw std::runtime_error("ptsname failed");
  slave_name = name;
  slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave < 0) throw std::runtime_error("cannot open the pty");
  termios settings{};
  if (::tcgetattr(slave, &settings) != 0) throw std::runtime_error("tcgetattr failed");
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_cc[VINTR] = 0x03;
  settings.c_cc[VEOF] = 0x04;
  if (::tcsetattr(slave, TCSANOW, &settings) != 0) throw std::runtime_error("tcsetattr failed");
}

bool ends_with(const std::string& data, const std::string& text) {
  return data.size() >= text.size() && data.compare(data.size() - text.size(), text.size(), text) == 0;
}

}  // namespace

Session::Session(const std::vector<std::string>& command, const SessionOptions& options)
    : terminal_(options.terminal) {
  // A program that stops reading must not kill the tests that type to it.
  ::signal(SIGPIPE, SIG_IGN);

  std::vector<char*> arguments;
  for (const std::string& word : command) arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);

  int terminal_slave = -1;
  Pipe input;
  Pipe output;
  Pipe error;
  if (terminal_) {
    open_terminal(input_, terminal_slave, terminal_name_);
  } else {
    input = make_pipe();
    input_ = input.write;
    error = make_pipe();
    if (options.output == OutputTo::captured || options.output == OutputTo::gone_reader) output = make_pipe();
    if (options.output == OutputTo::gone_reader) close_if_open(output.read);
  }

  const pid_t child = ::fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    // Only async-signal-safe calls from here to exec.
    if (terminal_) {
      if (::setsid() < 0 || ::ioctl(terminal_slave, TIOCSCTTY, 0) != 0) ::_exit(127);
      for (int stream = 0; stream < 3; ++stream) ::dup2(terminal_slave, stream);
    } else {
      ::dup2(input.read, STDIN_FILENO);
      ::dup2(error.write, STDERR_FILENO);
      switch (options.output) {
        case OutputTo::captured:
        case OutputTo::gone_reader: ::dup2(output.write, STDOUT_FILENO); break;
        case OutputTo::full_device: {
          const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
          if (full < 0 || ::dup2(full, STDOUT_FILENO) < 0) ::_exit(127);
          break;
        }
        case OutputTo::closed: ::close(STDOUT_FILENO); break;
      }
    }
    if (::chdir(options.folder.c_str()) != 0) ::_exit(127);
    if (!set_start_state(options.interrupt, options.limits)) ::_exit(127);
    ::execvp(arguments[0], arguments.data());
    ::_exit(127);
  }
  child_ = child;
  ::fcntl(input_, F_SETFL, ::fcntl(input_, F_GETFL) | O_NONBLOCK);
  close_if_open(terminal_slave);
  close_if_open(input.read);
  close_if_open(output.write);
  close_if_open(error.write);
  if (terminal_) {
    const int master_copy = ::fcntl(input_, F_DUPFD_CLOEXEC, 0);
    if (master_copy < 0) throw std::runtime_error("dup failed");
    output_ = std::make_unique<Collector>(master_copy);
  } else {
    if (output.read >= 0) output_ = std::make_unique<Collector>(output.read);
    error_ = std::make_unique<Collector>(error.read);
  }
}

Session::~Session() {
  if (!ended_) {
    ::kill(child_, SIGKILL);
    int status = 0;
    ::waitpid(child_, &status, 0);
  }
  output_.reset();
  error_.reset();
  close_if_open(input_);
}

bool Session::type(const std::string& bytes) {
  // The input is non-blocking: a program that stops reading without ending
  // fails the typing after a while instead of hanging the test.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  const char* data = bytes.data();
  std::size_t size = bytes.size();
  while (size != 0) {
    if (input_ < 0 || std::chrono::steady_clock::now() > deadline) return false;
    const ssize_t written = ::write(input_, data, size);
    if (written < 0 && (errno == EINTR || errno == EAGAIN)) {
      pollfd request{input_, POLLOUT, 0};
      ::poll(&request, 1, 20);
      continue;
    }
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void Session::end_input() {
  if (terminal_) {
    type("\x04");
  } else {
    close_if_open(input_);
  }
}

bool Session::wait_for_output(const std::string& text, std::chrono::milliseconds limit) {
  if (!output_) return false;
  return output_->wait(limit, [&text](const std::string& data) { return ends_with(data, text); });
}

bool Session::wait_for_output_size(std::size_t size, std::chrono::milliseconds limit) {
  if (!output_) return false;
  return output_->wait(limit, [size](const std::string& data) { return data.size() >= size; });
}

void Session::interrupt() {
  if (terminal_) {
    type("\x03");
  } else {
    ::kill(child_, SIGINT);
  }
}

void Session::stop_reading_output() {
  if (!output_) return;
  result_.out = output_->finish(std::chrono::milliseconds(0));
  output_.reset();
}

void Session::send_signal(int number) { ::kill(child_, number); }

void Session::hang_up() {
  if (!terminal_) return;
  stop_reading_output();
  close_if_open(input_);
}

RunResult Session::finish(std::chrono::seconds limit) {
  RunResult result = result_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(child_, &status, WNOHANG);
    if (done == child_) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(child_, SIGKILL);
      ::waitpid(child_, &status, 0);
      result.timed_out = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ended_ = true;
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  // The streams end with the program, unless something it started still
  // holds them.
  if (output_) result.out = output_->finish(std::chrono::seconds(2));
  if (error_) result.err = error_->finish(std::chrono::seconds(2));
  return result;
}

}  // namespace e2e
