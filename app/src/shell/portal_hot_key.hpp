#pragma once
// Global shortcut through the XDG desktop portal (org.freedesktop.portal.GlobalShortcuts), for
// Wayland sessions. The desktop owns the key: Tavlets asks for one shortcut, `open-panel`, with
// the chosen combination as its preferred trigger, and the desktop binds it (or another one the
// user picks) and says how it describes the trigger.
//
// One session with a fixed token, so the desktop keeps one entry for the app across starts. The
// shortcut goes in CreateSession's options too: Plasma 5.27 and 6.0 bind only what comes there.
// A shortcut the desktop already holds is used as it is, without asking the user again. The
// portal's comings and goings are followed: gone, nothing works; back, the session is made anew.

#include "shell/hot_key.hpp"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class QDBusMessage;
class QDBusPendingCallWatcher;

namespace tavlets {

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};
using PortalShortcutList = QList<PortalShortcut>;

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut);
// Only for a value whose signature is known to be (sa{sv}): another type crashes inside Qt.
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut);

inline constexpr auto kPortalService = "org.freedesktop.portal.Desktop";
inline constexpr auto kPortalPath = "/org/freedesktop/portal/desktop";
inline constexpr auto kShortcutsInterface = "org.freedesktop.portal.GlobalShortcuts";
inline constexpr auto kOpenPanelId = "open-panel";
inline constexpr auto kSessionToken = "tavlets";

// What a portal's shortcut list says about `open-panel`, read without trusting its type or size.
struct OpenPanelBinding {
    bool wellFormed = false;  // the value is an a(sa{sv}) list
    bool listed = false;      // open-panel is in it
    QString trigger;          // its trigger_description, shortened when absurdly long
};
OpenPanelBinding readOpenPanel(const QVariant& shortcuts);
inline constexpr int kMaxShortcutsRead = 1000;
inline constexpr int kMaxTriggerLength = 200;

class PortalHotKey : public QObject, public HotKey {
    Q_OBJECT
public:
    struct Timeouts {
        int callMs = 5000;        // any method call
        int sessionMs = 10000;    // CreateSession's answer
        int bindMs = 120000;      // BindShortcuts' answer: the desktop may ask the user first
    };

    explicit PortalHotKey(QDBusConnection bus, QObject* parent = nullptr);
    PortalHotKey(QDBusConnection bus, Timeouts timeouts, QObject* parent = nullptr);
    ~PortalHotKey() override;

    void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) override;
    void rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) override;
    HotKeyStatus status() const override { return status_; }
    QString triggerDescription() const override { return trigger_; }
    bool desktopBinds() const override { return true; }

    // The session the shortcut lives in; empty before one is created.
    QString sessionHandle() const { return session_; }

private slots:
    // Taken as whole messages, so that their signatures can be checked before anything is read.
    void onActivated(const QDBusMessage& message);
    void onShortcutsChanged(const QDBusMessage& message);
    void onPortalOwnerChanged(const QString& service, const QString& oldOwner, const QString& newOwner);

private:
    using Answer = std::function<void(uint code, const QVariantMap& results)>;
    // Calls a portal method that answers through a Request object, and gives the Response to
    // `answer` (code 2 for a failed call or a malformed Response, 3 when nothing came in time).
    void request(const QString& method, const QVariantList& arguments, const QString& token, int timeoutMs,
                 Answer answer);
    void createSession(std::function<void(const QString& session, bool missing)> created);
    void list(const QString& session, Answer answer);
    void bind(const QString& session, QKeyCombination combination, Answer answer);
    void closeSession(const QString& session);
    void start();  // registers the app id, then probe()
    void probe();  // checks for the interface, creates the session, lists, binds when nothing is bound
    void openSession(unsigned epoch, bool mayRetry);
    void bindAtStart(unsigned epoch);
    // The state a Response with a shortcut list leads to; false when the list was not usable.
    bool takeBinding(uint code, const QVariantMap& results);
    void setState(HotKeyStatus status, const QString& trigger);
    void warnOnce(const QString& what);
    QString nextToken();

    QDBusServiceWatcher watcher_;
    unsigned epoch_ = 0;   // counts the portal's lives; answers from an older one are ignored
    bool warned_ = false;  // one line on stderr per portal for malformed messages
    bool started_ = false; // registerKey has run

    QDBusConnection bus_;
    Timeouts timeouts_;
    Handler handler_;
    QKeyCombination combination_;
    HotKeyStatus status_ = HotKeyStatus::notRegistered;
    QString trigger_;
    QString session_;
    bool busy_ = false;  // a session is being set up; a rebind waits for it to end
    unsigned tokens_ = 0;
};

}  // namespace tavlets

Q_DECLARE_METATYPE(tavlets::PortalShortcut)
Q_DECLARE_METATYPE(tavlets::PortalShortcutList)
