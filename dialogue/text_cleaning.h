// This file declares the text cleaning phase: it deletes the eight
// characters from the text, shows the result, and shows its word list.
#pragma once

#include "dialogue/state.h"

namespace dialogue {

void czyszczenieTekstu(StanDialogu& stan);

}  // namespace dialogue
