#include "shell/app_delegate.hpp"

#include "panel/panel_controller.hpp"
#include "panel/panel_view.hpp"
#include "shell/settings_window.hpp"
#include "shell/shortcut_recorder.hpp"
#include "shell/single_instance.hpp"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLocalSocket>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <tavlets/clipboard.hpp>

#include <algorithm>
#include <future>

namespace tavlets {
namespace {

struct MemoryClipboard : Clipboard {
    std::optional<std::string> readText() override { ++reads; return text; }
    void writeText(const std::string& value) override { text = value; }
    std::optional<std::string> text = "hello there";
    int reads = 0;
};

// A hot key pressed by hand; the desktop's answer to the registration is chosen up front.
struct FakeHotKey : HotKey {
    explicit FakeHotKey(HotKeyStatus answer) : answer(answer) {}
    void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler h) override {
        calls.emplace_back(key, modifiers);
        handler = std::move(h);
        current = answer;
    }
    // Takes the combinations in `free`; the old one stays in force otherwise.
    void rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) override {
        calls.emplace_back(key, modifiers);
        const bool take = std::find(free.begin(), free.end(), QKeyCombination(modifiers, key)) != free.end();
        if (take) {
            current = HotKeyStatus::registered;
            notifyChanged();
        }
        done(take);
    }
    HotKeyStatus status() const override { return current; }
    void press() { if (current == HotKeyStatus::registered) handler(); }
    void become(HotKeyStatus status) { current = status; notifyChanged(); }
    HotKeyStatus answer, current = HotKeyStatus::notRegistered;
    Handler handler;
    std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> calls;
    std::vector<QKeyCombination> free;
};

// Points XDG_CONFIG_HOME at a fresh folder for as long as it lives.
struct ConfigHome {
    ConfigHome() : old(qgetenv("XDG_CONFIG_HOME")) { qputenv("XDG_CONFIG_HOME", dir.path().toUtf8()); }
    ~ConfigHome() { qputenv("XDG_CONFIG_HOME", old); }
    QString conf() const { return dir.path() + QStringLiteral("/tavlets/tavlets.conf"); }
    QTemporaryDir dir;
    QByteArray old;
};

struct Started {
    explicit Started(HotKeyStatus answer = HotKeyStatus::registered, bool trayAvailable = true,
                     const char* stored = nullptr)
        : hotKey(new FakeHotKey(answer)), app(clipboard, std::unique_ptr<HotKey>(hotKey)) {
        if (stored) {
            QSettings(home.conf(), QSettings::IniFormat).setValue(QStringLiteral("shortcut"), QString::fromUtf8(stored));
        }
        app.setNoticeOutputs([trayAvailable] { return trayAvailable; },
                             [this](const QString& line) { errors.push_back(line); });
        app.start();
    }
    ConfigHome home;
    std::vector<QString> errors;
    std::shared_ptr<MemoryClipboard> clipboard = std::make_shared<MemoryClipboard>();
    FakeHotKey* hotKey;
    AppDelegate app;
};

// Runs the event loop until the condition holds or the time is up; returns the condition.
bool spinUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

TEST(TrayMenu, ItemsInOrderWithoutShortcuts) {
    QMenu menu;
    std::vector<std::string> ran;
    fillTrayMenu(menu, {[&] { ran.push_back("show"); }, [&] { ran.push_back("settings"); },
                        [&] { ran.push_back("quit"); }});
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), 5);
    const char* texts[] = {"Show Tavlets", nullptr, "Settings\u2026", nullptr, "Quit Tavlets"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i]->isSeparator(), !texts[i]) << i;
        EXPECT_EQ(items[i]->text(), QString::fromUtf8(texts[i] ? texts[i] : "")) << i;
        EXPECT_TRUE(items[i]->shortcuts().isEmpty()) << i;
    }
    items[4]->trigger();
    items[0]->trigger();
    items[2]->trigger();
    EXPECT_EQ(ran, (std::vector<std::string>{"quit", "show", "settings"}));
}

TEST(AppDelegate, StartsSilentlyThenTheHotKeyTogglesAndShowTavletsReloads) {
    Started s;
    EXPECT_EQ(s.hotKey->calls, (std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{{Qt::Key_Space, Qt::AltModifier}}));
    EXPECT_FALSE(s.app.panel().isVisible());
    EXPECT_EQ(s.app.settingsWindow(), nullptr);
    EXPECT_EQ(s.clipboard->reads, 0);
    EXPECT_EQ(s.app.tray()->contextMenu(), s.app.trayMenu());

    s.hotKey->press();
    ASSERT_TRUE(spinUntil([&] { return s.app.panel().isVisible(); }));
    EXPECT_EQ(s.clipboard->reads, 1);
    s.hotKey->press();
    EXPECT_TRUE(spinUntil([&] { return !s.app.panel().isVisible(); }));
    for (const char* text : {"first", "second"}) {  // a second Show Tavlets reloads rather than closes
        s.clipboard->text = text;
        s.app.trayMenu()->actions()[0]->trigger();
        EXPECT_TRUE(spinUntil([&] { return s.app.panel().isVisible(); }));
        EXPECT_EQ(s.app.panel().model().text(), text);
    }
}

