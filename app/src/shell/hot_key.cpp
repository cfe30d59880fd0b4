#include "shell/hot_key.hpp"

#include "shell/x11_hot_key.hpp"

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
    // would look registered and work almost never.
    if (isWaylandSession()) return std::make_unique<UnsupportedHotKey>();
    auto* app = qGuiApp;
    if (!app) return std::make_unique<UnsupportedHotKey>();
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
        if (Display* display = x11->display()) return std::make_unique<X11HotKey>(display);
    }
    return std::make_unique<UnsupportedHotKey>();
}

}  // namespace tavlets
