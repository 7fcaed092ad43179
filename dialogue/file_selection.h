// This file declares the file selection phase: it asks for a file name
// until a usable file is read, or gives up after three failed attempts.
#pragma once

#include "dialogue/state.h"

namespace dialogue {

enum class WynikWyboru {
  plikWczytany,  // zdanie holds the text and otwartyPlik is open
  poddanie,      // three attempts failed and the give-up prompt was answered
};

// Throws console::GeneralFailure for what the phase does not handle: the
// end of input, and a usable name whose file cannot be opened or read.
WynikWyboru wyborPliku(StanDialogu& stan);

}  // namespace dialogue
