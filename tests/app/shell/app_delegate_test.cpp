#include "shell/app_delegate.hpp"

#include "panel/panel_controller.hpp"
#include "panel/panel_view.hpp"
#include "shell/settings_window.hpp"
#include "shell/shortcut_recorder.hpp"
#include "shell/single_instance.hpp"
#include "shell_test_util.hpp"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QLocalSocket>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QUuid>

#include <gtest/gtest.h>

#include <algorithm>

#include <unistd.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;
using KeyCall = std::pair<Qt::Key, Qt::KeyboardModifiers>;

// A hot key whose desktop's answer to the registration is chosen up front.
struct FakeHotKey : HotKey {
    explicit FakeHotKey(HotKeyStatus answer) : answer(answer) {}
    void registerKey(Qt::Key key, Qt::KeyboardModifiers modifiers, Handler) override {
        calls.emplace_back(key, modifiers);
        current = answer;
    }
    // Takes the combinations in `free`; the old one stays in force otherwise.
    void rebind(Qt::Key key, Qt::KeyboardModifiers modifiers, Done done) override {
        calls.emplace_back(key, modifiers);
        const bool take = std::find(free.begin(), free.end(), QKeyCombination(modifiers, key)) != free.end();
        if (take) become(HotKeyStatus::registered);
        done(take);
    }
    HotKeyStatus status() const override { return current; }
    void become(HotKeyStatus status) { current = status; notifyChanged(); }
    HotKeyStatus answer, current = HotKeyStatus::notRegistered;
    std::vector<KeyCall> calls;
    std::vector<QKeyCombination> free;
};

struct Started {
    explicit Started(HotKeyStatus answer = HotKeyStatus::registered, bool trayAvailable = true,
                     const char* stored = nullptr)
        : hotKey(new FakeHotKey(answer)), app(clipboard, std::unique_ptr<HotKey>(hotKey)) {
        if (stored) QSettings(home.path(), QSettings::IniFormat).setValue(QStringLiteral("shortcut"), QString::fromUtf8(stored));
        app.setNoticeOutputs([trayAvailable] { return trayAvailable; }, [this](const QString& line) { errors.push_back(line); });
        app.start();
    }
    QString stored() const { return QSettings(home.path(), QSettings::IniFormat).value(QStringLiteral("shortcut")).toString(); }
    QString settings(const char* label) const { return labelText(*app.settingsWindow(), label); }
    bool panelShown(bool shown = true) { return spinUntil([&] { return app.panel().isVisible() == shown; }); }
    ConfigHome home;
    std::vector<QString> errors;
    std::shared_ptr<MemoryClipboard> clipboard = std::make_shared<MemoryClipboard>();
    FakeHotKey* hotKey;
    AppDelegate app;
};

// Types a combination into the open Settings window's recorder.
void record(SettingsWindow& window, QKeyCombination combination) {
    window.recorder()->click();
    QKeyEvent press(QEvent::KeyPress, combination.key(), combination.keyboardModifiers());
    QApplication::sendEvent(window.recorder(), &press);
}

TEST(TrayMenu, ItemsInOrderWithoutShortcuts) {
    QMenu menu;
    std::vector<std::string> ran;
    fillTrayMenu(menu, {[&] { ran.push_back("show"); }, [&] { ran.push_back("settings"); }, [&] { ran.push_back("quit"); }});
    QStringList texts;
    for (QAction* item : menu.actions()) {
        texts << item->text() + item->shortcut().toString();
        item->trigger();
    }
    EXPECT_EQ(texts, QStringList({"Show Tavlets", "", "Settings\u2026", "", "Quit Tavlets"}));
    EXPECT_EQ(ran, (std::vector<std::string>{"show", "settings", "quit"}));
}

