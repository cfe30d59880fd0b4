#include "fake_portal.hpp"

#include "panel/panel_controller.hpp"
#include "shell/app_delegate.hpp"
#include "shell/portal_hot_key.hpp"
#include "shell/settings_window.hpp"
#include "shell_test_util.hpp"

#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

constexpr PortalHotKey::Timeouts kQuick{2000, 2000, 2000};

struct PortalOnPrivateBus : ::testing::Test {
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) GTEST_SKIP() << "no dbus-daemon";
        bus = std::make_unique<PrivateBus>();
        ASSERT_TRUE(bus->isRunning());
        portalSide = bus->connect();
        appSide = bus->connect();
        ASSERT_TRUE(portalSide.isConnected() && appSide.isConnected());
    }
    bool settles(const HotKey& key) { return spinUntil([&] { return key.status() != HotKeyStatus::pending; }); }
    std::unique_ptr<PrivateBus> bus;
    QDBusConnection portalSide{QString()};
    QDBusConnection appSide{QString()};
};

std::vector<QString> members(const FakePortal& portal) {
    std::vector<QString> out;
    for (const auto& call : portal.calls) out.push_back(call.member);
    return out;
}

TEST_F(PortalOnPrivateBus, TheConversationCreatesASessionAndBindsTheChosenCombination) {
    for (bool registry : {true, false}) {  // older portals have no registry
        SCOPED_TRACE(registry);
        FakePortal portal(portalSide);
        portal.registry = registry;
        PortalHotKey key(appSide, kQuick);
        int changes = 0;
        key.setChangeObserver([&] { ++changes; });
        key.registerKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier, [] {});
        EXPECT_EQ(key.status(), HotKeyStatus::pending);
        ASSERT_TRUE(settles(key));
        EXPECT_EQ(key.status(), HotKeyStatus::registered);
        EXPECT_EQ(key.triggerDescription(), QStringLiteral("Ctrl+Alt+Space"));
        EXPECT_GE(changes, 2);

        // The app id is registered before anything else is asked.
        EXPECT_EQ(members(portal), (std::vector<QString>{QStringLiteral("Register"), QStringLiteral("Get"),
                                                         QStringLiteral("CreateSession"), QStringLiteral("BindShortcuts")}));
        EXPECT_EQ(portal.calls[0].arguments.value(0).toString(), QStringLiteral("tavlets"));
        ASSERT_EQ(portal.sessions.size(), 1);
        EXPECT_EQ(key.sessionHandle(), portal.sessions[0]);
        EXPECT_EQ(portal.calls[3].arguments.value(0).value<QDBusObjectPath>().path(), portal.sessions[0]);
        ASSERT_TRUE(portal.bound.size() == 1u && portal.bound[0].size() == 1);
        EXPECT_EQ(portal.bound[0][0].id, QStringLiteral("open-panel"));
        EXPECT_EQ(portal.bound[0][0].properties.value(QStringLiteral("preferred_trigger")).toString(),
                  QStringLiteral("CTRL+ALT+space"));
        EXPECT_FALSE(portal.bound[0][0].properties.value(QStringLiteral("description")).toString().isEmpty());
    }
}

TEST_F(PortalOnPrivateBus, RefusalsAndAbsenceAreClearStatesAndNothingBlocks) {
    const struct {
        const char* name;
        bool portal, globalShortcuts, responds;
        uint bindCode;
        HotKeyStatus expected;
    } cases[] = {
        {"granted", true, true, true, 0, HotKeyStatus::registered},
        {"cancelled by the user", true, true, true, 1, HotKeyStatus::declined},
        {"failed", true, true, true, 2, HotKeyStatus::declined},
        {"no portal", false, false, true, 0, HotKeyStatus::unsupported},
        {"portal without the interface", true, false, true, 0, HotKeyStatus::unsupported},
        {"portal that never answers", true, true, false, 0, HotKeyStatus::declined},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakePortal> portal;
        if (c.portal) {
            portal = std::make_unique<FakePortal>(portalSide);
            portal->globalShortcuts = c.globalShortcuts;
            portal->responds = c.responds;
            portal->bindCode = c.bindCode;
        }
        PortalHotKey key(appSide, {1000, 300, 300});
        // The event loop keeps turning while the portal is asked.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        QElapsedTimer clock;
        clock.start();
        key.registerKey(Qt::Key_Space, Qt::AltModifier, [] {});
        EXPECT_LT(clock.elapsed(), 100);
        ASSERT_TRUE(settles(key));
        EXPECT_EQ(key.status(), c.expected);
        EXPECT_LT(clock.elapsed(), 1500);
        if (c.expected != HotKeyStatus::registered) { EXPECT_TRUE(key.triggerDescription().isEmpty()); }
        if (!c.responds) { EXPECT_GT(ticks, 5); }
    }
}

