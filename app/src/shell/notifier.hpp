#pragma once
// Where a notice goes. The desktop's notification server when one is on the session bus: it shows
// the notice where the desktop shows all of them, with the app's name and icon. Otherwise the tray
// icon's own balloon, but only where the tray tells where its icon is: elsewhere the balloon points
// at a corner with nothing in it. Otherwise a line on standard error.

#include <QDBusConnection>
#include <QRect>
#include <QString>

#include <functional>

namespace tavlets {

inline constexpr const char* kNotificationsService = "org.freedesktop.Notifications";
inline constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";

class Notifier {
public:
    enum class Route { desktop, tray, standardError };

    struct Outputs {
        QDBusConnection bus = QDBusConnection::sessionBus();
        std::function<QRect()> trayGeometry;                    // empty where there is no tray
        std::function<void(const QString& text)> trayMessage;   // the tray icon's balloon
        std::function<void(const QString& line)> errorOutput;   // standard error
    };

    explicit Notifier(Outputs outputs) : outputs_(std::move(outputs)) {}

    // Sends the notice the first way that reaches the user; returns which. Never waits for the
    // notification server's answer.
    Route notify(const QString& text);

    // A tray icon's geometry a balloon can point at: not empty, and not the origin, where trays
    // that never say where their icons are report them.
    static bool isUsableTrayGeometry(const QRect& geometry);

private:
    Outputs outputs_;
};

}  // namespace tavlets
