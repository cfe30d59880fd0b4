#include "shell/app_delegate.hpp"

#include "fakes.hpp"
#include "panel/panel_controller.hpp"
#include "shell/settings_window.hpp"
#include "shell/single_instance.hpp"
#include "shell_test_util.hpp"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QUuid>

#include <gtest/gtest.h>

#include <future>

namespace tavlets {
namespace {

using test::FakeHotKey;
using test::MemoryClipboard;
using test::spinUntil;

TEST(TrayMenu, ItemsInOrderWithoutShortcuts) {
    QMenu menu;
    std::vector<std::string> ran;
    fillTrayMenu(menu, {[&] { ran.push_back("show"); }, [&] { ran.push_back("settings"); }, [&] { ran.push_back("quit"); }});

    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 5);
    const char* texts[] = {"Show Tavlets", nullptr, "Settings\u2026", nullptr, "Quit Tavlets"};
    for (int i = 0; i < 5; ++i) {
        if (!texts[i]) {
            EXPECT_TRUE(items[i]->isSeparator()) << i;
            continue;
        }
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i])) << i;
        EXPECT_TRUE(items[i]->shortcut().isEmpty()) << i;
        EXPECT_TRUE(items[i]->shortcuts().isEmpty()) << i;
    }
    items[4]->trigger();
    items[0]->trigger();
    items[2]->trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"quit", "show", "settings"}));
}

TEST(UnreachableWarning, OnlyWhenNothingCanOpenThePanel) {
    struct Case {
        bool tray;
        HotKeyStatus hotKey;
        bool warns;
    };
    const Case cases[] = {
        {true, HotKeyStatus::registered, false},  {true, HotKeyStatus::refused, false},
        {true, HotKeyStatus::unsupported, false}, {false, HotKeyStatus::registered, false},
        {false, HotKeyStatus::refused, true},     {false, HotKeyStatus::unsupported, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(!unreachableWarning(c.tray, c.hotKey).isEmpty(), c.warns) << c.tray << " " << int(c.hotKey);
    }
    EXPECT_TRUE(unreachableWarning(false, HotKeyStatus::refused).contains(QStringLiteral("Alt+Space")));
}

class AppDelegateTest : public ::testing::Test {
protected:
    AppDelegateTest() { clipboard->text = "hello there"; }

    std::unique_ptr<AppDelegate> make(HotKeyStatus answer = HotKeyStatus::registered) {
        auto key = std::make_unique<FakeHotKey>(answer);
        hotKey = key.get();
        return std::make_unique<AppDelegate>(clipboard, std::move(key));
    }

    std::shared_ptr<MemoryClipboard> clipboard = std::make_shared<MemoryClipboard>();
    FakeHotKey* hotKey = nullptr;
};

TEST_F(AppDelegateTest, StartRegistersAltSpaceOnlyAndShowsNothing) {
    auto app = make();
    app->start();
    ASSERT_EQ(hotKey->calls.size(), 1u);
    EXPECT_EQ(hotKey->calls[0].key, Qt::Key_Space);
    EXPECT_EQ(hotKey->calls[0].modifiers, Qt::KeyboardModifiers(Qt::AltModifier));
    EXPECT_TRUE(app->hotKey().isRegistered());
    EXPECT_FALSE(app->panel().isVisible());
    EXPECT_EQ(app->settingsWindow(), nullptr);
    EXPECT_EQ(clipboard->reads, 0);
    ASSERT_NE(app->tray(), nullptr);
    EXPECT_EQ(app->tray()->toolTip(), QStringLiteral("Tavlets"));
    EXPECT_EQ(app->tray()->contextMenu(), app->trayMenu());
}

TEST_F(AppDelegateTest, HotKeyToggles) {
    auto app = make();
    app->start();
    hotKey->press();
    ASSERT_TRUE(spinUntil([&] { return app->panel().isVisible(); }));
    EXPECT_EQ(clipboard->reads, 1);
    hotKey->press();
    EXPECT_TRUE(spinUntil([&] { return !app->panel().isVisible(); }));
}

TEST_F(AppDelegateTest, ShowTavletsReloadsInsteadOfClosing) {
    auto app = make();
    app->start();
    app->trayMenu()->actions()[0]->trigger();
    ASSERT_TRUE(spinUntil([&] { return app->panel().isVisible(); }));
    clipboard->text = "something else";
    app->trayMenu()->actions()[0]->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(app->panel().isVisible());
    EXPECT_EQ(app->panel().model().text(), "something else");
    app->panel().hide();
}

TEST_F(AppDelegateTest, RefusalIsRecordedAndShownInSettings) {
    auto app = make(HotKeyStatus::refused);
    app->start();
    EXPECT_FALSE(app->hotKey().isRegistered());
    hotKey->press();  // a refused key never fires
    QCoreApplication::processEvents();
    EXPECT_FALSE(app->panel().isVisible());
    app->openSettings();
    auto* label = app->settingsWindow()->findChild<QLabel*>(QStringLiteral("shortcut"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), SettingsWindow::shortcutText(HotKeyStatus::refused));
    app->settingsWindow()->close();
}

TEST_F(AppDelegateTest, SettingsWindowIsBuiltOnceAndComesBack) {
    auto app = make();
    app->start();
    app->trayMenu()->actions()[2]->trigger();
    SettingsWindow* first = app->settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->width(), 460);
    first->close();
    EXPECT_FALSE(first->isVisible());
    app->openSettings();
    EXPECT_EQ(app->settingsWindow(), first);
    EXPECT_TRUE(first->isVisible());
    first->close();
}

TEST_F(AppDelegateTest, SecondLaunchTogglesThePanel) {
    auto app = make();
    app->start();
    const QString name = QStringLiteral("tavlets-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen());
    app->attach(running);

    for (bool visibleAfter : {true, false}) {
        auto answered = std::async(std::launch::async, [name] { return SingleInstance(name).sendToggle(3000); });
        ASSERT_TRUE(spinUntil([&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_TRUE(answered.get());
        EXPECT_TRUE(spinUntil([&] { return app->panel().isVisible() == visibleAfter; })) << visibleAfter;
    }
}

}  // namespace
}  // namespace tavlets
