#pragma once
// A stand-in for xdg-desktop-portal's GlobalShortcuts on a private bus: answers the calls the
// way the real portal does (a Request path at once, the result later as a Response signal),
// records what it was asked, and can fire the desktop's signals.

#include "shell/portal_hot_key.hpp"
#include "shell_test_util.hpp"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tavlets::testing {

// Two connections, the desktop's side and the app's, to a `dbus-daemon --session` of the test's
// own. Its configuration names no service folder, so no installed service (xdg-desktop-portal
// above all) is ever started on it.
struct OnPrivateBus : ::testing::Test {
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) GTEST_SKIP() << "no dbus-daemon";
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=" TAVLETS_TEST_DATA_DIR "/shell/private_bus.conf"),
                                                     QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        ASSERT_TRUE(daemon.waitForStarted(5000));
        while (!daemon.canReadLine() && daemon.waitForReadyRead(5000)) continue;
        const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        portalSide = QDBusConnection::connectToBus(address, QStringLiteral("tavlets-test-portal ") + address);
        appSide = QDBusConnection::connectToBus(address, QStringLiteral("tavlets-test-app ") + address);
        ASSERT_TRUE(portalSide.isConnected() && appSide.isConnected());
    }
    void TearDown() override {
        for (const QDBusConnection& side : {portalSide, appSide}) QDBusConnection::disconnectFromBus(side.name());
        daemon.kill();
        daemon.waitForFinished(5000);
    }
    QProcess daemon;
    QDBusConnection portalSide{QString()};
    QDBusConnection appSide{QString()};
};

class FakePortal : public QDBusVirtualObject {
public:
    explicit FakePortal(QDBusConnection bus) : bus_(std::move(bus)) {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<PortalShortcutList>();
        bus_.registerVirtualObject(QString::fromLatin1(kPortalPath), this, QDBusConnection::SubPath);
        bus_.registerService(QString::fromLatin1(kPortalService));
    }
    ~FakePortal() override {
        bus_.unregisterService(QString::fromLatin1(kPortalService));
        bus_.unregisterObject(QString::fromLatin1(kPortalPath), QDBusConnection::UnregisterTree);
    }

    // What this portal offers and answers.
    bool globalShortcuts = true;  // has the interface
    bool registry = true;         // has org.freedesktop.host.portal.Registry (newer portals)
    bool responds = true;         // sends Response signals at all
    uint bindCode = 0;            // BindShortcuts' response: 0 granted, 1 cancelled, 2 failed
    bool bindsOnCreate = false;   // binds the shortcuts in CreateSession's options (Plasma 5.27)
    enum class Malformed { no, shortcutsAsMap, responseSignature } malformed = Malformed::no;  // in BindShortcuts' Response
    QString triggerDescription = QStringLiteral("Ctrl+Alt+Space");
    PortalShortcutList held;      // what the desktop binds for the app, kept across sessions

    std::vector<QDBusMessage> calls;
    QStringList closedSessions;
    QStringList sessions;  // as created, in order
    std::vector<PortalShortcutList> bound;

