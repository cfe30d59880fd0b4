#include "shell/orderly_quit.hpp"

#include "commands/command_runner.hpp"

#include <QCoreApplication>
#include <QObject>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace tavlets {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int wakeWrite = -1;

// Only a write is safe in a handler; the event loop does the rest.
void onSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite, &byte, 1);
    errno = saved;
}

// Lives as long as the application object, which outlives everything that runs commands: when it
// goes, the runs have been cancelled and waited for, and only strays can be left.
class Guard : public QObject {
public:
    using QObject::QObject;
    ~Guard() override { endAllLeftovers(); }
};

}  // namespace

void quitInOrderOnSignals(QCoreApplication& app) {
    adoptOrphanedDescendants();
    auto* guard = new Guard(&app);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeWrite = fds[1];
    auto* notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, guard);
    QObject::connect(notifier, &QSocketNotifier::activated, guard, [fd = fds[0]] {
        char bytes[16];
        while (::read(fd, bytes, sizeof bytes) > 0) {
        }
        // A second signal, should the orderly way hang, ends the app at once.
        for (const int signal : kSignals) std::signal(signal, SIG_DFL);
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

}  // namespace tavlets
