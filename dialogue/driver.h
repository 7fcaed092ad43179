// This file declares the dialogue driver: it runs the whole dialogue once
// and alone decides the exit status.
#pragma once

namespace dialogue {

// Runs the dialogue from the console set-up to its end and returns the exit
// status: 0 for the normal and the give-up end, 1 for the general failure
// path, after its diagnostic on standard error.
int uruchomDialog();

}  // namespace dialogue