    void activate(const QString& session, const QString& id = QString::fromLatin1(kOpenPanelId)) {
        signal("Activated", {QVariant::fromValue(QDBusObjectPath(session)), id, QVariant::fromValue(qulonglong(1234)),
                             QVariant::fromValue(QVariantMap())});
    }
    void signal(const char* member, const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(kPortalPath), QString::fromLatin1(kShortcutsInterface),
                                                          QString::fromLatin1(member));
        message.setArguments(arguments);
        bus_.send(message);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        const QString interface = message.interface(), member = message.member();
        const QVariantList args = message.arguments();
        calls.push_back(message);
        const QString sender = message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
        const auto path = [&](const char* kind, const QVariant& options, const char* token) {
            return QStringLiteral("/org/freedesktop/portal/desktop/%1/%2/%3")
                .arg(QLatin1String(kind), sender, qdbus_cast<QVariantMap>(options).value(QLatin1String(token)).toString());
        };
        // Answers with the Request object's path, made from the caller's token as the real portal
        // does, and later with the Response on it.
        const auto answer = [&](const QVariant& options, const QVariantList& response) {
            const QString request = path("request", options, "handle_token");
            connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(request, response);
            return true;
        };
        const auto shortcutsAre = [](const QVariant& list) { return QVariantMap{{QStringLiteral("shortcuts"), list}}; };
        const auto reply = [&](const QVariantList& arguments = {}) { connection.send(message.createReply(arguments)); return true; };
        const auto fail = [&](const char* error) {
            connection.send(message.createErrorReply(QString::fromLatin1(error), QStringLiteral("not offered")));
            return true;
        };
        const bool shortcuts = globalShortcuts && interface == QLatin1String(kShortcutsInterface);

        if (interface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
            if (!globalShortcuts || args.value(0).toString() != QLatin1String(kShortcutsInterface)) {
                return fail("org.freedesktop.DBus.Error.UnknownInterface");
            }
            return reply({QVariant::fromValue(QDBusVariant(QVariant::fromValue(1u)))});
        }
        if (interface == QLatin1String("org.freedesktop.host.portal.Registry")) {
            return registry ? reply() : fail("org.freedesktop.DBus.Error.UnknownInterface");
        }
        if (interface == QLatin1String("org.freedesktop.portal.Session") && member == QLatin1String("Close")) {
            closedSessions.append(message.path());
            return reply();
        }
        if (shortcuts && member == QLatin1String("CreateSession")) {
            const QString session = path("session", args.value(0), "session_handle_token");
            sessions.append(session);
            if (bindsOnCreate) held = grant(qdbus_cast<PortalShortcutList>(qdbus_cast<QVariantMap>(args.value(0)).value(QStringLiteral("shortcuts"))));
            return answer(args.value(0), {0u, QVariantMap{{QStringLiteral("session_handle"), session}}});
        }
        if (shortcuts && member == QLatin1String("BindShortcuts")) {
            const PortalShortcutList asked = qdbus_cast<PortalShortcutList>(args.value(1));
            bound.push_back(asked);
            if (bindCode == 0) held = grant(asked);
            if (malformed == Malformed::responseSignature) return answer(args.value(3), {QStringLiteral("granted"), QStringLiteral("yes")});
            if (malformed == Malformed::shortcutsAsMap) {
                const QVariantMap wrong{{QString::fromLatin1(kOpenPanelId), triggerDescription}};
                return answer(args.value(3), {0u, shortcutsAre(QVariant::fromValue(wrong))});
            }
            return answer(args.value(3), {bindCode, bindCode == 0 ? shortcutsAre(QVariant::fromValue(held)) : QVariantMap()});
        }
        if (shortcuts && member == QLatin1String("ListShortcuts")) {
            return answer(args.value(1), {0u, shortcutsAre(QVariant::fromValue(held))});
        }
        return fail("org.freedesktop.DBus.Error.UnknownMethod");
    }

private:
    PortalShortcutList grant(PortalShortcutList asked) const {
        for (PortalShortcut& shortcut : asked) {
            shortcut.properties = {{QStringLiteral("description"), shortcut.properties.value(QStringLiteral("description"))},
                                   {QStringLiteral("trigger_description"), triggerDescription}};
        }
        return asked;
    }
    void respond(const QString& requestPath, const QVariantList& arguments) {
        if (!responds) return;
        // After the method's reply, as the real portal does.
        QTimer::singleShot(0, [bus = bus_, requestPath, arguments]() mutable {
            QDBusMessage signal = QDBusMessage::createSignal(requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal.setArguments(arguments);
            bus.send(signal);
        });
    }

    QDBusConnection bus_;
};

}  // namespace tavlets::testing
