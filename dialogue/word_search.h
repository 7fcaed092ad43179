// This file declares the word search phase: it counts the entries equal to
// the word the user names, reports the count, and waits for the last ENTER.
#pragma once

#include "dialogue/state.h"

namespace dialogue {

void wyszukiwanieWyrazu(StanDialogu& stan);

}  // namespace dialogue