// The hot key toggling the panel is an end-to-end case (escape_and_toggle).
TEST(AppDelegate, StartsSilentlyWithTheStoredShortcutAndShowTavletsReloads) {
    Started s(HotKeyStatus::registered, true, "Ctrl+Alt+Space");
    EXPECT_EQ(s.hotKey->calls, (std::vector<KeyCall>{{Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier}}));
    EXPECT_TRUE(s.errors.empty());
    EXPECT_FALSE(s.app.panel().isVisible());
    EXPECT_EQ(s.app.settingsWindow(), nullptr);
    EXPECT_EQ(s.clipboard->reads, 0);
    EXPECT_EQ(s.app.tray()->contextMenu(), s.app.trayMenu());
    for (const char* text : {"first", "second"}) {  // a second Show Tavlets reloads rather than closes
        s.clipboard->text = text;
        s.app.trayMenu()->actions()[0]->trigger();
        EXPECT_TRUE(s.panelShown());
        EXPECT_EQ(s.app.panel().model().text(), text);
    }
}

// The toggle from a later launch reaching the panel is an end-to-end case (hot_key_taken, other_user).
TEST(AppDelegate, OnlyTheFirstInstanceRunsAndOnlyATogglingMessageToggles) {
    const QString name = QStringLiteral("tavlets-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
    Started s;
    SingleInstance running(name);
    ASSERT_TRUE(running.claim());
    EXPECT_FALSE(SingleInstance(name).claim());
    EXPECT_FALSE(SingleInstance(name).sendToggle(200));  // nobody listens yet: reported, not hidden
    ASSERT_TRUE(running.listen());
    s.app.attach(running);
    for (const QByteArray& message : {QByteArray("show\n"), QByteArray("toggle"), QByteArray(4096, 'x')}) {
        QLocalSocket socket;
        socket.connectToServer(name);
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(message);
        EXPECT_FALSE(spinUntil([&] { return s.app.panel().isVisible(); }, 100));
    }
}

TEST(AppDelegate, ARefusalIsToldOncePerStartInTheTrayElseOnStandardError) {
    const QString refused = QStringLiteral("Alt+Space is already used by another app");
    {
        // The offscreen tray says nowhere where its icon is, so no balloon: the line goes to stderr.
        Started s(HotKeyStatus::refused, true);
        const QString first = s.app.startNoticeGiven();
        EXPECT_TRUE(first.contains(refused));
        s.hotKey->become(HotKeyStatus::registered);
        s.hotKey->become(HotKeyStatus::refused);
        EXPECT_EQ(s.app.startNoticeGiven(), first);
        ASSERT_EQ(s.errors.size(), 1u);
        EXPECT_TRUE(s.errors[0].contains(refused));
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
    EXPECT_FALSE(window.windowIcon().isNull());  // no window falls back to a generic icon
    EXPECT_EQ(s.settings("shortcut"), shortcutStatusText({HotKeyStatus::refused, QStringLiteral("Alt+Space"), {}}));

    record(window, taken);  // refused: said so, nothing kept, the old texts stay
    EXPECT_EQ(s.hotKey->calls.back(), KeyCall(Qt::Key_K, taken.keyboardModifiers()));
    EXPECT_EQ(s.settings("shortcutMessage"), QStringLiteral("Ctrl+Shift+K is not available: another app may hold it."));
    EXPECT_FALSE(QFile::exists(s.home.path()));
    EXPECT_EQ(window.recorder()->text(), QStringLiteral("Alt+Space"));

    record(window, free);  // grabbed and kept: the choose_shortcut end-to-end case
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("shortcutMessage"))->isVisibleTo(&window));
    EXPECT_EQ(s.settings("shortcut"), QStringLiteral("Press Ctrl+Alt+Space anywhere to open the panel."));
    EXPECT_EQ(window.recorder()->text(), QStringLiteral("Ctrl+Alt+Space"));
    EXPECT_EQ(s.app.tray()->toolTip(), QStringLiteral("Tavlets \u2014 Ctrl+Alt+Space opens the panel"));

    // Now that one works, a refused choice keeps it and says so.
    s.hotKey->free.clear();
    record(window, taken);
    EXPECT_EQ(s.settings("shortcutMessage"),
              QStringLiteral("Ctrl+Shift+K is not available: another app may hold it. Ctrl+Alt+Space stays."));
    EXPECT_EQ(s.app.shortcut(), free);
    window.close();
    s.app.openSettings();  // the same window comes back
    EXPECT_EQ(s.app.settingsWindow(), &window);
    EXPECT_TRUE(window.isVisible());
    window.close();
}

