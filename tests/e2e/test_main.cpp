// This file is the entry of the end-to-end test programs.
//
// Usage: PROGRAM_TESTS [gtest flags] [--line-ends=crlf] -- PROGRAM [WORDS...]
// The words after "--" start the program, so that the same cases can run a
// build for another platform under an emulator.
#include "e2e/test_main.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace e2e {
namespace {

std::vector<std::string> command;
bool crlf = false;

}  // namespace

const std::vector<std::string>& program_command() { return command; }
bool line_ends_are_crlf() { return crlf; }

}  // namespace e2e

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  bool after_separator = false;
  for (int index = 1; index < argc; ++index) {
    const std::string word = argv[index];
    if (after_separator) {
      e2e::command.push_back(word);
    } else if (word == "--") {
      after_separator = true;
    } else if (word == "--line-ends=crlf") {
      e2e::crlf = true;
    }
  }
  if (e2e::command.empty() && !testing::GTEST_FLAG(list_tests)) {
    std::fprintf(stderr, "usage: %s [gtest flags] [--line-ends=crlf] -- PROGRAM [WORDS...]\n", argv[0]);
    return 2;
  }
  return RUN_ALL_TESTS();
}
