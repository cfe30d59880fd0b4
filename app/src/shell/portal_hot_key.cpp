#include "shell/portal_hot_key.hpp"

#include "shell/shortcut_settings.hpp"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

namespace tavlets {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QString openPanelTrigger(const PortalShortcutList& shortcuts) {
    for (const PortalShortcut& shortcut : shortcuts) {
        if (shortcut.id == QLatin1String(kOpenPanelId)) return shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    }
    return {};
}

namespace {

constexpr uint kCallFailed = 2;
constexpr uint kNoAnswer = 3;

bool listsOpenPanel(const QVariantMap& results) {
    const auto shortcuts = qdbus_cast<PortalShortcutList>(results.value(QStringLiteral("shortcuts")));
    for (const PortalShortcut& shortcut : shortcuts) {
        if (shortcut.id == QLatin1String(kOpenPanelId)) return true;
    }
    return false;
}

QString pathText(const QVariant& value) {
    if (value.userType() == qMetaTypeId<QDBusObjectPath>()) return value.value<QDBusObjectPath>().path();
    return value.toString();
}

// Waits for the Response signal of one portal Request object, or for the time to run out.
class ResponseWaiter : public QObject {
    Q_OBJECT
public:
    using Answer = std::function<void(uint, const QVariantMap&)>;

    ResponseWaiter(QDBusConnection bus, int timeoutMs, Answer answer, QObject* parent)
        : QObject(parent), bus_(std::move(bus)), answer_(std::move(answer)) {
        QTimer::singleShot(timeoutMs, this, [this] { finish(kNoAnswer, {}); });
    }

    // Listens on `path`; more than one path when the portal's reply names another than expected.
    void follow(const QString& path) {
        if (paths_.contains(path)) return;
        paths_.append(path);
        bus_.connect(QLatin1String(kPortalService), path, QStringLiteral("org.freedesktop.portal.Request"),
                     QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
    }

    void finish(uint code, const QVariantMap& results) {
        if (done_) return;
        done_ = true;
        for (const QString& path : std::as_const(paths_)) {
            bus_.disconnect(QLatin1String(kPortalService), path, QStringLiteral("org.freedesktop.portal.Request"),
                            QStringLiteral("Response"), this, SLOT(response(uint, QVariantMap)));
        }
        deleteLater();
        if (answer_) answer_(code, results);
    }

public slots:
    void response(uint code, const QVariantMap& results) { finish(code, results); }

private:
    QDBusConnection bus_;
    Answer answer_;
    QStringList paths_;
    bool done_ = false;
};

}  // namespace

PortalHotKey::PortalHotKey(QDBusConnection bus, QObject* parent) : PortalHotKey(std::move(bus), Timeouts{}, parent) {}

PortalHotKey::PortalHotKey(QDBusConnection bus, Timeouts timeouts, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), timeouts_(timeouts) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
    bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath), QLatin1String(kShortcutsInterface),
                 QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusMessage)));
    bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath), QLatin1String(kShortcutsInterface),
                 QStringLiteral("ShortcutsChanged"), this,
                 SLOT(onShortcutsChanged(QDBusMessage)));
}

PortalHotKey::~PortalHotKey() {
    if (!session_.isEmpty()) closeSession(session_);
}

QString PortalHotKey::nextToken() { return QStringLiteral("tavlets%1").arg(++tokens_); }

void PortalHotKey::setState(HotKeyStatus status, const QString& trigger) {
    if (status == status_ && trigger == trigger_) return;
    status_ = status;
    trigger_ = trigger;
    notifyChanged();
}

void PortalHotKey::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) {
    handler_ = std::move(handler);
    combination_ = QKeyCombination(modifiers, key);
    setState(HotKeyStatus::pending, {});
    start();
}

void PortalHotKey::start() {
    busy_ = true;
    // Newer portals learn who the caller is through their registry, before any other call from
    // the connection; older ones have none and answer with an error, which changes nothing.
    QDBusMessage registration = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                              QStringLiteral("org.freedesktop.host.portal.Registry"),
                                                              QStringLiteral("Register"));
    registration << QStringLiteral("tavlets") << QVariantMap();
    auto* registered = new QDBusPendingCallWatcher(bus_.asyncCall(registration, timeouts_.callMs), this);
    connect(registered, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        probe();
    });
}

