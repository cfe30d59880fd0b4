#include "panel/x11_compositing.hpp"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>

namespace tavlets {
namespace {

// libxcb is already in the process whenever Qt runs on X11 (its platform plugin loads it), so
// the few calls needed are looked up there instead of linking the panel against X libraries.
struct Xcb {
    decltype(&xcb_intern_atom) internAtom = nullptr;
    decltype(&xcb_intern_atom_reply) internAtomReply = nullptr;
    decltype(&xcb_get_selection_owner) getSelectionOwner = nullptr;
    decltype(&xcb_get_selection_owner_reply) getSelectionOwnerReply = nullptr;

    bool complete() const {
        return internAtom && internAtomReply && getSelectionOwner && getSelectionOwnerReply;
    }
};

Xcb loadXcb() {
    Xcb xcb;
    void* library = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (!library) return xcb;
    xcb.internAtom = reinterpret_cast<decltype(xcb.internAtom)>(dlsym(library, "xcb_intern_atom"));
    xcb.internAtomReply =
        reinterpret_cast<decltype(xcb.internAtomReply)>(dlsym(library, "xcb_intern_atom_reply"));
    xcb.getSelectionOwner = reinterpret_cast<decltype(xcb.getSelectionOwner)>(
        dlsym(library, "xcb_get_selection_owner"));
    xcb.getSelectionOwnerReply = reinterpret_cast<decltype(xcb.getSelectionOwnerReply)>(
        dlsym(library, "xcb_get_selection_owner_reply"));
    // The handle stays open: libxcb lives as long as the platform plugin anyway.
    return xcb;
}

}  // namespace

std::optional<bool> x11CompositorRunning() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return std::nullopt;
    static const Xcb xcb = loadXcb();
    if (!xcb.complete()) return std::nullopt;

    xcb_connection_t* connection = x11->connection();
    // The screen number is in DISPLAY (":0.1" is screen 1); it is 0 almost everywhere.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        const std::string name(display);
        const auto colon = name.rfind(':');
        const auto dot = name.find('.', colon == std::string::npos ? 0 : colon);
        if (dot != std::string::npos) screen = std::atoi(name.c_str() + dot + 1);
    }
    const std::string atomName = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom = xcb.internAtomReply(
        connection,
        xcb.internAtom(connection, 0, static_cast<uint16_t>(atomName.size()), atomName.c_str()),
        nullptr);
    if (!atom) return std::nullopt;
    xcb_get_selection_owner_reply_t* owner = xcb.getSelectionOwnerReply(
        connection, xcb.getSelectionOwner(connection, atom->atom), nullptr);
    std::free(atom);
    if (!owner) return std::nullopt;
    const bool running = owner->owner != XCB_NONE;
    std::free(owner);
    return running;
}

}  // namespace tavlets
