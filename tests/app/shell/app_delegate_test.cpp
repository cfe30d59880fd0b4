#include "shell/app_delegate.hpp"

#include "panel/panel_controller.hpp"
#include "shell/settings_window.hpp"
#include "shell/single_instance.hpp"

#include <QAction>
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
