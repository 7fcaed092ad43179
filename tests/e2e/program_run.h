// This file declares how the end-to-end tests run the real program: in a
// given folder, with given bytes on standard input, capturing both outputs.
#pragma once

#include <chrono>
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

struct RunOptions {
  std::string folder;              // the current folder of the program
  std::string standard_input;      // bytes fed to standard input, then its end
  std::chrono::seconds time_limit{30};
};

// Runs `command` (the program and its arguments) and waits for it, killing
// it when it takes longer than the time limit.
RunResult run_program(const std::vector<std::string>& command, const RunOptions& options);

// A fresh empty folder under the system's temporary folder, and its removal
// with everything in it.
std::string make_temporary_folder();
void remove_folder(const std::string& folder);

}  // namespace e2e
