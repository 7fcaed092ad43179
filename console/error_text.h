// This file declares the Polish description of a system error number, for
// the diagnostics of the general failure path.
#pragma once

#include <string>

namespace console {

// A short Polish description of `error_number` (an errno value), with the
// system's own text as a fallback for the rare ones.
std::string describe_error(int error_number);

}  // namespace console
