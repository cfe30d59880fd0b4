#include "shell/autostart.hpp"
#include "shell/shortcut_settings.hpp"
#include "shell/shortcut_texts.hpp"

#include "panel/panel_text.hpp"
#include "shell_test_util.hpp"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

constexpr QKeyCombination kCtrlAltSpace{Qt::ControlModifier | Qt::AltModifier, Qt::Key_Space};

TEST(ShortcutFile, RoundTripThroughARealFileInTheConfigHome) {
    ConfigHome home;
    const QString path = shortcutFilePath();
    EXPECT_EQ(path, home.path());

    const StoredShortcut missing = loadShortcut();  // no folder, no file
    EXPECT_EQ(missing.combination, kDefaultShortcut);
    EXPECT_TRUE(missing.warning.isEmpty());

    ASSERT_TRUE(saveShortcut(kCtrlAltSpace));
    // The format people and scripts rely on.
    EXPECT_EQ(readAll(path), QByteArray("[General]\nshortcut=Ctrl+Alt+Space\n"));
    for (QKeyCombination combination : {kCtrlAltSpace, QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_F5),
                                        QKeyCombination(Qt::ControlModifier, Qt::Key_K)}) {
        ASSERT_TRUE(saveShortcut(combination));
        const StoredShortcut loaded = loadShortcut();
        EXPECT_EQ(loaded.combination, combination) << shortcutName(combination).toStdString();
        EXPECT_TRUE(loaded.warning.isEmpty());
    }
    // Where no folder can be made, saving says so.
    ASSERT_TRUE(writeFile(home.path("plain"), "x"));
    QString error;
    EXPECT_FALSE(saveShortcut(kCtrlAltSpace, &error, home.path("plain/tavlets.conf")));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ShortcutFile, HandWrittenValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavlets.conf"));
    const struct { const char* content; QKeyCombination expected; bool warns; const char* where = ""; } cases[] = {
        {"[General]\nshortcut=Ctrl+Alt+Space\n", kCtrlAltSpace, false},
        {"shortcut=Ctrl+Alt+Space\n", kCtrlAltSpace, false},  // no section header: still top level
        {"[General]\nshortcut = meta+k\n", QKeyCombination(Qt::MetaModifier, Qt::Key_K), false},
        {"[General]\nother=1\n", kDefaultShortcut, false},  // no key: the default, quietly
        {"", kDefaultShortcut, false},
        {"[General]\nshortcut=Space\n", kDefaultShortcut, true, ":2:10:"},  // no modifier
        {"# mine\n[Other]\nshortcut=x\n[General]\n  shortcut =  Shift+A\n", kDefaultShortcut, true, ":5:15:"},
        {"garbage\n[[[\n=\n", kDefaultShortcut, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        ASSERT_TRUE(writeFile(path, QByteArray(c.content)));
        const StoredShortcut loaded = loadShortcut(path);
        EXPECT_EQ(loaded.combination, c.expected);
        EXPECT_EQ(!loaded.warning.isEmpty(), c.warns) << loaded.warning.toStdString();
        if (c.warns) {
            EXPECT_TRUE(loaded.warning.contains(path + QString::fromLatin1(c.where))) << loaded.warning.toStdString();
            EXPECT_FALSE(loaded.warning.contains(QLatin1Char('\n')));
        }
    }
    // Unreadable: the default, and no complaint about a value nobody could read.
    ASSERT_TRUE(writeFile(path, "[General]\nshortcut=Ctrl+Alt+Space\n"));
    QFile::setPermissions(path, QFileDevice::Permissions());
    if (geteuid() != 0) {
        const StoredShortcut loaded = loadShortcut(path);
        EXPECT_EQ(loaded.combination, kDefaultShortcut);
        EXPECT_TRUE(loaded.warning.isEmpty());
    }
}

