#pragma once
// A stand-in for xdg-desktop-portal's GlobalShortcuts on a private bus: answers the calls the
// way the real portal does (a Request path at once, the result later as a Response signal),
// records what it was asked, and can fire the desktop's signals.

#include "shell/portal_hot_key.hpp"

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QTemporaryDir>

#include <vector>

namespace tavlets::testing {

// `dbus-daemon --session` of the test's own, without service activation (no real portal starts).
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool isRunning() const { return !address_.isEmpty(); }
    // A new connection to the bus under a name unique in the process.
    QDBusConnection connect();

private:
    QTemporaryDir dataHome_;
    QProcess daemon_;
    QString address_;
    QStringList names_;
};

class FakePortal : public QDBusVirtualObject {
public:
    struct Call {
        QString interface;
        QString member;
        QVariantList arguments;
    };

    explicit FakePortal(QDBusConnection bus);
    ~FakePortal() override;

    // What this portal offers and answers.
    bool globalShortcuts = true;  // has the interface
    bool registry = true;         // has org.freedesktop.host.portal.Registry (newer portals)
    bool responds = true;         // sends Response signals at all
    uint bindCode = 0;            // BindShortcuts' response: 0 granted, 1 cancelled, 2 failed
    QString triggerDescription = QStringLiteral("Ctrl+Alt+Space");

    std::vector<Call> calls;
    QStringList closedSessions;
    QStringList sessions;  // as created, in order
    std::vector<PortalShortcutList> bound;

    void activate(const QString& session, const QString& id = QString::fromLatin1(kOpenPanelId));
    void changeShortcuts(const QString& session, const QString& trigger);

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void respond(const QString& requestPath, uint code, const QVariantMap& results);
    void signal(const char* member, const QVariantList& arguments);

    QDBusConnection bus_;
};

}  // namespace tavlets::testing
