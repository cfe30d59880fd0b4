#pragma once
// What the command line asks for, decided before any display connection is made, so that
// --help, --version and mistakes answer in any terminal, with or without a desktop.

#include <QString>
#include <QStringList>

#include <vector>

namespace tavlets {

struct CommandLine {
    enum class Command {
        start,     // no command: start, or toggle the running one
        settings,  // --settings
        help,
        version,
        actions,   // actions [FILE]
        run,       // run ACTION [FILE]
        status,
        error,     // `error` says what was wrong
    };
    Command command = Command::start;
    QString action;
    QString file;  // empty, or "-": standard input
    bool json = false;
    bool clipboard = false;
    QString error;
};

// `arguments` without the program name.
CommandLine parseCommandLine(const QStringList& arguments);
QString helpText();
QString versionText();

// Exit statuses shared by every command.
inline constexpr int kExitFailed = 1;      // the action could not do its work
inline constexpr int kExitUsage = 2;       // a wrong command line, unknown action, unreadable input
inline constexpr int kExitNotRunning = 3;  // `status` found no running Tavlets

// argc/argv for the application object: the user's arguments, plus, in a Wayland session with
// XWayland, `-platform xcb`, so that the app runs as an X11 client (placement under the pointer,
// clipboard reads without focus), unless the user named a platform. An argument, not
// QT_QPA_PLATFORM, so that the commands the app starts see the environment the user gave it.
// Keeps the strings alive for as long as the application object that points into them.
struct ApplicationArguments {
    ApplicationArguments(int argc, char** argv);
    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
    int count = 0;
};

}  // namespace tavlets