// A bad value: the default holds, and one line says so with the value quoted short and escaped.
TEST(ShortcutFile, BadValuesWarnQuotedShortAndEscaped) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavlets.conf"));
    const struct { QByteArray value; std::string quoted; } cases[] = {
        {"Space", "shortcut=\"Space\" is"},
        {"\"\x1b]0;pwned\x07\x1b[2J\"", "shortcut=\"\\x1b]0;pwned\\x07\\x1b[2J\" is"},  // a terminal title, a clear
        {"\"a\\nb\\tc\\\\d\"", "shortcut=\"a\\nb\\tc\\\\d\" is"},
        {"\xc2\x9b" "31m\xe2\x80\xaeK", "shortcut=\"\\x9b31m\\u202eK\" is"},  // C1 control, direction override
        {"\xc3\xa9t\xc3\xa9", "shortcut=\"\xc3\xa9t\xc3\xa9\" is"},
        {QByteArray(10 << 20, 'x'), "shortcut=\"" + std::string(80, 'x') + "\"\u2026 is"},
        {"Ctrl+Alt", {}}, {"Alt+Spcae", {}}, {"", {}}, {"\"Ctrl+K Ctrl+C\"", {}},
        {"Ctrl+K, Ctrl+C", {}},  // two presses (and a list to QSettings)
        {"\xff\xfe\x80", {}},  // not UTF-8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value.left(40).toStdString());
        ASSERT_TRUE(writeFile(path, "[General]\nshortcut=" + c.value + "\n"));
        const StoredShortcut loaded = loadShortcut(path);
        EXPECT_EQ(loaded.combination, kDefaultShortcut);
        EXPECT_TRUE(loaded.warning.contains(path + QStringLiteral(":2:"))) << loaded.warning.toStdString();
        for (QChar ch : loaded.warning) EXPECT_TRUE(ch.unicode() >= 0x20 && (ch.unicode() < 0x7f || ch.unicode() >= 0xa0)) << int(ch.unicode());
        EXPECT_TRUE(loaded.warning.contains(QString::fromStdString(c.quoted))) << loaded.warning.toStdString();
        EXPECT_LT(loaded.warning.size(), path.size() + 250);
    }
}

TEST(PortalTrigger, InTheDesktopShortcutNotation) {
    const struct { QKeyCombination combination; const char* trigger; } cases[] = {
        {kDefaultShortcut, "ALT+space"},
        {kCtrlAltSpace, "CTRL+ALT+space"},
        {QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K), "SHIFT+LOGO+k"},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_F12), "CTRL+F12"},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_7), "CTRL+7"},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Eacute), ""},  // no name for it: the desktop picks
    };
    for (const auto& c : cases) EXPECT_EQ(portalTrigger(c.combination), QString::fromUtf8(c.trigger));
}

TEST(ShortcutTexts, NameTheChosenShortcutInEveryState) {
    const QStringList statuses{"notRegistered", "registered", "refused", "unsupported", "pending", "declined"};
    QStringList rows = QString::fromUtf8(readAll(testData("shortcut_texts.tsv"))).split(u'\n', Qt::SkipEmptyParts);
    rows.removeIf([](const QString& row) { return row.startsWith(u'#'); });
    ASSERT_EQ(rows.size(), 6);
    for (const QString& row : std::as_const(rows)) {
        SCOPED_TRACE(row.toStdString());
        const QStringList c = row.split(u'\t');
        ASSERT_EQ(c.size(), 5);
        const ShortcutState state{HotKeyStatus(statuses.indexOf(c[0])), QStringLiteral("Ctrl+Alt+Space"), c[1] == u'-' ? QString() : c[1]};
        EXPECT_EQ(shortcutStatusText(state), c[2]);
        EXPECT_EQ(emptyStateText(workingShortcut(state)), c[3]);
        EXPECT_EQ(trayToolTip(state), c[4]);
    }
    EXPECT_EQ(emptyStateText(), QStringLiteral("The clipboard has no text. Copy something, then press Alt+Space."));
}

