#pragma once
// SIGTERM (logout, kill), SIGINT and SIGHUP end the app the way its own Quit does: the event loop
// stops, the runs are cancelled as their owners go, and nothing a command started is left behind.

class QCoreApplication;

namespace tavlets {

// Also makes the app the reaper of what its commands leave. Call once, with the application.
void quitInOrderOnSignals(QCoreApplication& app);

}  // namespace tavlets
