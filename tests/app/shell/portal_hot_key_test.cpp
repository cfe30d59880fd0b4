#include "fake_portal.hpp"

#include "panel/panel_controller.hpp"
#include "shell/app_delegate.hpp"
#include "shell/settings_window.hpp"

#include <QTimer>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

constexpr PortalHotKey::Timeouts kQuick{2000, 2000, 2000};

struct PortalOnPrivateBus : OnPrivateBus {
    bool settles(const HotKey& key) { return spinUntil([&] { return key.status() != HotKeyStatus::pending; }); }
};

TEST_F(PortalOnPrivateBus, TheConversationAsksOnceAndTheNextStartUsesWhatTheDesktopHolds) {
    const struct {
        const char* name;
        bool registry;       // older portals have none
        bool bindsOnCreate;  // Plasma 5.27 binds from CreateSession and never needs BindShortcuts
        int binds;
    } cases[] = {{"newer portal", true, false, 1}, {"older portal", false, false, 1}, {"binds on create", true, true, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePortal portal(portalSide);
        portal.registry = c.registry;
        portal.bindsOnCreate = c.bindsOnCreate;
        for (int start = 0; start < 2; ++start) {
            SCOPED_TRACE(start);
            // The last start's key closed its session on the way out.
            EXPECT_TRUE(spinUntil([&] { return portal.closedSessions.size() == start; }));
            portal.calls.clear();
            PortalHotKey key(appSide, kQuick);
            key.registerKey(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier, [] {});
            ASSERT_TRUE(settles(key));
            EXPECT_EQ(key.status(), HotKeyStatus::registered);
            EXPECT_EQ(key.triggerDescription(), QStringLiteral("Ctrl+Alt+Space"));

            // The app id is registered before anything else is asked; a shortcut the desktop
            // already holds is not asked for again.
            QStringList expected{"Register", "Get", "CreateSession", "ListShortcuts"}, members;
            if (start == 0 && c.binds) expected.append(QStringLiteral("BindShortcuts"));
            for (const QDBusMessage& call : portal.calls) members.append(call.member());
            EXPECT_EQ(members, expected);
            EXPECT_EQ(portal.calls[0].arguments().value(0).toString(), QStringLiteral("tavlets"));
            EXPECT_EQ(key.sessionHandle(), portal.sessions.back());
            EXPECT_TRUE(portal.sessions.back().endsWith(QStringLiteral("/tavlets")));
        }
        EXPECT_EQ(int(portal.bound.size()), c.binds);
    }
}

TEST_F(PortalOnPrivateBus, RefusalsAndAbsenceAreClearStatesAndNothingBlocks) {
    const struct {
        const char* name; bool portal, globalShortcuts, responds; uint bindCode; HotKeyStatus expected;
        FakePortal::Malformed malformed = FakePortal::Malformed::no; int warnings = 0;
    } cases[] = {
        {"granted", true, true, true, 0, HotKeyStatus::registered},
        {"cancelled by the user", true, true, true, 1, HotKeyStatus::declined},
        {"failed", true, true, true, 2, HotKeyStatus::declined},
        {"no portal", false, false, true, 0, HotKeyStatus::unsupported},
        {"portal without the interface", true, false, true, 0, HotKeyStatus::unsupported},
        {"portal that never answers", true, true, false, 0, HotKeyStatus::declined},
        {"shortcuts of the wrong type", true, true, true, 0, HotKeyStatus::declined, FakePortal::Malformed::shortcutsAsMap, 1},
        {"a Response of the wrong type", true, true, true, 0, HotKeyStatus::declined, FakePortal::Malformed::responseSignature, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakePortal> portal;
        if (c.portal) {
            portal = std::make_unique<FakePortal>(portalSide);
            portal->globalShortcuts = c.globalShortcuts;
            portal->responds = c.responds;
            portal->bindCode = c.bindCode;
            portal->malformed = c.malformed;
        }
        ::testing::internal::CaptureStderr();
        PortalHotKey key(appSide, {1000, 300, 300});
        // The event loop keeps turning while a portal that never answers is waited for.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);
        key.registerKey(Qt::Key_Space, Qt::AltModifier, [] {});
        // Not answered yet whatever the portal: every answer, even "none", comes from the event loop.
        EXPECT_EQ(key.status(), HotKeyStatus::pending);
        ASSERT_TRUE(settles(key));
        EXPECT_EQ(key.status(), c.expected);
        if (c.expected != HotKeyStatus::registered) { EXPECT_TRUE(key.triggerDescription().isEmpty()); }
        if (!c.responds) { EXPECT_GT(ticks, 5); }
        EXPECT_EQ(QString::fromStdString(::testing::internal::GetCapturedStderr()).count(QLatin1Char('\n')), c.warnings);
    }
}

TEST_F(PortalOnPrivateBus, OnlyOurActivationTogglesAndANewChoiceIsAskedForInTheSameSession) {
    ConfigHome home;
    FakePortal portal(portalSide);
    auto* key = new PortalHotKey(appSide, kQuick);
    AppDelegate app(std::make_shared<MemoryClipboard>(), std::unique_ptr<HotKey>(key));
    app.setNoticeOutputs([] { return true; }, [](const QString&) {});
    app.start();
    ASSERT_TRUE(settles(*key));
    const QString session = key->sessionHandle();
    portal.activate(session);
    EXPECT_TRUE(spinUntil([&] { return app.panel().isVisible(); }));
    // Another shortcut id, or another app's session, is not ours; toggling back and forth is an
    // end-to-end case on KDE's stack (kde_portal).
    const QString other = QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other");
    for (const auto& [path, id] : {std::pair{session, QStringLiteral("something-else")}, {other, QString::fromLatin1(kOpenPanelId)}}) {
        portal.activate(path, id);
        EXPECT_FALSE(spinUntil([&] { return !app.panel().isVisible(); }, 200)) << id.toStdString();
    }

    // A choice the desktop turns down leaves the bound shortcut as it was.
    app.openSettings();
    const auto message = [&] { return labelText(*app.settingsWindow(), "shortcutMessage"); };
    portal.bindCode = 1;
    app.chooseShortcut(QKeyCombination(Qt::MetaModifier, Qt::Key_T));
    EXPECT_TRUE(spinUntil([&] { return !message().isEmpty(); }));
    EXPECT_EQ(message(), QStringLiteral("Your desktop did not take Meta+T. Ctrl+Alt+Space stays."));
    EXPECT_EQ(key->status(), HotKeyStatus::registered);
    EXPECT_EQ(key->triggerDescription(), QStringLiteral("Ctrl+Alt+Space"));
    // One granted is asked for in the same session: the desktop keeps one entry for the app.
    portal.bindCode = 0;
    portal.triggerDescription = QStringLiteral("Meta+T");
    app.chooseShortcut(QKeyCombination(Qt::MetaModifier, Qt::Key_T));
    EXPECT_TRUE(spinUntil([&] { return key->triggerDescription() == QStringLiteral("Meta+T"); }));
    EXPECT_EQ(portal.bound.back()[0].properties.value(QStringLiteral("preferred_trigger")).toString(), QStringLiteral("LOGO+t"));
    EXPECT_EQ(portal.sessions.size(), 1);
    EXPECT_EQ(key->sessionHandle(), session);
    app.settingsWindow()->close();
}

TEST_F(PortalOnPrivateBus, MalformedAndHugeSignalsNeverCrashAndAreBounded) {
    FakePortal portal(portalSide);
    int toggles = 0;
    PortalHotKey key(appSide, kQuick);
    key.registerKey(Qt::Key_Space, Qt::AltModifier, [&] { ++toggles; });
    ASSERT_TRUE(settles(key));
    const QVariant session = QVariant::fromValue(QDBusObjectPath(key.sessionHandle()));
    const QVariant id = QString::fromLatin1(kOpenPanelId);

    // An Activated of another signature is not a press.
    portal.signal("Activated", {session, id});
    portal.signal("Activated", {session, id, QVariant::fromValue(qulonglong(1)), QStringLiteral("not a map")});
    portal.activate(key.sessionHandle());
    EXPECT_TRUE(spinUntil([&] { return toggles > 0; }));
    EXPECT_FALSE(spinUntil([&] { return toggles > 1; }, 200));

    // A huge list is read only as far as needed, and a huge trigger is kept short.
    PortalShortcutList many(100000, PortalShortcut{QStringLiteral("other"), {}});
    many.append({id.toString(), {{QStringLiteral("trigger_description"), QString(1 << 20, QLatin1Char('K'))}}});
    portal.signal("ShortcutsChanged", {session, QVariant::fromValue(many)});
    PortalShortcutList huge{{id.toString(), {{QStringLiteral("trigger_description"), QString(1 << 20, QLatin1Char('K'))}}}};
    portal.signal("ShortcutsChanged", {session, QVariant::fromValue(huge)});
    EXPECT_TRUE(spinUntil([&] { return key.triggerDescription().startsWith(QLatin1Char('K')); }, 10000));
    EXPECT_LE(key.triggerDescription().size(), kMaxTriggerLength + 1);
    EXPECT_EQ(key.status(), HotKeyStatus::registered);

    // A list of the wrong type ends the shortcut, with one line on stderr.
    ::testing::internal::CaptureStderr();
    for (int i = 0; i < 2; ++i) {
        portal.signal("ShortcutsChanged", {session, QVariant::fromValue(QVariantMap{{id.toString(), QStringLiteral("Alt+K")}})});
    }
    EXPECT_TRUE(spinUntil([&] { return key.status() == HotKeyStatus::declined; }));
    spinUntil([] { return false; }, 100);
    EXPECT_EQ(QString::fromStdString(::testing::internal::GetCapturedStderr()).count(QLatin1Char('\n')), 1);
}

}  // namespace
}  // namespace tavlets
