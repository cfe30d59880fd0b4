#include "shell/notifier.hpp"

#include "fake_portal.hpp"
#include "shell/shortcut_texts.hpp"

#include <QVariantMap>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

// Stands in for the desktop's notification server; keeps what it was sent.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList sent;  // app, icon and body of each

public slots:
    uint Notify(const QString& app, uint, const QString& icon, const QString&, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        sent << app + u'|' + icon + u'|' + body;
        return uint(sent.size());
    }
};

struct NotifierOnPrivateBus : OnPrivateBus {};

TEST_F(NotifierOnPrivateBus, TheDesktopsServerFirstThenABalloonWhereTheIconIsKnownElseStandardError) {
    QDBusConnection& serverSide = portalSide;  // the desktop's side
    FakeNotifications server;
    const QString notice = startNotice({HotKeyStatus::refused, QStringLiteral("Alt+Space"), {}});

    const struct { bool server; QRect tray; Notifier::Route route; } cases[] = {
        {true, QRect(1200, 0, 22, 22), Notifier::Route::desktop}, {true, QRect(), Notifier::Route::desktop},
        {false, QRect(1200, 0, 22, 22), Notifier::Route::tray},
        {false, QRect(0, 0, 22, 22), Notifier::Route::standardError},  // trays that never say
        {false, QRect(), Notifier::Route::standardError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.server) + " " + std::to_string(c.tray.x()));
        if (c.server) {
            ASSERT_TRUE(serverSide.registerObject(QString::fromLatin1(kNotificationsPath), &server, QDBusConnection::ExportAllSlots));
            ASSERT_TRUE(serverSide.registerService(QString::fromLatin1(kNotificationsService)));
        }
        server.sent.clear();
        QStringList balloons, lines;
        Notifier notifier({appSide, [&] { return c.tray; }, [&](const QString& text) { balloons << text; },
                           [&](const QString& line) { lines << line; }});
        EXPECT_EQ(notifier.notify(notice), c.route);
        if (c.route == Notifier::Route::desktop) {
            ASSERT_TRUE(spinUntil([&] { return !server.sent.empty(); }));
            EXPECT_EQ(server.sent[0], QStringLiteral("Tavlets|tavlets|") + notice);
        }
        EXPECT_EQ(balloons.size(), c.route == Notifier::Route::tray ? 1 : 0);
        EXPECT_EQ(lines.size(), c.route == Notifier::Route::standardError ? 1 : 0);
        if (c.server) {
            serverSide.unregisterService(QString::fromLatin1(kNotificationsService));
            serverSide.unregisterObject(QString::fromLatin1(kNotificationsPath));
        }
    }
}

}  // namespace
}  // namespace tavlets

#include "notifier_test.moc"