TEST(ShortcutTexts, StartNoticeAndWarningOnlyWhenTheShortcutFails) {
    const QString chosen = QStringLiteral("Ctrl+Alt+Space");
    // The warning, for a start without a tray; with one, there is never a warning.
    const struct { HotKeyStatus status; bool notice; bool warning; } cases[] = {
        {HotKeyStatus::registered, false, false}, {HotKeyStatus::pending, false, false}, {HotKeyStatus::refused, true, true},
        {HotKeyStatus::declined, true, true}, {HotKeyStatus::unsupported, false, true}, {HotKeyStatus::notOnLayout, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.status));
        const ShortcutState state{c.status, chosen, {}};
        const QString notice = startNotice(state);
        const QString warning = unreachableWarning(false, state);
        EXPECT_TRUE(unreachableWarning(true, state).isEmpty());
        EXPECT_EQ(!notice.isEmpty(), c.notice);
        EXPECT_EQ(!warning.isEmpty(), c.warning);
        if (c.status != HotKeyStatus::unsupported) {  // the text names the shortcut that failed
            EXPECT_EQ(notice.contains(chosen), c.notice);
            EXPECT_EQ(warning.contains(chosen), c.warning);
        }
    }
    // A key missing from the layout is not blamed on another app.
    for (const QString& text : {shortcutStatusText({HotKeyStatus::notOnLayout, chosen, {}}),
                                startNotice({HotKeyStatus::notOnLayout, chosen, {}}),
                                unreachableWarning(false, {HotKeyStatus::notOnLayout, chosen, {}})}) {
        EXPECT_TRUE(text.contains(chosen + QStringLiteral(" isn't on your keyboard layout"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("another app"))) << text.toStdString();
    }
    // Both name where another shortcut is chosen.
    EXPECT_TRUE(startNotice({HotKeyStatus::refused, chosen, {}}).contains(QStringLiteral("Settings\u2026")));
    EXPECT_TRUE(unreachableWarning(false, {HotKeyStatus::refused, chosen, {}}).contains(QStringLiteral("tavlets --settings")));
}

TEST(Autostart, WritesAnEntryThatRunsTheProgramAndRemovesIt) {
    QTemporaryDir home;
    const QString path = home.filePath(QStringLiteral("autostart/tavlets.desktop"));
    EXPECT_FALSE(isAutostartEnabled(path));
    ASSERT_TRUE(setAutostartEnabled(true, QStringLiteral("/opt/my apps/tavlets"), nullptr, path));
    const QByteArray entry = readAll(path);
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));
    EXPECT_TRUE(entry.contains("\nExec=\"/opt/my apps/tavlets\"\n"));
    EXPECT_TRUE(isAutostartEnabled(path));
    ASSERT_TRUE(setAutostartEnabled(true, QStringLiteral("/usr/bin/tavlets"), nullptr, path));  // rewritten, not appended
    EXPECT_EQ(readAll(path).count("[Desktop Entry]"), 1);
    // Desktops switch an entry off with Hidden=true rather than deleting it.
    ASSERT_TRUE(writeFile(path, "[Desktop Entry]\nType=Application\nExec=tavlets\nHidden = true\n"));
    EXPECT_FALSE(isAutostartEnabled(path));
    ASSERT_TRUE(setAutostartEnabled(false, QString(), nullptr, path));
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(setAutostartEnabled(false, QString(), nullptr, path));  // already gone is fine
}

TEST(Autostart, ExecQuotingOfOddPaths) {
    const struct { const char* program; const char* exec; } cases[] = {
        {"/usr/bin/tavlets", "/usr/bin/tavlets"},
        {"/home/a b/tavlets", "\"/home/a b/tavlets\""},
        {"/home/100%/tavlets", "/home/100%%/tavlets"},
        {"/tmp/$x/ta\"v", "\"/tmp/\\\\$x/ta\\\\\"v\""},
    };
    for (const auto& c : cases) EXPECT_EQ(desktopExec(QString::fromUtf8(c.program)), QString::fromUtf8(c.exec)) << c.program;
}

}  // namespace
}  // namespace tavlets
