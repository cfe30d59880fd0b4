#include "shell/notifier.hpp"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace tavlets {

bool Notifier::isUsableTrayGeometry(const QRect& geometry) {
    return geometry.isValid() && !geometry.isEmpty() && geometry.topLeft() != QPoint(0, 0);
}

Notifier::Route Notifier::notify(const QString& text) {
    QDBusConnectionInterface* bus = outputs_.bus.isConnected() ? outputs_.bus.interface() : nullptr;
    if (bus && bus->isServiceRegistered(QString::fromLatin1(kNotificationsService)).value()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kNotificationsService),
                                                           QString::fromLatin1(kNotificationsPath),
                                                           QString::fromLatin1(kNotificationsService),
                                                           QStringLiteral("Notify"));
        QVariantMap hints;
        hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("tavlets"));
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1)));
        call << QStringLiteral("Tavlets") << uint(0) << QStringLiteral("tavlets")
             << QStringLiteral("The shortcut doesn't work") << text << QStringList() << hints << int(-1);
        // Without a reply wanted nothing blocks, also when the server hangs.
        call.setAutoStartService(false);
        outputs_.bus.call(call, QDBus::NoBlock);
        return Route::desktop;
    }
    if (outputs_.trayMessage && outputs_.trayGeometry && isUsableTrayGeometry(outputs_.trayGeometry())) {
        outputs_.trayMessage(text);
        return Route::tray;
    }
    if (outputs_.errorOutput) outputs_.errorOutput(QStringLiteral("Tavlets: ") + text);
    return Route::standardError;
}

}  // namespace tavlets
