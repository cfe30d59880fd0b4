#pragma once
// Runs one of the user's commands as a child process: no shell, the text on standard input, the
// result from standard output. Blocks the calling thread (any thread; no event loop needed) until
// the command ends, is killed at its timeout or output limit, or the run is cancelled through the
// thread's CancelScope. The command gets a process group of its own, and every way of stopping it
// kills the whole group.

#include <string>

#include <tavlets/user_actions.hpp>

namespace tavlets {

// The user's home folder ($HOME, else the password database), or empty when unknown.
std::string homeDirectory();

// `workingDirectory` is used when it exists; otherwise the command inherits this process's.
CommandResult runCommand(const CommandRequest& request, const std::string& workingDirectory);

// The runner user actions use: in the home folder, with this process's environment.
CommandRunner homeCommandRunner();

}  // namespace tavlets
