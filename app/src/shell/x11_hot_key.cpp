#include "shell/x11_hot_key.hpp"

#include <QCoreApplication>
#include <QMetaObject>

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#ifdef TAVLETS_HAVE_XKBCOMMON
#include <xkbcommon/xkbcommon.h>
#endif

#include <QChar>

namespace tavlets {
namespace {

// Set by the temporary error handler while the grabs are made and synced.
bool grabRefused = false;

int recordGrabError(Display*, XErrorEvent* error) {
    if (error->error_code == BadAccess) grabRefused = true;
    return 0;
}

unsigned xModifiers(Qt::KeyboardModifiers modifiers) {
    unsigned mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier) mask |= ControlMask;
    if (modifiers & Qt::AltModifier) mask |= Mod1Mask;
    if (modifiers & Qt::MetaModifier) mask |= Mod4Mask;
    return mask;
}

// Character keys have the keysym of their lower-case character; Qt names them by the upper case.
// Layouts of other scripts list the legacy keysyms (Cyrillic_ef), which xkbcommon prefers too.
KeySym keysymFor(Qt::Key key) {
    if (key == Qt::Key_Space) return XK_space;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return XK_F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Return: return XK_Return;
    case Qt::Key_Enter: return XK_KP_Enter;
    case Qt::Key_Tab: return XK_Tab;
    case Qt::Key_Backspace: return XK_BackSpace;
    case Qt::Key_Insert: return XK_Insert;
    case Qt::Key_Delete: return XK_Delete;
    case Qt::Key_Home: return XK_Home;
    case Qt::Key_End: return XK_End;
    case Qt::Key_PageUp: return XK_Page_Up;
    case Qt::Key_PageDown: return XK_Page_Down;
    case Qt::Key_Left: return XK_Left;
    case Qt::Key_Right: return XK_Right;
    case Qt::Key_Up: return XK_Up;
    case Qt::Key_Down: return XK_Down;
    case Qt::Key_Escape: return XK_Escape;
    case Qt::Key_Print: return XK_Print;
    case Qt::Key_Pause: return XK_Pause;
    default: break;
    }
    if (key > 0x20 && key <= 0x10ffff) {
        const char32_t lower = QChar::toLower(char32_t(key));
#ifdef TAVLETS_HAVE_XKBCOMMON
        const xkb_keysym_t keysym = xkb_utf32_to_keysym(lower);
        return keysym == XKB_KEY_NoSymbol ? NoSymbol : KeySym(keysym);
#else
        // Latin-1 keysyms are their characters' codes.
        return lower <= 0xff ? KeySym(lower) : NoSymbol;
#endif
    }
    return NoSymbol;
}

}  // namespace

X11HotKey::X11HotKey(Display* display) : display_(display) {
    if (display_) root_ = DefaultRootWindow(display_);
}

X11HotKey::~X11HotKey() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
}

std::vector<unsigned> X11HotKey::grabMasks(unsigned modifiers, unsigned numLockMask) {
    std::vector<unsigned> masks{modifiers, modifiers | LockMask};
    if (numLockMask != 0 && numLockMask != LockMask) {
        masks.push_back(modifiers | numLockMask);
        masks.push_back(modifiers | numLockMask | LockMask);
    }
    return masks;
}

unsigned X11HotKey::numLockMask() const {
    unsigned mask = 0;
    const KeyCode numLock = XKeysymToKeycode(display_, XK_Num_Lock);
    XModifierKeymap* map = XGetModifierMapping(display_);
    if (!map) return 0;
    if (numLock != 0) {
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < map->max_keypermod; ++i) {
                if (map->modifiermap[modifier * map->max_keypermod + i] == numLock) mask = 1u << modifier;
            }
        }
    }
    XFreeModifiermap(map);
    return mask;
}

unsigned X11HotKey::keycodeFor(Qt::Key key) const {
    const KeySym keysym = keysymFor(key);
    return display_ && keysym != NoSymbol ? XKeysymToKeycode(display_, keysym) : 0;
}

bool X11HotKey::isOnLayout(Qt::Key key) const { return keycodeFor(key) != 0; }

