// Tavlets: starts in the background with a tray item and the chosen shortcut (Alt+Space unless
// the user picked another); a second launch toggles the panel of the running one and exits.
// `tavlets --settings` opens the Settings window, in the running one if there is one.

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
#include <cstring>

int main(int argc, char** argv) {
    tavlets::tuneAllocatorForLargeBuffers();

    bool openSettings = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--settings") == 0) openSettings = true;
    }

    // On Wayland, XWayland (when there) lets the panel be placed under the pointer and the
    // clipboard be read without waiting for the keyboard focus. A platform the user names wins.
    if (tavlets::isWaylandSession() && !qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }

    tavlets::SingleInstance instance(tavlets::SingleInstance::defaultName());
    if (!instance.claim()) {
        // Another Tavlets runs for this user and display: hand it the request and leave. No
        // display connection is needed for that.
        QCoreApplication core(argc, argv);
        if (openSettings ? instance.sendOpenSettings() : instance.sendToggle()) return 0;
        std::fputs("Tavlets is already running but does not answer.\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavlets"));
    QApplication::setDesktopFileName(QStringLiteral("tavlets"));
    QApplication::setQuitOnLastWindowClosed(false);
    tavlets::quitInOrderOnSignals(app);

    tavlets::AppDelegate delegate(std::make_shared<tavlets::QtClipboard>(), tavlets::createHotKey());
    tavlets::installUserActions(delegate.panel().model());
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
