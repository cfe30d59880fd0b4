#pragma once
// The global hot key: one key combination that reaches the app whichever window has the keyboard.
// Backends per desktop; the shell only sees this interface.

#include <QString>
#include <Qt>

#include <functional>
#include <memory>

namespace tavlets {

enum class HotKeyStatus {
    notRegistered,  // register has not run yet
    registered,     // the desktop accepted the combination
    refused,        // another client holds it
    unsupported,    // this session gives no global key grabs (Wayland, no X display, no portal)
    pending,        // asked the desktop (portal); no answer yet
    declined,       // the desktop's portal answered no, or did not answer in time
    notOnLayout,    // the key has no key code in the current keyboard layout
};

class HotKey {
public:
    using Handler = std::function<void()>;
    using Done = std::function<void(bool inForce)>;

    virtual ~HotKey() = default;

    // Claims key + modifiers for the whole desktop. The handler runs on the main thread, posted
    // to the event loop, for every press. Called once at start; the outcome is kept in status().
    virtual void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) = 0;
    // Swaps in another combination: releases the old one and claims the new one. When the new one
    // is refused, the old one stays in force. `done` runs once, on the main thread, maybe before
    // rebind returns, with whether the new combination is in force.
    virtual void rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) = 0;
    virtual HotKeyStatus status() const = 0;
    // How the desktop names the trigger it bound (portal); empty where the combination is ours.
    virtual QString triggerDescription() const { return {}; }
    // True where the desktop binds the keys and may ask the user (portal), not a grab of our own.
    virtual bool desktopBinds() const { return false; }

    // Whether the keyboard layout has the key at all; a combination without it can't be pressed.
    virtual bool isOnLayout(Qt::Key) const { return true; }

    bool isRegistered() const { return status() == HotKeyStatus::registered; }

    // Called after status() or triggerDescription() changed.
    void setChangeObserver(std::function<void()> observer) { observer_ = std::move(observer); }

protected:
    void notifyChanged() {
        if (observer_) observer_();
    }

private:
    std::function<void()> observer_;
};

// A session where an X11 grab cannot see keys typed into other applications.
bool isWaylandSession(const QString& sessionType, bool waylandDisplaySet);
bool isWaylandSession();  // from XDG_SESSION_TYPE and WAYLAND_DISPLAY

// The best backend for the running application: X11 on an xcb platform outside Wayland; on
// Wayland the desktop portal's global shortcuts when there is a session bus (it reports
// `unsupported` itself when the portal lacks them); otherwise one that always reports `unsupported`.
// Needs the QGuiApplication to exist.
std::unique_ptr<HotKey> createHotKey();

// A backend for sessions without global key grabs.
class UnsupportedHotKey : public HotKey {
public:
    void registerKey(Qt::Key, Qt::KeyboardModifiers, Handler) override {}
    void rebind(Qt::Key, Qt::KeyboardModifiers, Done done) override {
        if (done) done(false);
    }
    HotKeyStatus status() const override { return HotKeyStatus::unsupported; }
};

}  // namespace tavlets
