// Runs one command for the benchmark and measures it: the wall time from its
// start until its output is all taken, and its peak resident set size.
//
// Usage: bench_run null|pipe FOLDER INPUT COMMAND [WORDS...]
// The command runs in FOLDER with INPUT on standard input. Its standard
// output goes to /dev/null ("null"), or to a pipe drained by `cat` into
// /dev/null ("pipe"). Prints "SECONDS PEAK_RSS_KIB EXIT_STATUS" on one line.
//
// The measuring is done here rather than in the Python runner because Linux
// passes a process's peak RSS on through fork and exec: a child of the
// runner would report at least the runner's own size. This program is small,
// so what it passes on is far below anything the measured program holds.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "bench_run: %s: %s\n", what, std::strerror(errno));
  std::exit(2);
}

double now() {
  timespec moment{};
  clock_gettime(CLOCK_MONOTONIC, &moment);
  return static_cast<double>(moment.tv_sec) + static_cast<double>(moment.tv_nsec) * 1e-9;
}

// Starts `argv` with the given standard input and output; -1 keeps ours.
pid_t start(char* const argv[], const char* folder, int input, int output, int close_too) {
  const pid_t child = fork();
  if (child < 0) fail("fork");
  if (child == 0) {
    if (folder != nullptr && chdir(folder) != 0) _exit(126);
    if (input >= 0 && dup2(input, STDIN_FILENO) < 0) _exit(126);
    if (output >= 0 && dup2(output, STDOUT_FILENO) < 0) _exit(126);
    if (input >= 0) close(input);
    if (output >= 0) close(output);
    if (close_too >= 0) close(close_too);
    execvp(argv[0], argv);
    _exit(127);
  }
  return child;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (std::strcmp(argv[1], "null") != 0 && std::strcmp(argv[1], "pipe") != 0)) {
    std::fprintf(stderr, "usage: bench_run null|pipe FOLDER INPUT COMMAND [WORDS...]\n");
    return 2;
  }
  const bool to_pipe = std::strcmp(argv[1], "pipe") == 0;
  const int input = open(argv[3], O_RDONLY | O_CLOEXEC);
  if (input < 0) fail(argv[3]);
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) fail("/dev/null");

  pid_t drain = -1;
  int output = null;
  if (to_pipe) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) fail("pipe");
    char cat[] = "cat";
    char* cat_argv[] = {cat, nullptr};
    drain = start(cat_argv, nullptr, ends[0], null, ends[1]);
    close(ends[0]);
    output = ends[1];
  }

  const double begin = now();
  const pid_t child = start(argv + 4, argv[2], input, output, -1);
  if (to_pipe) close(output);
  int status = 0;
  rusage usage{};
  while (wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) fail("wait4");
  }
  if (drain > 0) {
    int drain_status = 0;
    while (waitpid(drain, &drain_status, 0) < 0) {
      if (errno != EINTR) fail("waitpid");
    }
  }
  const double seconds = now() - begin;
  const int exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.9f %ld %d\n", seconds, usage.ru_maxrss, exit_status);
  return 0;
}
