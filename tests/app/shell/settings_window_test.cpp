#include "shell/settings_window.hpp"

#include "shell/autostart.hpp"
#include "shell/shortcut_recorder.hpp"
#include "shell_test_util.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <vector>

namespace tavlets {
namespace {

using namespace tavlets::testing;

const ShortcutState kWorking{HotKeyStatus::registered, QStringLiteral("Alt+Space"), {}};

void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
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
        font.setPointSizeF(points + 6);
        window.setFont(font);
        QApplication::processEvents();
        expectEveryTextWhole(window);
    }
    QApplication::setFont(original);
}

TEST(SettingsWindow, OnlyAClosingButtonAndEscapeAndCtrlWCloseItButNotWhileRecording) {
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; bool closes; } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, true},
        {Qt::Key_W, Qt::ControlModifier, true},
        {Qt::Key_W, Qt::NoModifier, false},
        {Qt::Key_Escape, Qt::ShiftModifier, false},
    };
    for (const auto& c : cases) {
        SettingsWindow window(kWorking);
        window.show();
        press(&window, c.key, c.modifiers);
        EXPECT_EQ(window.isVisible(), !c.closes) << c.key;
    }
    SettingsWindow window(kWorking);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    // Escape while recording cancels the recording only.
    window.show();
    window.recorder()->click();
    ASSERT_TRUE(window.recorder()->isRecording());
    press(window.recorder(), Qt::Key_Escape);
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

    recorder->click();
    // Modifiers alone decide nothing yet. A modifier key's own event carries the state before it.
    press(recorder, Qt::Key_Control);
    press(recorder, Qt::Key_Alt, Qt::ControlModifier);
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->text(), QStringLiteral("Ctrl+Alt+\u2026"));
    press(recorder, Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(chosen, std::vector<QKeyCombination>{QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Space)});
    EXPECT_FALSE(recorder->isRecording());

    for (Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier)}) {
        recorder->click();
        press(recorder, Qt::Key_K, modifiers);
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(chosen.size(), 1);
        EXPECT_TRUE(message->isVisible());
        EXPECT_TRUE(message->text().contains(QStringLiteral("Ctrl, Alt or Meta"))) << message->text().toStdString();
        EXPECT_EQ(recorder->text(), QStringLiteral("Alt+Space"));
    }
    // The next good combination clears the reason.
    recorder->click();
    press(recorder, Qt::Key_K, Qt::MetaModifier);
    EXPECT_EQ(chosen.size(), 2);
    EXPECT_FALSE(message->isVisible());
}

TEST(SettingsWindow, AutostartBoxWritesAndRemovesTheEntryAndShowsWhatIsThere) {
    ConfigHome home;
    const QString entry = home.path("autostart/tavlets.desktop");
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
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.findChild<QLabel*>(QStringLiteral("autostartLabel")), &release);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(QFile::exists(entry));
}

}  // namespace
}  // namespace tavlets
