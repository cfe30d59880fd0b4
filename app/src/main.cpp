// Tavlets: starts in the background with a tray item and Alt+Space; a second launch toggles the
// panel of the running one and exits.

#include "commands/user_actions_source.hpp"
#include "panel/memory_release.hpp"
#include "panel/panel_controller.hpp"
#include "panel/qt_clipboard.hpp"
#include "shell/app_delegate.hpp"
#include "shell/hot_key.hpp"
#include "shell/single_instance.hpp"

#include <QApplication>
#include <QSystemTrayIcon>

#include <cstdio>

int main(int argc, char** argv) {
    tavlets::tuneAllocatorForLargeBuffers();
    // On Wayland, XWayland (when there) lets the panel be placed under the pointer.
    if (tavlets::isWaylandSession() && !qEnvironmentVariableIsEmpty("DISPLAY")) qputenv("QT_QPA_PLATFORM", "xcb");

    tavlets::SingleInstance instance(tavlets::SingleInstance::defaultName());
    if (!instance.claim()) {
        // Another Tavlets runs for this user and display: hand it the toggle and leave. No
        // display connection is needed for that.
        QCoreApplication core(argc, argv);
        if (instance.sendToggle()) return 0;
        std::fputs("Tavlets is already running but does not answer.\n", stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tavlets"));
    QApplication::setDesktopFileName(QStringLiteral("tavlets"));
    QApplication::setQuitOnLastWindowClosed(false);

    tavlets::AppDelegate delegate(std::make_shared<tavlets::QtClipboard>(), tavlets::createHotKey());
    tavlets::installUserActions(delegate.panel().model());
    delegate.start();
    const bool listening = instance.listen();
    delegate.attach(instance);

    const QString warning = tavlets::unreachableWarning(QSystemTrayIcon::isSystemTrayAvailable(), delegate.hotKey().status());
    if (!warning.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(warning));
        if (!listening) {
            std::fputs("Tavlets: a second launch cannot reach it either, so it stops.\n", stderr);
            return 1;
        }
    }
    const int status = app.exec();
    instance.close();  // while the application object still exists
    return status;
}
