// This file defines the fixed texts of the diagnostics with which a run
// ends, shared by the general failure path and the signal handlers, which
// cannot build a text at the moment they need it.
#pragma once

#include <string_view>

namespace console {

// The start of every diagnostic line on standard error.
inline constexpr std::string_view diagnostic_prefix = "licznik-wyrazow: ";

// An interrupt: Ctrl+C at the terminal, or SIGINT from elsewhere.
inline constexpr std::string_view interrupted = "przerwano (Ctrl+C)";

// Another signal that ends the run; the signal's name follows
// ("zakończono sygnałem SIGTERM").
inline constexpr std::string_view ended_by_signal = "zakończono sygnałem ";

}  // namespace console
