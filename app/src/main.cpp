// Tavlets: starts in the background with a tray item and the chosen shortcut (Alt+Space unless
// the user picked another); a second launch toggles the panel of the running one and exits.
// `tavlets --settings` opens the Settings window, in the running one if there is one. The
// commands (actions, run, status) and --help work from any terminal, with no display.

#include "cli/cli_commands.hpp"
#include "cli/command_line.hpp"
#include "commands/user_actions_source.hpp"
#include "running/memory_release.hpp"
#include "panel/panel_controller.hpp"
#include "clipboard/qt_clipboard.hpp"
#include "shell/app_delegate.hpp"
#include "shell/hot_key.hpp"
#include "shell/orderly_quit.hpp"
#include "shell/shortcut_texts.hpp"
#include "shell/single_instance.hpp"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>

int main(int argc, char** argv) {
    tavlets::tuneAllocatorForLargeBuffers();

    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const tavlets::CommandLine line = tavlets::parseCommandLine(arguments);
    using Command = tavlets::CommandLine::Command;
    switch (line.command) {
    case Command::help:
        std::fputs(qPrintable(tavlets::helpText()), stdout);
        return 0;
    case Command::version:
        std::fputs(qPrintable(tavlets::versionText()), stdout);
        return 0;
    case Command::error:
        std::fprintf(stderr, "tavlets: %s\nTry 'tavlets --help' for more information.\n", qPrintable(line.error));
        return tavlets::kExitUsage;
    case Command::actions:
    case Command::run:
    case Command::status:
        return tavlets::runCommand(line, argc, argv);
    case Command::start:
    case Command::settings:
        break;
    }
    const bool openSettings = line.command == Command::settings;

    QString unsafe;
    const std::optional<QString> place = tavlets::SingleInstance::defaultPath(&unsafe);
    if (!place) {
        // Another user could stand in for this Tavlets there, or receive what is meant for it.
        std::fprintf(stderr, "Tavlets: cannot start safely: %s\n", qPrintable(unsafe));
        return 1;
    }
    tavlets::SingleInstance instance(*place);
    if (!instance.claim()) {
        // Another Tavlets runs for this user and display: hand it the request and leave. No
        // display connection is needed for that.
        QCoreApplication core(argc, argv);
        if (openSettings ? instance.sendOpenSettings() : instance.sendToggle()) return 0;
        std::fputs("Tavlets is already running but does not answer.\n", stderr);
        return 1;
    }

    tavlets::ApplicationArguments appArguments(argc, argv);
    QApplication app(appArguments.count, appArguments.pointers.data());
    QApplication::setApplicationName(QStringLiteral("tavlets"));
    QApplication::setDesktopFileName(QStringLiteral("tavlets"));
    QApplication::setQuitOnLastWindowClosed(false);
    tavlets::quitInOrderOnSignals(app);

    tavlets::AppDelegate delegate(std::make_shared<tavlets::QtClipboard>(), tavlets::createHotKey());
    // Answers from the matching thread land as tasks for the panel, and die with it.
    tavlets::installUserActions(delegate.panel().model(), [panel = &delegate.panel()](std::function<void()> task) {
        QMetaObject::invokeMethod(panel, std::move(task), Qt::QueuedConnection);
    });
    delegate.start();
    const bool listening = instance.listen();
    delegate.attach(instance);
    if (openSettings) delegate.openSettings();

    // Nothing could ever open the panel: no tray, no shortcut, and no second launch either.
    if (!listening && !openSettings &&
        !tavlets::unreachableWarning(QSystemTrayIcon::isSystemTrayAvailable(), delegate.shortcutState()).isEmpty()) {
        std::fputs("Tavlets: a second launch cannot reach it either, so it stops.\n", stderr);
        return 1;
    }
    const int status = app.exec();
    instance.close();  // while the application object still exists
    return status;
}
