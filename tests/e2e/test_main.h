// This file declares what the end-to-end test programs take from their
// command line: the words that start the program under test.
#pragma once

#include <string>
#include <vector>

namespace e2e {

// The program under test and its arguments: the words after "--".
const std::vector<std::string>& program_command();

// True with --line-ends=crlf: the program writes each line feed to a file
// or pipe as CR LF, as the Windows build does.
bool line_ends_are_crlf();

}  // namespace e2e
