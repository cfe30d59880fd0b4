#include "shell/hot_key.hpp"

#include "shell/portal_hot_key.hpp"
#include "shell/x11_hot_key.hpp"

#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>

namespace tavlets {

bool isWaylandSession(const QString& sessionType, bool waylandDisplaySet) {
    return waylandDisplaySet || sessionType.compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool isWaylandSession() {
    return isWaylandSession(qEnvironmentVariable("XDG_SESSION_TYPE"), !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"));
}

std::unique_ptr<HotKey> createHotKey() {
    // Under Wayland an X11 grab through XWayland sees only keys typed into X11 windows, so it
    // would look registered and work almost never. The desktop portal is the way there; the
    // session bus is only used when the session has one (no autolaunching a bus of our own).
    if (isWaylandSession()) {
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const bool sessionBus = !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") ||
                                (!runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists());
        if (sessionBus && QDBusConnection::sessionBus().isConnected()) {
            return std::make_unique<PortalHotKey>(QDBusConnection::sessionBus());
        }
        return std::make_unique<UnsupportedHotKey>();
    }
    auto* app = qGuiApp;
    if (!app) return std::make_unique<UnsupportedHotKey>();
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display()) return std::make_unique<X11HotKey>(display);
    }
    return std::make_unique<UnsupportedHotKey>();
}

}  // namespace tavlets
