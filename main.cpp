// This file is the program entry: it only starts the dialogue. Command-line
// arguments are not used.
#include "dialogue/driver.h"

int main() { return dialogue::uruchomDialog(); }