TEST(AppDelegate, RefusalIsRecordedAndShownInTheSettingsWindowBuiltOnce) {
    Started s(HotKeyStatus::refused);
    EXPECT_FALSE(s.app.hotKey().isRegistered());
    s.hotKey->press();  // a refused key never fires
    EXPECT_FALSE(s.app.panel().isVisible());
    s.app.trayMenu()->actions()[2]->trigger();
    SettingsWindow* first = s.app.settingsWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->findChild<QLabel*>(QStringLiteral("shortcut"))->text(),
              shortcutStatusText({HotKeyStatus::refused, QStringLiteral("Alt+Space"), {}}));
    first->close();
    s.app.openSettings();  // the same window comes back
    EXPECT_EQ(s.app.settingsWindow(), first);
    EXPECT_TRUE(first->isVisible());
    first->close();
}

TEST(AppDelegate, OnlyTheFirstInstanceRunsAndLaterLaunchesToggleItsPanel) {
    const QString name = QStringLiteral("tavlets-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    QFile leftover(QDir::temp().filePath(name));  // where a killed process leaves its socket
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    Started s;
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    EXPECT_FALSE(SingleInstance(name).claim());
    EXPECT_FALSE(SingleInstance(name).sendToggle(200));  // nobody listens yet: reported, not hidden
    ASSERT_TRUE(running.listen());
    s.app.attach(running);
    for (const QByteArray& message : {QByteArray("show\n"), QByteArray("toggle"), QByteArray(4096, 'x')}) {
        QLocalSocket socket;  // only the toggle message toggles
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(message);
        EXPECT_FALSE(spinUntil([&] { return s.app.panel().isVisible(); }, 100));
    }
    for (bool visibleAfter : {true, false}) {
        auto answered = std::async(std::launch::async, [name] { return SingleInstance(name).sendToggle(3000); });
        ASSERT_TRUE(spinUntil([&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
        EXPECT_TRUE(answered.get());
        EXPECT_TRUE(spinUntil([&] { return s.app.panel().isVisible() == visibleAfter; })) << visibleAfter;
    }
}

// Types a combination into the open Settings window's recorder.
void record(SettingsWindow& window, QKeyCombination combination) {
    window.recorder()->click();
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(window.recorder(), &press);
}

QString settingsText(const AppDelegate& app, const char* name) {
    return app.settingsWindow()->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

TEST(AppDelegate, TheStoredShortcutIsGrabbedAndNamedEverywhere) {
    Started s(HotKeyStatus::registered, true, "Ctrl+Alt+Space");
    ASSERT_EQ(s.hotKey->calls.size(), 1u);
    EXPECT_EQ(s.hotKey->calls[0], std::make_pair(Qt::Key_Space, Qt::KeyboardModifiers(Qt::ControlModifier | Qt::AltModifier)));
    EXPECT_TRUE(s.errors.empty());
    EXPECT_EQ(s.app.tray()->toolTip(), QStringLiteral("Tavlets \u2014 Ctrl+Alt+Space opens the panel"));
    s.clipboard->text.reset();
    s.app.showPanel();
    EXPECT_EQ(s.app.panel().view()->emptyStateLabelText(),
              QStringLiteral("The clipboard has no text. Copy something, then press Ctrl+Alt+Space."));
    s.app.openSettings();
    EXPECT_EQ(settingsText(s.app, "shortcut"), QStringLiteral("Press Ctrl+Alt+Space anywhere to open the panel."));
    EXPECT_EQ(s.app.settingsWindow()->recorder()->text(), QStringLiteral("Ctrl+Alt+Space"));
    s.app.settingsWindow()->close();
}

TEST(AppDelegate, AnInvalidStoredValueGivesAltSpaceAndOneLine) {
    Started s(HotKeyStatus::registered, true, "Space");
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_TRUE(s.errors[0].contains(QStringLiteral("tavlets.conf")));
    EXPECT_EQ(s.hotKey->calls[0], std::make_pair(Qt::Key_Space, Qt::KeyboardModifiers(Qt::AltModifier)));
}

TEST(AppDelegate, ARefusalIsToldOncePerStartInTheTrayElseOnStandardError) {
    {
        Started s(HotKeyStatus::refused, true);
        EXPECT_TRUE(s.app.startNoticeGiven().contains(QStringLiteral("Alt+Space is already used by another app")));
        EXPECT_TRUE(s.errors.empty());
        const QString first = s.app.startNoticeGiven();
        s.hotKey->become(HotKeyStatus::registered);
        s.hotKey->become(HotKeyStatus::refused);
        EXPECT_EQ(s.app.startNoticeGiven(), first);
        EXPECT_TRUE(s.errors.empty());
    }
    {
        Started s(HotKeyStatus::refused, false);
        ASSERT_EQ(s.errors.size(), 1u);
        EXPECT_TRUE(s.errors[0].contains(QStringLiteral("Alt+Space is already used by another app")));
        s.hotKey->become(HotKeyStatus::refused);
        EXPECT_EQ(s.errors.size(), 1u);
    }
    {
        Started s(HotKeyStatus::registered, false);
        EXPECT_TRUE(s.errors.empty());
        EXPECT_TRUE(s.app.startNoticeGiven().isEmpty());
    }
    {
        // The portal answers later: nothing while it is asked, the notice when the answer is no.
        Started s(HotKeyStatus::pending, true);
        EXPECT_TRUE(s.app.startNoticeGiven().isEmpty());
        s.hotKey->become(HotKeyStatus::declined);
        EXPECT_TRUE(s.app.startNoticeGiven().contains(QStringLiteral("did not grant")));
    }
}

TEST(AppDelegate, ChoosingAShortcutInSettingsTakesEffectAtOnceAndIsKept) {
    Started s(HotKeyStatus::refused, true);
    const QKeyCombination taken(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K);
    const QKeyCombination free(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Space);
    s.hotKey->free = {free};
    s.app.openSettings();
    SettingsWindow& window = *s.app.settingsWindow();

    record(window, taken);  // refused: said so, nothing kept, the old texts stay
    EXPECT_EQ(s.hotKey->calls.back(), std::make_pair(Qt::Key_K, taken.keyboardModifiers()));
    EXPECT_EQ(settingsText(s.app, "shortcutMessage"), QStringLiteral("Ctrl+Shift+K is not available: another app may hold it."));
    EXPECT_FALSE(QFile::exists(s.home.conf()));
    EXPECT_EQ(window.recorder()->text(), QStringLiteral("Alt+Space"));

    record(window, free);
    EXPECT_TRUE(s.app.hotKey().isRegistered());
    EXPECT_EQ(s.app.shortcut(), free);
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("shortcutMessage"))->isVisibleTo(&window));
    EXPECT_EQ(settingsText(s.app, "shortcut"), QStringLiteral("Press Ctrl+Alt+Space anywhere to open the panel."));
    EXPECT_EQ(window.recorder()->text(), QStringLiteral("Ctrl+Alt+Space"));
    EXPECT_EQ(s.app.tray()->toolTip(), QStringLiteral("Tavlets \u2014 Ctrl+Alt+Space opens the panel"));
    EXPECT_EQ(QSettings(s.home.conf(), QSettings::IniFormat).value(QStringLiteral("shortcut")).toString(),
              QStringLiteral("Ctrl+Alt+Space"));
    s.hotKey->press();
    EXPECT_TRUE(spinUntil([&] { return s.app.panel().isVisible(); }));

    // Now that one works, a refused choice keeps it and says so.
    s.hotKey->free.clear();
    record(window, taken);
    EXPECT_EQ(settingsText(s.app, "shortcutMessage"),
              QStringLiteral("Ctrl+Shift+K is not available: another app may hold it. Ctrl+Alt+Space stays."));
    EXPECT_EQ(s.app.shortcut(), free);
    window.close();
}

TEST(AppDelegate, WithoutGlobalShortcutsTheChoiceIsOnlyKept) {
    Started s(HotKeyStatus::unsupported, true);
    s.app.openSettings();
    record(*s.app.settingsWindow(), QKeyCombination(Qt::MetaModifier, Qt::Key_T));
    EXPECT_EQ(s.hotKey->calls.size(), 1u);  // no grab tried
    EXPECT_EQ(QSettings(s.home.conf(), QSettings::IniFormat).value(QStringLiteral("shortcut")).toString(),
              QStringLiteral("Meta+T"));
    s.clipboard->text.reset();
    s.app.showPanel();
    EXPECT_EQ(s.app.panel().view()->emptyStateLabelText(),
              QStringLiteral("The clipboard has no text. Copy something, then open Tavlets again."));
    s.app.settingsWindow()->close();
}

TEST(AppDelegate, SettingsOpenFromALaterLaunch) {
    const QString name = QStringLiteral("tavlets-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    Started s;
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    ASSERT_TRUE(running.listen());
    s.app.attach(running);
    auto answered = std::async(std::launch::async, [name] { return SingleInstance(name).sendOpenSettings(3000); });
    ASSERT_TRUE(spinUntil([&] { return answered.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    EXPECT_TRUE(answered.get());
    ASSERT_TRUE(spinUntil([&] { return s.app.settingsWindow() && s.app.settingsWindow()->isVisible(); }));
    EXPECT_FALSE(s.app.panel().isVisible());
    s.app.settingsWindow()->close();
}

TEST(SingleInstanceName, PerUserAndDisplayAndNeverAPath) {
    const struct { unsigned uid; const char *display, *wayland, *name; } cases[] = {
        {1001, ":0", "wayland-0", "tavlets-1001-_0"},  // XWayland: the X display decides
        {1000, "", "wayland-1", "tavlets-1000-wayland-1"},
        {1000, "localhost:10.0", "", "tavlets-1000-localhost_10_0"},
        {1000, "../../etc/x", "", "tavlets-1000-______etc_x"},
        {1000, "", "", "tavlets-1000-none"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SingleInstance::nameFor(c.uid, c.display, c.wayland), QString::fromUtf8(c.name)) << c.display;
    }
}

}  // namespace
}  // namespace tavlets