TEST_F(PortalOnPrivateBus, ActivatedTogglesThePanelAndShortcutsChangedReachesSettings) {
    ConfigHome home;
    FakePortal portal(portalSide);
    auto* key = new PortalHotKey(appSide, kQuick);
    AppDelegate app(std::make_shared<MemoryClipboard>(), std::unique_ptr<HotKey>(key));
    app.setNoticeOutputs([] { return true; }, [](const QString&) {});
    app.start();
    ASSERT_TRUE(settles(*key));
    ASSERT_EQ(key->status(), HotKeyStatus::registered);
    const QString session = key->sessionHandle();

    portal.activate(session);
    EXPECT_TRUE(spinUntil([&] { return app.panel().isVisible(); }));
    portal.activate(session);
    EXPECT_TRUE(spinUntil([&] { return !app.panel().isVisible(); }));
    // Another shortcut id, or another app's session, is not ours.
    portal.activate(session, QStringLiteral("something-else"));
    portal.activate(QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other"));
    EXPECT_FALSE(spinUntil([&] { return app.panel().isVisible(); }, 200));

    app.openSettings();
    auto* status = app.settingsWindow()->findChild<QLabel*>(QStringLiteral("shortcut"));
    EXPECT_TRUE(status->text().contains(QStringLiteral("Ctrl+Alt+Space")));
    portal.changeShortcuts(session, QStringLiteral("Meta+Shift+T"));
    EXPECT_TRUE(spinUntil([&] { return status->text().contains(QStringLiteral("Meta+Shift+T")); }));
    EXPECT_EQ(key->triggerDescription(), QStringLiteral("Meta+Shift+T"));

    // A choice the desktop turns down leaves the bound shortcut as it was.
    portal.bindCode = 1;
    app.chooseShortcut(QKeyCombination(Qt::MetaModifier, Qt::Key_T));
    auto* message = app.settingsWindow()->findChild<QLabel*>(QStringLiteral("shortcutMessage"));
    EXPECT_TRUE(spinUntil([&] { return !message->text().isEmpty(); }));
    EXPECT_EQ(message->text(), QStringLiteral("Your desktop did not take Meta+T. Meta+Shift+T stays."));
    EXPECT_EQ(key->sessionHandle(), session);
    app.settingsWindow()->close();
}

TEST_F(PortalOnPrivateBus, RebindingKeepsTheOldSessionUntilTheNewOneIsGranted) {
    FakePortal portal(portalSide);
    PortalHotKey key(appSide, kQuick);
    key.registerKey(Qt::Key_Space, Qt::AltModifier, [] {});
    ASSERT_TRUE(settles(key));
    const QString first = key.sessionHandle();

    std::optional<bool> done;
    const auto rebound = [&] {
        done.reset();
        key.rebind(Qt::Key_T, Qt::MetaModifier, [&](bool inForce) { done = inForce; });
        return spinUntil([&] { return done.has_value(); }) ? done : std::nullopt;
    };
    portal.bindCode = 1;
    EXPECT_EQ(rebound(), false);
    EXPECT_EQ(key.status(), HotKeyStatus::registered);
    EXPECT_EQ(key.sessionHandle(), first);
    ASSERT_EQ(portal.sessions.size(), 2);
    EXPECT_TRUE(spinUntil([&] { return portal.closedSessions == QStringList{portal.sessions[1]}; }));

    portal.bindCode = 0;
    portal.triggerDescription = QStringLiteral("Meta+T");
    EXPECT_EQ(rebound(), true);
    EXPECT_EQ(portal.bound.back()[0].properties.value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("LOGO+t"));
    EXPECT_EQ(key.triggerDescription(), QStringLiteral("Meta+T"));
    EXPECT_NE(key.sessionHandle(), first);
    EXPECT_TRUE(spinUntil([&] { return portal.closedSessions.contains(first); }));
}

}  // namespace
}  // namespace tavlets
