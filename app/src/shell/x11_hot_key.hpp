#pragma once
// Global hot key on X11: a passive key grab on the root window, seen through Qt's xcb events.

#include "shell/hot_key.hpp"

#include <QAbstractNativeEventFilter>

#include <vector>

typedef struct _XDisplay Display;

namespace tavlets {

class X11HotKey : public HotKey, public QAbstractNativeEventFilter {
public:
    // display: the application's own connection (Qt's), so the key events reach its event loop.
    explicit X11HotKey(Display* display);
    ~X11HotKey() override;

    void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) override;
    void rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) override;
    HotKeyStatus status() const override { return status_; }
    bool isOnLayout(Qt::Key key) const override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The modifier combinations grabbed for one press: the lock keys (Caps Lock, Num Lock) must
    // not make the grab miss, so every combination of them is grabbed too.
    static std::vector<unsigned> grabMasks(unsigned modifiers, unsigned numLockMask);

private:
    unsigned numLockMask() const;
    // The key's code in the current layout; 0 when the layout lacks it.
    unsigned keycodeFor(Qt::Key key) const;
    // Grabs every lock-key variant of the combination, or none; on success it becomes the current one.
    // Fails as notOnLayout or refused; registered on success.
    HotKeyStatus grab(Qt::Key key, Qt::KeyboardModifiers modifiers);
    void ungrab();

    Display* display_;
    unsigned long root_ = 0;
    unsigned keycode_ = 0;
    unsigned modifiers_ = 0;
    unsigned ignoredMask_ = 0;
    Qt::Key key_ = Qt::Key_unknown;
    Qt::KeyboardModifiers qtModifiers_;
    bool filterInstalled_ = false;
    bool held_ = false;  // between press and release, so key repeat does not toggle again
    unsigned lastPress_ = 0;  // server time of the last press or repeat, in ms
    Handler handler_;
    HotKeyStatus status_ = HotKeyStatus::notRegistered;
};

}  // namespace tavlets