void PortalHotKey::probe() {
    // A portal without the interface, or no portal at all, answers this with an error at once.
    QDBusMessage get = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("Get"));
    get << QLatin1String(kShortcutsInterface) << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeouts_.callMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (call->isError()) {
            busy_ = false;
            setState(HotKeyStatus::unsupported, {});
            return;
        }
        createSession([this](const QString& session, bool missing) {
            if (session.isEmpty()) {
                busy_ = false;
                setState(missing ? HotKeyStatus::unsupported : HotKeyStatus::declined, {});
                return;
            }
            session_ = session;
            bind(session, combination_, [this](uint code, const QVariantMap& results) {
                busy_ = false;
                if (code == 0 && listsOpenPanel(results)) {
                    setState(HotKeyStatus::registered,
                             openPanelTrigger(qdbus_cast<PortalShortcutList>(results.value(QStringLiteral("shortcuts")))));
                } else {
                    setState(HotKeyStatus::declined, {});
                }
            });
        });
    });
}

void PortalHotKey::rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) {
    if (busy_ || status_ == HotKeyStatus::unsupported) {
        if (done) done(false);
        return;
    }
    busy_ = true;
    const QKeyCombination combination(modifiers, key);
    // The new session is bound before the old one goes, so a refusal leaves the old shortcut working.
    createSession([this, combination, done](const QString& session, bool) {
        if (session.isEmpty()) {
            busy_ = false;
            if (done) done(false);
            return;
        }
        bind(session, combination, [this, session, combination, done](uint code, const QVariantMap& results) {
            busy_ = false;
            if (code != 0 || !listsOpenPanel(results)) {
                closeSession(session);
                if (done) done(false);
                return;
            }
            if (!session_.isEmpty()) closeSession(session_);
            session_ = session;
            combination_ = combination;
            setState(HotKeyStatus::registered,
                     openPanelTrigger(qdbus_cast<PortalShortcutList>(results.value(QStringLiteral("shortcuts")))));
            if (done) done(true);
        });
    });
}

void PortalHotKey::request(const QString& method, const QVariantList& arguments, const QString& token, int timeoutMs,
                           Answer answer) {
    // The Response can follow the method's reply at once, so listen on the path the portal will
    // use before calling: /org/freedesktop/portal/desktop/request/SENDER/TOKEN.
    const QString sender = bus_.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
    QPointer<ResponseWaiter> waiter = new ResponseWaiter(bus_, timeoutMs, std::move(answer), this);
    waiter->follow(path);

    QDBusMessage call = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                      QLatin1String(kShortcutsInterface), method);
    call.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeouts_.callMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [waiter](QDBusPendingCallWatcher* reply) {
        reply->deleteLater();
        if (!waiter) return;
        const QDBusPendingReply<QDBusObjectPath> handle = *reply;
        if (handle.isError()) {
            waiter->finish(kCallFailed, {{QStringLiteral("error"), handle.error().name()}});
            return;
        }
        waiter->follow(handle.value().path());
    });
}

void PortalHotKey::createSession(std::function<void(const QString& session, bool missing)> created) {
    const QString token = nextToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), nextToken()}};
    request(QStringLiteral("CreateSession"), {options}, token, timeouts_.sessionMs,
            [created = std::move(created)](uint code, const QVariantMap& results) {
                if (code != 0) {
                    const QString error = results.value(QStringLiteral("error")).toString();
                    const bool missing = error == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
                                         error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod") ||
                                         error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
                                         error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject");
                    created({}, missing);
                    return;
                }
                created(pathText(results.value(QStringLiteral("session_handle"))), false);
            });
}

void PortalHotKey::bind(const QString& session, QKeyCombination combination, Answer answer) {
    QVariantMap properties{{QStringLiteral("description"), QStringLiteral("Open the Tavlets panel")}};
    const QString trigger = portalTrigger(combination);
    if (!trigger.isEmpty()) properties.insert(QStringLiteral("preferred_trigger"), trigger);
    const PortalShortcutList shortcuts{{QLatin1String(kOpenPanelId), properties}};
    const QString token = nextToken();
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(shortcuts), QString(),
             QVariantMap{{QStringLiteral("handle_token"), token}}},
            token, timeouts_.bindMs, std::move(answer));
}

void PortalHotKey::closeSession(const QString& session) {
    QDBusMessage close = QDBusMessage::createMethodCall(QLatin1String(kPortalService), session,
                                                       QStringLiteral("org.freedesktop.portal.Session"),
                                                       QStringLiteral("Close"));
    bus_.send(close);
}

void PortalHotKey::onActivated(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || pathText(args[0]) != session_ || args[1].toString() != QLatin1String(kOpenPanelId) ||
        status_ != HotKeyStatus::registered) {
        return;
    }
    if (handler_) QMetaObject::invokeMethod(this, handler_, Qt::QueuedConnection);
}

void PortalHotKey::onShortcutsChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || pathText(args[0]) != session_ || status_ != HotKeyStatus::registered) return;
    setState(status_, openPanelTrigger(qdbus_cast<PortalShortcutList>(args[1])));
}

}  // namespace tavlets

#include "portal_hot_key.moc"
