#pragma once
// The commands that work on a text from a terminal or a script: `actions`, `run` and `status`.
// They use the panel's own model and the user's own actions file, so a result is byte for byte
// what the panel would show and copy.

#include "cli/command_line.hpp"

namespace tavlets {

// Runs an actions, run or status command; returns the exit status. argc and argv go to the
// application object where one is needed.
int runCommand(const CommandLine& line, int argc, char** argv);

}  // namespace tavlets