TEST(AppDelegate, ABadStoredShortcutFallsBackWithOneLineAndWithoutGlobalShortcutsTheChoiceIsOnlyKept) {
    Started s(HotKeyStatus::unsupported, true, "Space");
    ASSERT_EQ(s.errors.size(), 1u);
    EXPECT_TRUE(s.errors[0].contains(QStringLiteral("tavlets.conf")));
    s.app.openSettings();
    record(*s.app.settingsWindow(), QKeyCombination(Qt::MetaModifier, Qt::Key_T));
    EXPECT_EQ(s.hotKey->calls, (std::vector<KeyCall>{{Qt::Key_Space, Qt::AltModifier}}));  // no grab tried
    EXPECT_EQ(s.stored(), QStringLiteral("Meta+T"));
    s.clipboard->text.reset();
    s.app.showPanel();
    EXPECT_EQ(s.app.panel().view()->emptyStateLabelText(),
              QStringLiteral("The clipboard has no text. Copy something, then open Tavlets again."));
    s.app.settingsWindow()->close();
}

TEST(SingleInstanceName, PerUserAndDisplayAndNeverAPath) {
    for (const QStringList& c : dataRows("names.tsv", 5)) {
        if (c[0] != u"instance") continue;
        EXPECT_EQ(SingleInstance::nameFor(c[1].toUInt(), c[2], c[3]), c[4]) << c[2].toStdString();
    }
}

TEST(SingleInstancePlace, OnlyAPrivateFolderOfOurOwn) {
    QTemporaryDir dir;
    const QString base = dir.path();
    ASSERT_TRUE(QDir(base).mkdir(QStringLiteral("private")) && QDir(base).mkdir(QStringLiteral("open")));
    const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    QFile::setPermissions(base + QStringLiteral("/private"), owner);
    QFile::setPermissions(base + QStringLiteral("/open"), owner | QFileDevice::ReadOther | QFileDevice::ExeOther);
    QFile::link(base + QStringLiteral("/private"), base + QStringLiteral("/link"));
    writeFile(base + QStringLiteral("/file"), "x");
    const struct { const char* name; const char* reason; } cases[] = {
        {"private", "<safe>"}, {"open", "others may enter"}, {"link", "symbolic link"}, {"file", "not a folder"},
        {"missing", "No such file"},  // another user's folder: the other_user end-to-end case
    };
    for (const auto& c : cases) {
        const QString reason = SingleInstance::unsafeFolderReason(base + u'/' + QString::fromLatin1(c.name)).value_or("<safe>");
        EXPECT_TRUE(reason.contains(QString::fromLatin1(c.reason))) << c.name << ": " << reason.toStdString();
    }
    // Without a runtime folder, one of our own is made, private.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR"), temp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", base.toUtf8());
    QString why;
    const auto path = SingleInstance::defaultPath(&why);
    ASSERT_TRUE(path.has_value()) << why.toStdString();
    EXPECT_TRUE(path->startsWith(base + QStringLiteral("/tavlets-%1/").arg(::getuid())));
    EXPECT_FALSE(SingleInstance::unsafeFolderReason(QFileInfo(*path).path()).has_value());
    qputenv("XDG_RUNTIME_DIR", runtime);
    qputenv("TMPDIR", temp);
}

}  // namespace
}  // namespace tavlets
