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

#include <cstdio>

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

OpenPanelBinding readOpenPanel(const QVariant& shortcuts) {
    OpenPanelBinding out;
    // Demarshalling a value of another type than the one asked for crashes inside Qt, so the
    // signature is checked first; the list is walked rather than copied, as it may be huge.
    if (shortcuts.userType() != qMetaTypeId<QDBusArgument>()) return out;
    const QDBusArgument argument = shortcuts.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("a(sa{sv})")) return out;
    out.wellFormed = true;
    argument.beginArray();
    for (int read = 0; read < kMaxShortcutsRead && !argument.atEnd(); ++read) {
        QString id;
        QVariantMap properties;
        argument.beginStructure();
        argument >> id >> properties;
        argument.endStructure();
        if (id != QLatin1String(kOpenPanelId)) continue;
        out.listed = true;
        out.trigger = properties.value(QStringLiteral("trigger_description")).toString();
        if (out.trigger.size() > kMaxTriggerLength) out.trigger = out.trigger.left(kMaxTriggerLength) + QChar(0x2026);
        break;
    }
    // Left unfinished on purpose: the rest is never read, and the argument is a copy.
    return out;
}

namespace {

constexpr uint kCallFailed = 2;
constexpr uint kNoAnswer = 3;

constexpr auto kMalformed = "malformed";  // an error marker in the results of a failed Request

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
                     QStringLiteral("Response"), this, SLOT(response(QDBusMessage)));
    }

    void finish(uint code, const QVariantMap& results) {
        if (done_) return;
        done_ = true;
        for (const QString& path : std::as_const(paths_)) {
            bus_.disconnect(QLatin1String(kPortalService), path, QStringLiteral("org.freedesktop.portal.Request"),
                            QStringLiteral("Response"), this, SLOT(response(QDBusMessage)));
        }
        deleteLater();
        if (answer_) answer_(code, results);
    }

public slots:
    void response(const QDBusMessage& message) {
        if (message.signature() != QLatin1String("ua{sv}")) {
            finish(kCallFailed, {{QStringLiteral("error"), QLatin1String(kMalformed)}});
            return;
        }
        const QVariantList args = message.arguments();
        finish(args[0].toUInt(), qdbus_cast<QVariantMap>(args[1]));
    }

private:
    QDBusConnection bus_;
    Answer answer_;
    QStringList paths_;
    bool done_ = false;
};

}  // namespace

PortalHotKey::PortalHotKey(QDBusConnection bus, QObject* parent) : PortalHotKey(std::move(bus), Timeouts{}, parent) {}

PortalHotKey::PortalHotKey(QDBusConnection bus, Timeouts timeouts, QObject* parent)
    : QObject(parent),
      watcher_(QLatin1String(kPortalService), bus, QDBusServiceWatcher::WatchForOwnerChange),
      bus_(std::move(bus)),
      timeouts_(timeouts) {
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<PortalShortcutList>();
    bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath), QLatin1String(kShortcutsInterface),
                 QStringLiteral("Activated"), this,
                 SLOT(onActivated(QDBusMessage)));
    bus_.connect(QLatin1String(kPortalService), QLatin1String(kPortalPath), QLatin1String(kShortcutsInterface),
                 QStringLiteral("ShortcutsChanged"), this,
                 SLOT(onShortcutsChanged(QDBusMessage)));
    connect(&watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this, &PortalHotKey::onPortalOwnerChanged);
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

void PortalHotKey::warnOnce(const QString& what) {
    if (warned_) return;
    warned_ = true;
    std::fprintf(stderr, "Tavlets: the desktop portal sent %s; the shortcut is not used.\n", qPrintable(what));
}

void PortalHotKey::registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler handler) {
    handler_ = std::move(handler);
    combination_ = QKeyCombination(modifiers, key);
    started_ = true;
    setState(HotKeyStatus::pending, {});
    start();
}

void PortalHotKey::onPortalOwnerChanged(const QString&, const QString& oldOwner, const QString& newOwner) {
    if (!started_) return;
    if (!oldOwner.isEmpty()) {
        // The session and its shortcut went with the portal; whatever was asked will not be answered.
        ++epoch_;
        busy_ = false;
        session_.clear();
        setState(HotKeyStatus::unsupported, {});
    }
    // A portal that comes up while a set-up is under way (activated by it) answers that one.
    if (!newOwner.isEmpty() && !busy_) {
        ++epoch_;
        warned_ = false;
        setState(HotKeyStatus::pending, {});
        start();
    }
}

void PortalHotKey::start() {
    busy_ = true;
    const unsigned epoch = epoch_;
    // Newer portals learn who the caller is through their registry, before any other call from
    // the connection; older ones have none and answer with an error, which changes nothing.
    QDBusMessage registration = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                              QStringLiteral("org.freedesktop.host.portal.Registry"),
                                                              QStringLiteral("Register"));
    registration << QStringLiteral("tavlets") << QVariantMap();
    auto* registered = new QDBusPendingCallWatcher(bus_.asyncCall(registration, timeouts_.callMs), this);
    connect(registered, &QDBusPendingCallWatcher::finished, this, [this, epoch](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        if (epoch == epoch_) probe();
    });
}

void PortalHotKey::probe() {
    const unsigned epoch = epoch_;
    // A portal without the interface, or no portal at all, answers this with an error at once.
    QDBusMessage get = QDBusMessage::createMethodCall(QLatin1String(kPortalService), QLatin1String(kPortalPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("Get"));
    get << QLatin1String(kShortcutsInterface) << QStringLiteral("version");
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(get, timeouts_.callMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, epoch](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        if (epoch != epoch_) return;
        if (call->isError()) {
            busy_ = false;
            setState(HotKeyStatus::unsupported, {});
            return;
        }
        openSession(epoch, true);
    });
}

