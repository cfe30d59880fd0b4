#pragma once
// The global hot key: one key combination, registered once at start-up, that reaches the app
// whichever window has the keyboard. Backends per desktop; the shell only sees this interface.

#include <QString>
#include <Qt>

#include <functional>
#include <memory>

namespace tavlets {

enum class HotKeyStatus {
    notRegistered,  // register has not run yet
    registered,     // the desktop accepted the combination
    refused,        // another client holds it
    unsupported,    // this session gives no global key grabs (Wayland, no X display)
};

class HotKey {
public:
    using Handler = std::function<void()>;

    virtual ~HotKey() = default;

    // Claims key + modifiers for the whole desktop. The handler runs on the main thread, posted
    // to the event loop, for every press. Meant to be called once; the outcome is kept in status().
    virtual void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) = 0;
    virtual HotKeyStatus status() const = 0;

    bool isRegistered() const { return status() == HotKeyStatus::registered; }
};

// A session where an X11 grab cannot see keys typed into other applications.
bool isWaylandSession(const QString& sessionType, bool waylandDisplaySet);
bool isWaylandSession();  // from XDG_SESSION_TYPE and WAYLAND_DISPLAY

// The best backend for the running application: X11 on an xcb platform outside Wayland,
// otherwise one that always reports `unsupported`. Needs the QGuiApplication to exist.
std::unique_ptr<HotKey> createHotKey();

// A backend for sessions without global key grabs.
class UnsupportedHotKey : public HotKey {
public:
    void registerKey(Qt::Key, Qt::KeyboardModifiers, Handler) override {}
    HotKeyStatus status() const override { return HotKeyStatus::unsupported; }
};

}  // namespace tavlets
