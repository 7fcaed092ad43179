// This file declares the console facility: `print` and `input`, the only
// way the dialogue talks to the user, and the process-wide console set-up.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/word_list.h"

namespace console {

// Sets up the standard streams once, before anything is written: an
// interrupt (Ctrl+C) or another terminating signal at any moment ends the
// run with `failure_status` after a one-line diagnostic, with the terminal
// as it was at the start; a stop (Ctrl+Z) leaves the terminal without
// colour until the run goes on; a reader that went away, or a file size
// limit, gives a write error rather than a silent death; and large output
// gets large pipe buffers.
void prepare(int failure_status);

// The text form of each kind of value `print` takes.
void write_value(std::string_view text);
void write_value(const text::WordList& list);
void write_line_end();

// Writes the text form of each value, one space between neighbours, then a
// line feed. Output is buffered; `input` and `flush` send it on.
template <typename... Values>
void print(const Values&... values) {
  static_assert(sizeof...(Values) >= 1 && sizeof...(Values) <= 3, "print takes one to three values");
  bool first = true;
  const auto write_one = [&first](const auto& value) {
    if (!first) write_value(std::string_view(" "));
    first = false;
    write_value(value);
  };
  (write_one(values), ...);
  write_line_end();
}

// What Tab offers for the line typed so far: whole lines that could replace
// it, in the order in which they are listed. No completer, no completion.
using Completer = std::function<std::vector<std::string>(std::string_view typed)>;

// Writes the prompt, flushes all output, and reads one line from standard
// input. `complete` is what Tab is to offer once lines are edited at a
// terminal; reading does not use it yet. The line ends at LF, CR LF or a
// lone CR and is returned without its terminator, byte for byte as typed. Throws GeneralFailure at the end of
// input with nothing read, and on a read or write error.
std::string input(std::string_view prompt, const Completer& complete = {});

// Sends all buffered output on. Throws GeneralFailure on a write error.
void flush();

// Writes the diagnostic line of the general failure path to standard error,
// after sending on what output is still buffered. The terminal gets back
// the modes it had at the start, and when standard output is a terminal,
// its colours are reset first, so that it is not left coloured.
void report_failure(std::string_view what) noexcept;

}  // namespace console