void X11HotKey::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) {
    handler_ = std::move(handler);
    status_ = grab(key, modifiers);
    if (status_ == HotKeyStatus::registered && !filterInstalled_) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
}

void X11HotKey::rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) {
    const HotKeyStatus before = status_;
    const unsigned oldKeycode = keycode_, oldModifiers = modifiers_;
    const Qt::Key oldKey = key_;
    const Qt::KeyboardModifiers oldQtModifiers = qtModifiers_;
    if (before == HotKeyStatus::registered) ungrab();
    const HotKeyStatus outcome = grab(key, modifiers);
    const bool inForce = outcome == HotKeyStatus::registered;
    if (inForce) {
        status_ = HotKeyStatus::registered;
        if (!filterInstalled_ && QCoreApplication::instance()) {
            QCoreApplication::instance()->installNativeEventFilter(this);
            filterInstalled_ = true;
        }
    } else if (before == HotKeyStatus::registered && grab(oldKey, oldQtModifiers) == HotKeyStatus::registered) {
        // The old combination was ours a moment ago; take it back.
        status_ = HotKeyStatus::registered;
    } else {
        keycode_ = oldKeycode;
        modifiers_ = oldModifiers;
        key_ = oldKey;
        qtModifiers_ = oldQtModifiers;
        if (before == HotKeyStatus::registered) status_ = outcome;
    }
    held_ = false;
    if (status_ != before || inForce) notifyChanged();
    if (done) done(inForce);
}

void X11HotKey::ungrab() {
    if (!display_ || keycode_ == 0) return;
    for (unsigned mask : grabMasks(modifiers_, ignoredMask_ & ~LockMask)) XUngrabKey(display_, int(keycode_), mask, root_);
    XSync(display_, False);
}

HotKeyStatus X11HotKey::grab(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (!display_) return HotKeyStatus::refused;

    const unsigned keycode = keycodeFor(key);
    if (keycode == 0) return HotKeyStatus::notOnLayout;
    const unsigned xmods = xModifiers(modifiers);
    const unsigned numLock = numLockMask();

    const std::vector<unsigned> masks = grabMasks(xmods, numLock);
    // Another client holding the combination answers with BadAccess; the error arrives only after
    // a round trip, so sync under a handler of our own and put Qt's back afterwards.
    XSync(display_, False);
    grabRefused = false;
    XErrorHandler previous = XSetErrorHandler(recordGrabError);
    // Not owner events: while the grab lasts, the release must come to the root window too, also
    // when our own panel has taken the focus in between, or the next press looks like a repeat.
    for (unsigned mask : masks) XGrabKey(display_, int(keycode), mask, root_, False, GrabModeAsync, GrabModeAsync);
    XSync(display_, False);
    if (grabRefused) {
        // Keep no half grab: the combination is reported unavailable as a whole.
        for (unsigned mask : masks) XUngrabKey(display_, int(keycode), mask, root_);
        XSync(display_, False);
    }
    XSetErrorHandler(previous);

    if (grabRefused) return HotKeyStatus::refused;
    keycode_ = keycode;
    modifiers_ = xmods;
    ignoredMask_ = LockMask | numLock;
    key_ = key;
    qtModifiers_ = modifiers;
    return HotKeyStatus::registered;
}

bool X11HotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (status_ != HotKeyStatus::registered || eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
    const auto* key = static_cast<const xcb_key_press_event_t*>(message);
    if (key->event != root_ || key->detail != keycode_) return false;

    if (type == XCB_KEY_RELEASE) {
        held_ = false;
        return true;
    }
    const unsigned state = key->state & 0xff & ~ignoredMask_;
    if (state != modifiers_) return false;
    // Auto-repeat sends presses without releases, a few dozen milliseconds apart. A long silence
    // means a release went missing, so that press is a new one.
    const bool repeat = held_ && key->time - lastPress_ < 1000;
    held_ = true;
    lastPress_ = key->time;
    if (repeat) return true;
    if (handler_) QMetaObject::invokeMethod(QCoreApplication::instance(), handler_, Qt::QueuedConnection);
    return true;
}

}  // namespace tavlets
