#pragma once
// Runs one of the user's commands as a child process: no shell, the text on standard input, the
// result from standard output. Blocks the calling thread (any thread; no event loop needed) until
// the command ends, is killed at its timeout or output limit, or the run is cancelled through the
// thread's CancelScope. The command gets a process group of its own and a mark in its
// environment; when the run ends, by any way, the group and every process with the mark are
// killed, so nothing it started in the background outlives it.

#include <string>

#include <tavlets/user_actions.hpp>

namespace tavlets {

// Makes this process the reaper of orphans (Linux), so that what a command starts, even in a
// session of its own, is re-parented here and reaped once killed. Only for a process that starts
// no children other than commands: orphans that end are reaped whoever started them.
void adoptOrphanedDescendants();

// Kills every process any run of this process left behind, and reaps them. For the app's exit.
void endAllLeftovers();

// The user's home folder ($HOME, else the password database), or empty when unknown.
std::string homeDirectory();

// `workingDirectory` is used when it exists; otherwise the command inherits this process's.
CommandResult runCommand(const CommandRequest& request, const std::string& workingDirectory);

// The runner user actions use: in the home folder, with this process's environment.
CommandRunner homeCommandRunner();

}  // namespace tavlets
