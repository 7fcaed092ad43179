// Linked into the Windows build of the unit tests: their standard output is
// put in binary mode before main, so that the test listing that CMake reads
// and parses has plain line feeds rather than the CR LF of text mode.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

[[maybe_unused]] const int previous_mode = _setmode(_fileno(stdout), _O_BINARY);

}  // namespace
