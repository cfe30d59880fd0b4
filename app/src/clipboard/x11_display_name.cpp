// Apart from the other X11 code: Xlib's header defines macros (Status, None, Bool) that clash
// with ordinary names.
#include <QGuiApplication>
#include <qguiapplication_platform.h>

#include <X11/Xlib.h>

#include <string>

namespace tavlets {

std::string openedX11Display() {
    if (!qGuiApp) return {};
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 ? x11->display() : nullptr;
    return display ? std::string(XDisplayString(display)) : std::string();
}

}  // namespace tavlets
