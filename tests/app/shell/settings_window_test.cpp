#include "shell/settings_window.hpp"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

QString labelText(const SettingsWindow& window, const char* name) {
    auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QStringLiteral("<missing>");
}

struct ShortcutCase {
    HotKeyStatus status;
    const char* text;
};

class ShortcutText : public ::testing::TestWithParam<ShortcutCase> {};

TEST_P(ShortcutText, ShowsTheStatusReadWhenBuilt) {
    SettingsWindow window(GetParam().status);
    EXPECT_EQ(labelText(window, "shortcut"), QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    States, ShortcutText,
    ::testing::Values(
        ShortcutCase{HotKeyStatus::registered, "Press Alt+Space anywhere to open the panel."},
        ShortcutCase{HotKeyStatus::refused,
                     "Alt+Space is already used by another app, so the shortcut is unavailable. Use the tray icon "
                     "instead."},
        ShortcutCase{HotKeyStatus::unsupported,
                     "Global shortcuts aren't available in this session, so Alt+Space doesn't work. Use the tray "
                     "icon, or bind a shortcut of your desktop to the tavlets command."},
        // A registration that never ran cannot be promised to work.
        ShortcutCase{HotKeyStatus::notRegistered,
                     "Alt+Space is already used by another app, so the shortcut is unavailable. Use the tray icon "
                     "instead."}));

TEST(SettingsWindow, FixedTexts) {
    SettingsWindow window(HotKeyStatus::registered);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavlets Settings"));
    EXPECT_EQ(labelText(window, "title"), QStringLiteral("Tavlets"));
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("title"))->font().bold());
    EXPECT_EQ(labelText(window, "subtitle"), QStringLiteral("Smart actions for whatever is on your clipboard"));
    EXPECT_EQ(labelText(window, "method"),
              QStringLiteral("The actions are built-in rules, not a language model. Detection, formatting, the TL;DR "
                             "and the action-item list all come from fixed rules plus on-device sentence tokenizing "
                             "and pattern matching. They pick and tidy up your own words and never write new text, "
                             "so they can miss things or choose an imperfect sentence."));
    EXPECT_EQ(labelText(window, "privacy"),
              QStringLiteral("Everything runs on your computer. Your clipboard is only read when you open the panel, "
                             "and nothing is sent anywhere."));
}

TEST(SettingsWindow, FixedSizeClosableOnly) {
    SettingsWindow window(HotKeyStatus::refused);
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.width(), 460);
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    window.close();
}

TEST(SettingsWindow, WrappedTextsKeepTheirFullHeight) {
    SettingsWindow window(HotKeyStatus::unsupported);
    window.show();
    QApplication::processEvents();
    for (const char* name : {"shortcut", "method", "privacy"}) {
        auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
        ASSERT_NE(label, nullptr) << name;
        EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name;
        EXPECT_LE(label->geometry().bottom(), label->parentWidget()->height()) << name;
        EXPECT_LE(label->mapTo(&window, QPoint(0, label->height())).y(), window.height()) << name;
    }
    // The long method text takes several lines at this width.
    auto* method = window.findChild<QLabel*>(QStringLiteral("method"));
    EXPECT_GT(method->height(), 2 * method->fontMetrics().height());
    window.close();
}

}  // namespace
}  // namespace tavlets
