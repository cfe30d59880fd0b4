#include "shell/settings_window.hpp"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

const char* const kRefused =
    "Alt+Space is already used by another app, so the shortcut is unavailable. Use the tray icon instead.";

TEST(SettingsWindow, ShowsTheShortcutStatusReadWhenBuiltWithEveryTextWhole) {
    const struct { HotKeyStatus status; const char* text; } cases[] = {
        {HotKeyStatus::registered, "Press Alt+Space anywhere to open the panel."},
        {HotKeyStatus::refused, kRefused},
        {HotKeyStatus::unsupported,
         "Global shortcuts aren't available in this session, so Alt+Space doesn't work. Use the tray icon, or bind "
         "a shortcut of your desktop to the tavlets command."},
        {HotKeyStatus::notRegistered, kRefused},  // a registration that never ran cannot be promised to work
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.status));
        SettingsWindow window(c.status);
        window.show();
        QApplication::processEvents();
        EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("shortcut"))->text(), QString::fromUtf8(c.text));
        for (const QLabel* label : window.findChildren<QLabel*>()) {  // wrapped texts keep their full height
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->text().toStdString();
            EXPECT_LE(label->mapTo(&window, QPoint(0, label->height())).y(), window.height());
        }
        EXPECT_EQ(window.width(), 460);
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
    }
}

TEST(SettingsWindow, FixedTextsAndOnlyAClosingButton) {
    SettingsWindow window(HotKeyStatus::registered);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavlets Settings"));
    const struct { const char* label; const char* text; } texts[] = {
        {"title", "Tavlets"},
        {"subtitle", "Smart actions for whatever is on your clipboard"},
        {"method",
         "The actions are built-in rules, not a language model. Detection, formatting, the TL;DR and the action-item "
         "list all come from fixed rules plus on-device sentence tokenizing and pattern matching. They pick and tidy "
         "up your own words and never write new text, so they can miss things or choose an imperfect sentence."},
        {"privacy",
         "Everything runs on your computer. Your clipboard is only read when you open the panel, and nothing is sent "
         "anywhere."},
    };
    for (const auto& t : texts) {
        EXPECT_EQ(window.findChild<QLabel*>(QString::fromLatin1(t.label))->text(), QString::fromUtf8(t.text)) << t.label;
    }
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

}  // namespace
}  // namespace tavlets
