#include "fake_portal.hpp"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>

namespace tavlets::testing {

PrivateBus::PrivateBus() {
    // No service files where the daemon looks, so nothing gets activated behind the test's back.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome_.path());
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), dataHome_.path());
    daemon_.setProcessEnvironment(environment);
    daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                  QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(5000)) return;
    while (!daemon_.canReadLine() && daemon_.waitForReadyRead(5000)) continue;
    address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(names_)) QDBusConnection::disconnectFromBus(name);
    daemon_.kill();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect() {
    const QString name = QStringLiteral("tavlets-test-bus-%1").arg(names_.size() + 1) + address_;
    names_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

FakePortal::FakePortal(QDBusConnection bus) : bus_(std::move(bus)) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
    bus_.registerVirtualObject(QString::fromLatin1(kPortalPath), this, QDBusConnection::SubPath);
    bus_.registerService(QString::fromLatin1(kPortalService));
}

FakePortal::~FakePortal() {
    bus_.unregisterService(QString::fromLatin1(kPortalService));
    bus_.unregisterObject(QString::fromLatin1(kPortalPath), QDBusConnection::UnregisterTree);
}

void FakePortal::respond(const QString& requestPath, uint code, const QVariantMap& results) {
    if (!responds) return;
    // After the method's reply, as the real portal does.
    QTimer::singleShot(0, [bus = bus_, requestPath, code, results]() mutable {
        QDBusMessage signal =
            QDBusMessage::createSignal(requestPath, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal.setArguments({QVariant::fromValue(code), QVariant::fromValue(results)});
        bus.send(signal);
    });
}

bool FakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    calls.push_back({message.interface(), message.member(), message.arguments()});
    const QString interface = message.interface();
    const QString member = message.member();
    const QVariantList args = message.arguments();
    const QString sender = message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    // Answers with the Request object's path, made from the caller's token as the real portal does.
    const auto replyRequest = [&](const QVariant& options) {
        const QString request = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
                                    .arg(sender, qdbus_cast<QVariantMap>(options).value(QStringLiteral("handle_token")).toString());
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        return request;
    };
    const auto fail = [&](const char* error) {
        connection.send(message.createErrorReply(QString::fromLatin1(error), QStringLiteral("not offered")));
        return true;
    };

    if (interface == QLatin1String("org.freedesktop.DBus.Properties") && member == QLatin1String("Get")) {
        if (!globalShortcuts || args.value(0).toString() != QLatin1String(kShortcutsInterface)) {
            return fail("org.freedesktop.DBus.Error.UnknownInterface");
        }
        connection.send(message.createReply(QVariant::fromValue(QDBusVariant(QVariant::fromValue(1u)))));
        return true;
    }
    if (interface == QLatin1String("org.freedesktop.host.portal.Registry")) {
        if (!registry) return fail("org.freedesktop.DBus.Error.UnknownInterface");
        connection.send(message.createReply());
        return true;
    }
    if (interface == QLatin1String("org.freedesktop.portal.Session") && member == QLatin1String("Close")) {
        closedSessions.append(message.path());
        connection.send(message.createReply());
        return true;
    }
    if (interface != QLatin1String(kShortcutsInterface) || !globalShortcuts) {
        return fail("org.freedesktop.DBus.Error.UnknownMethod");
    }
    if (member == QLatin1String("CreateSession")) {
        const QString session = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                                    .arg(sender, qdbus_cast<QVariantMap>(args.value(0))
                                                     .value(QStringLiteral("session_handle_token")).toString());
        sessions.append(session);
        respond(replyRequest(args.value(0)), 0, {{QStringLiteral("session_handle"), session}});
        return true;
    }
    if (member == QLatin1String("BindShortcuts")) {
        const PortalShortcutList shortcuts = qdbus_cast<PortalShortcutList>(args.value(1));
        bound.push_back(shortcuts);
        const QString request = replyRequest(args.value(3));
        PortalShortcutList granted;
        for (PortalShortcut shortcut : shortcuts) {
            shortcut.properties = {{QStringLiteral("description"), shortcut.properties.value(QStringLiteral("description"))},
                                   {QStringLiteral("trigger_description"), triggerDescription}};
            granted.append(shortcut);
        }
        respond(request, bindCode,
                bindCode == 0 ? QVariantMap{{QStringLiteral("shortcuts"), QVariant::fromValue(granted)}} : QVariantMap());
        return true;
    }
    return fail("org.freedesktop.DBus.Error.UnknownMethod");
}

void FakePortal::signal(const char* member, const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createSignal(QString::fromLatin1(kPortalPath), QString::fromLatin1(kShortcutsInterface),
                                                      QString::fromLatin1(member));
    message.setArguments(arguments);
    bus_.send(message);
}

void FakePortal::activate(const QString& session, const QString& id) {
    signal("Activated", {QVariant::fromValue(QDBusObjectPath(session)), id, QVariant::fromValue(qulonglong(1234)),
                         QVariant::fromValue(QVariantMap())});
}

void FakePortal::changeShortcuts(const QString& session, const QString& trigger) {
    const PortalShortcutList shortcuts{{QString::fromLatin1(kOpenPanelId), {{QStringLiteral("trigger_description"), trigger}}}};
    signal("ShortcutsChanged", {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts)});
}

}  // namespace tavlets::testing
