#include "shell/shortcut_settings.hpp"
#include "shell/shortcut_texts.hpp"

#include "panel/panel_text.hpp"
#include "shell_test_util.hpp"

#include <QKeySequence>

#include <gtest/gtest.h>

#include <unistd.h>

namespace tavlets {
namespace {

using namespace tavlets::testing;

// Saving and reading back a choice is checked through the app (AppDelegate tests) and end to end
// (choose_shortcut, status_openbox).

// A bad value: the default holds, and one line says where, with the value quoted short and escaped
// (a terminal title or a clear screen never reaches the terminal).
TEST(ShortcutFile, HandWrittenValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("tavlets.conf"));
    EXPECT_TRUE(loadShortcut(path).warning.isEmpty());  // no file: the default, quietly
    const auto check = [&](const QByteArray& content, QKeyCombination expected, const QString& where, const QString& quoted) {
        SCOPED_TRACE(content.left(60).toStdString());
        ASSERT_TRUE(writeFile(path, content));
        const StoredShortcut loaded = loadShortcut(path);
        EXPECT_EQ(loaded.combination, expected);
        EXPECT_EQ(!loaded.warning.isEmpty(), where != u'-') << loaded.warning.toStdString();
        if (where == u'-') return;
        EXPECT_TRUE(loaded.warning.contains(path + where)) << loaded.warning.toStdString();
        for (QChar ch : loaded.warning) EXPECT_TRUE(ch.unicode() >= 0x20 && (ch.unicode() < 0x7f || ch.unicode() >= 0xa0)) << int(ch.unicode());
        if (quoted != u'-') { EXPECT_TRUE(loaded.warning.contains(quoted)) << loaded.warning.toStdString(); }
        EXPECT_LT(loaded.warning.size(), path.size() + 250);
    };
    for (const QStringList& c : dataRows("shortcut_values.tsv", 4)) {
        check(QByteArray::fromPercentEncoding(c[0].toUtf8()),
              c[1] == u"default" ? kDefaultShortcut : QKeySequence::fromString(c[1], QKeySequence::PortableText)[0], c[2], c[3]);
    }
    check("[General]\nshortcut=" + QByteArray(10 << 20, 'x'), kDefaultShortcut, QStringLiteral(":2:"),
          QStringLiteral("shortcut=\"%1\"\u2026 is").arg(QString(80, u'x')));
    // Unreadable: the default, and no complaint about a value nobody could read.
    ASSERT_TRUE(writeFile(path, "[General]\nshortcut=Ctrl+Alt+Space\n"));
    QFile::setPermissions(path, QFileDevice::Permissions());
    if (geteuid() != 0) {
        const StoredShortcut loaded = loadShortcut(path);
        EXPECT_EQ(loaded.combination, kDefaultShortcut);
        EXPECT_TRUE(loaded.warning.isEmpty());
    }
    // Where no folder can be made (a file is in the way), saving says so.
    QString error;
    EXPECT_FALSE(saveShortcut(kDefaultShortcut, &error, path + QStringLiteral("/tavlets.conf")));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PortalTrigger, InTheDesktopShortcutNotation) {
    for (const QStringList& c : dataRows("names.tsv", 5)) {
        if (c[0] != u"trigger") continue;
        const QKeyCombination combination = QKeySequence::fromString(c[1], QKeySequence::PortableText)[0];
        EXPECT_EQ(shortcutName(combination), c[1]);
        EXPECT_EQ(portalTrigger(combination), c[4]) << c[1].toStdString();
    }
}

TEST(ShortcutTexts, NameTheChosenShortcutInEveryState) {
    const QStringList statuses{"notRegistered", "registered", "refused", "unsupported", "pending", "declined", "notOnLayout"};
    const auto rows = dataRows("shortcut_texts.tsv", 7);
    ASSERT_EQ(rows.size(), 7u);
    const auto orNone = [](const QString& field) { return field == u'-' ? QString() : field; };
    for (const QStringList& c : rows) {
        SCOPED_TRACE(c.join(u'|').toStdString());
        const ShortcutState state{HotKeyStatus(statuses.indexOf(c[0])), QStringLiteral("Ctrl+Alt+Space"), orNone(c[1])};
        EXPECT_EQ(shortcutStatusText(state), c[2]);
        EXPECT_EQ(emptyStateText(workingShortcut(state)), c[3]);
        EXPECT_EQ(trayToolTip(state), c[4]);
        EXPECT_EQ(startNotice(state), orNone(c[5]));
        EXPECT_EQ(unreachableWarning(false, state), orNone(c[6]));
        EXPECT_TRUE(unreachableWarning(true, state).isEmpty());
    }
    EXPECT_EQ(emptyStateText(), QStringLiteral("The clipboard has no text. Copy something, then press Alt+Space."));
}

}  // namespace
}  // namespace tavlets
