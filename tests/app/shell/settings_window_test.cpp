#include "shell/settings_window.hpp"

#include "shell/autostart.hpp"
#include "shell/shortcut_recorder.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace tavlets {
namespace {

const ShortcutState kWorking{HotKeyStatus::registered, QStringLiteral("Alt+Space"), {}};

// Every label shows its whole text: as tall as it needs at its width, and inside the window.
void expectEveryTextWhole(const SettingsWindow& window) {
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        if (label->isHidden() || label->text().isEmpty()) continue;
        SCOPED_TRACE(label->objectName().toStdString());
        if (label->wordWrap()) EXPECT_GE(label->height(), label->heightForWidth(label->width()));
        else EXPECT_GE(label->width(), label->sizeHint().width());
        const QPoint bottomRight = label->mapTo(&window, QPoint(label->width(), label->height()));
        EXPECT_LE(bottomRight.y(), window.height());
        EXPECT_LE(bottomRight.x(), window.width());
    }
}

TEST(SettingsWindow, EveryTextWrapsAndKeepsItsHeightAtAnyFontSize) {
    const QFont original = QApplication::font();
    for (qreal points : {9.0, 16.0, 24.0}) {
        SCOPED_TRACE(points);
        QFont font = original;
        font.setPointSizeF(points);
        QApplication::setFont(font);
        SettingsWindow window(kWorking);
        window.setShortcutMessage(QStringLiteral("Add Ctrl, Alt or Meta: a key on its own would stop working for typing."));
        window.show();
        QApplication::processEvents();
        EXPECT_EQ(window.width(), SettingsWindow::fixedWidth);
        EXPECT_EQ(window.minimumSize(), window.maximumSize());
        expectEveryTextWhole(window);
        // The font may also change while the window is open.
        QFont larger = font;
        larger.setPointSizeF(points + 6);
        window.setFont(larger);
        QApplication::processEvents();
        expectEveryTextWhole(window);
    }
    QApplication::setFont(original);
}

TEST(SettingsWindow, FixedTextsAndOnlyAClosingButton) {
    SettingsWindow window(kWorking);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Tavlets Settings"));
    const struct { const char* label; const char* text; } texts[] = {
        {"title", "Tavlets"},
        {"subtitle", "Smart actions for whatever is on your clipboard"},
        {"shortcut", "Press Alt+Space anywhere to open the panel."},
        {"autostartLabel", "Start Tavlets when you log in"},
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

TEST(SettingsWindow, EscapeAndCtrlWCloseItButNotWhileRecording) {
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; bool closes; } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, true},
        {Qt::Key_W, Qt::ControlModifier, true},
        {Qt::Key_W, Qt::NoModifier, false},
        {Qt::Key_Escape, Qt::ShiftModifier, false},
    };
    for (const auto& c : cases) {
        SettingsWindow window(kWorking);
        window.show();
        QKeyEvent press(QEvent::KeyPress, c.key, c.modifiers);
        QApplication::sendEvent(&window, &press);
        EXPECT_EQ(window.isVisible(), !c.closes) << c.key;
    }
    // Escape while recording cancels the recording only.
    SettingsWindow window(kWorking);
    window.show();
    window.recorder()->click();
    ASSERT_TRUE(window.recorder()->isRecording());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(window.recorder(), &escape);
    EXPECT_FALSE(window.recorder()->isRecording());
    EXPECT_TRUE(window.isVisible());
}

TEST(ShortcutRecorder, TakesACombinationWithAModifierAndRefusesTheRest) {
    SettingsWindow window(kWorking);
    window.show();
    ShortcutRecorder* recorder = window.recorder();
    std::vector<QKeyCombination> chosen;
    QObject::connect(&window, &SettingsWindow::shortcutChosen, [&](QKeyCombination c) { chosen.push_back(c); });
    auto* message = window.findChild<QLabel*>(QStringLiteral("shortcutMessage"));
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(recorder, &event);
    };

    recorder->click();
    // Modifiers alone decide nothing yet. A modifier key's own event carries the state before it.
    press(Qt::Key_Control, Qt::NoModifier);
    press(Qt::Key_Alt, Qt::ControlModifier);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+\u2026"));
    press(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0], QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Space));
    EXPECT_FALSE(recorder->isRecording());

    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        recorder->click();
        press(Qt::Key_K, modifiers);
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(chosen.size(), 1);
        EXPECT_TRUE(message->isVisible());
        EXPECT_TRUE(message->text().contains(QStringLiteral("Ctrl, Alt or Meta"))) << message->text().toStdString();
        EXPECT_EQ(recorder->text(), QStringLiteral("Alt+Space"));
    }
    // The next good combination clears the reason.
    recorder->click();
    press(Qt::Key_K, Qt::MetaModifier);
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_FALSE(message->isVisible());
}

TEST(SettingsWindow, AutostartBoxWritesAndRemovesTheEntryAndShowsWhatIsThere) {
    QTemporaryDir home;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QString entry = home.path() + QStringLiteral("/autostart/tavlets.desktop");
    {
        SettingsWindow window(kWorking);
        window.show();
        QCheckBox* box = window.autostartBox();
        EXPECT_FALSE(box->isChecked());
        box->click();
        EXPECT_TRUE(QFile::exists(entry));
        EXPECT_TRUE(box->isChecked());
        box->click();
        EXPECT_FALSE(QFile::exists(entry));
        // Added by hand while the window is closed: shown checked on the next opening.
        window.close();
        ASSERT_TRUE(setAutostartEnabled(true, QStringLiteral("/usr/bin/tavlets")));
        window.show();
        EXPECT_TRUE(box->isChecked());
        // A click on the words toggles the box too.
        QWidget* words = window.findChild<QLabel*>(QStringLiteral("autostartLabel"));
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(words, &release);
        EXPECT_FALSE(box->isChecked());
        EXPECT_FALSE(QFile::exists(entry));
    }
    qputenv("XDG_CONFIG_HOME", old);
}

}  // namespace
}  // namespace tavlets