void PortalHotKey::openSession(unsigned epoch, bool mayRetry) {
    createSession([this, epoch, mayRetry](const QString& session, bool missing) {
        if (epoch != epoch_) return;
        if (session.isEmpty() && !missing && mayRetry) {
            // A backend that outlived a restart of the portal may still hold our session under
            // the same path and refuse it once (Plasma 5.27 does, dropping the stale one as it refuses).
            openSession(epoch, false);
            return;
        }
        if (session.isEmpty()) {
            busy_ = false;
            setState(missing ? HotKeyStatus::unsupported : HotKeyStatus::declined, {});
            return;
        }
        session_ = session;
        // What the desktop already binds is used as it is: asking again would bring up its
        // dialog or its settings at every start.
        list(session, [this, epoch](uint code, const QVariantMap& results) {
            if (epoch != epoch_) return;
            const OpenPanelBinding binding = readOpenPanel(results.value(QStringLiteral("shortcuts")));
            if (code == 0 && binding.listed) {
                busy_ = false;
                setState(HotKeyStatus::registered, binding.trigger);
                return;
            }
            bindAtStart(epoch);
        });
    });
}

void PortalHotKey::bindAtStart(unsigned epoch) {
    bind(session_, combination_, [this, epoch](uint code, const QVariantMap& results) {
        if (epoch != epoch_) return;
        busy_ = false;
        if (!takeBinding(code, results)) setState(HotKeyStatus::declined, {});
    });
}

bool PortalHotKey::takeBinding(uint code, const QVariantMap& results) {
    if (code != 0) {
        if (results.value(QStringLiteral("error")).toString() == QLatin1String(kMalformed)) warnOnce(QStringLiteral("a malformed answer"));
        return false;
    }
    const OpenPanelBinding binding = readOpenPanel(results.value(QStringLiteral("shortcuts")));
    if (!binding.wellFormed) {
        warnOnce(QStringLiteral("a shortcut list of the wrong type"));
        return false;
    }
    if (!binding.listed) return false;
    setState(HotKeyStatus::registered, binding.trigger);
    return true;
}

void PortalHotKey::rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) {
    if (busy_ || status_ == HotKeyStatus::unsupported) {
        if (done) done(false);
        return;
    }
    busy_ = true;
    const unsigned epoch = epoch_;
    const QKeyCombination combination(modifiers, key);
    // The session keeps its token, so the new combination is asked for in the same session: a
    // refusal leaves the desktop's binding, and so the old shortcut, as it was.
    const auto ask = [this, epoch, combination, done](const QString& session) {
        bind(session, combination, [this, epoch, combination, done](uint code, const QVariantMap& results) {
            if (epoch != epoch_) {
                if (done) done(false);
                return;
            }
            busy_ = false;
            const bool inForce = takeBinding(code, results);
            if (inForce) combination_ = combination;
            if (done) done(inForce);
        });
    };
    if (!session_.isEmpty()) {
        ask(session_);
        return;
    }
    createSession([this, epoch, ask, done](const QString& session, bool) {
        if (epoch != epoch_ || session.isEmpty()) {
            if (epoch == epoch_) busy_ = false;
            if (done) done(false);
            return;
        }
        session_ = session;
        ask(session);
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

namespace {

PortalShortcutList wantedShortcuts(QKeyCombination combination) {
    QVariantMap properties{{QStringLiteral("description"), QStringLiteral("Open the Tavlets panel")}};
    const QString trigger = portalTrigger(combination);
    if (!trigger.isEmpty()) properties.insert(QStringLiteral("preferred_trigger"), trigger);
    return {{QLatin1String(kOpenPanelId), properties}};
}

}  // namespace

void PortalHotKey::createSession(std::function<void(const QString& session, bool missing)> created) {
    const QString token = nextToken();
    const QVariantMap options{{QStringLiteral("handle_token"), token},
                              {QStringLiteral("session_handle_token"), QLatin1String(kSessionToken)},
                              {QStringLiteral("shortcuts"), QVariant::fromValue(wantedShortcuts(combination_))}};
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

void PortalHotKey::list(const QString& session, Answer answer) {
    const QString token = nextToken();
    request(QStringLiteral("ListShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariantMap{{QStringLiteral("handle_token"), token}}}, token,
            timeouts_.sessionMs, std::move(answer));
}

void PortalHotKey::bind(const QString& session, QKeyCombination combination, Answer answer) {
    const QString token = nextToken();
    request(QStringLiteral("BindShortcuts"),
            {QVariant::fromValue(QDBusObjectPath(session)), QVariant::fromValue(wantedShortcuts(combination)), QString(),
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
    if (message.signature() != QLatin1String("osta{sv}")) return;
    const QVariantList args = message.arguments();
    if (pathText(args[0]) != session_ || args[1].toString() != QLatin1String(kOpenPanelId) ||
        status_ != HotKeyStatus::registered) {
        return;
    }
    if (handler_) QMetaObject::invokeMethod(this, handler_, Qt::QueuedConnection);
}

void PortalHotKey::onShortcutsChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 2 || pathText(args[0]) != session_ || status_ != HotKeyStatus::registered) return;
    const OpenPanelBinding binding = readOpenPanel(args[1]);
    if (!binding.wellFormed) {
        warnOnce(QStringLiteral("a shortcut list of the wrong type"));
        setState(HotKeyStatus::declined, {});
        return;
    }
    setState(status_, binding.trigger);
}

}  // namespace tavlets

#include "portal_hot_key.moc"
