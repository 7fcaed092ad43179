// This file declares what the console facility needs from the platform:
// raw reads and writes of the standard streams, and the handling of the
// signals and keys that end or stop a run.
// Each platform implements it in a unit of its own.
#pragma once

#include <cstddef>
#include <string_view>

namespace console::platform {

// Called once before any other function here. See console::prepare.
void prepare_streams(int failure_status);

// Writes all of `data` to standard output, retrying short writes. Throws
// GeneralFailure when the stream refuses it.
void write_output(const char* data, std::size_t size);

// Reads what standard input has, at most `capacity` bytes, waiting for at
// least one. Returns 0 at the end of input. Throws GeneralFailure on an
// error.
std::size_t read_input(char* buffer, std::size_t capacity);

bool output_is_terminal() noexcept;
bool error_is_terminal() noexcept;

// Writes to standard error as much as it takes; errors there have nowhere
// to go.
void write_error(std::string_view text) noexcept;

// Remembers `sequence`, an SGR colour sequence just sent towards a terminal
// standard output, as the colour in force: a run stopped with Ctrl+Z shows
// the shell no colour, and puts this one back when it is continued.
void note_colour(std::string_view sequence) noexcept;

// Puts the terminal of standard input back into the modes it had when the
// run started, if the run is in its foreground. Every ending does this
// before its diagnostic.
void restore_terminal() noexcept;

}  // namespace console::platform
