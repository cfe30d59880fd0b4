#include "shell/settings_window.hpp"

#include "shell/autostart.hpp"
#include "shell/shortcut_recorder.hpp"
#include "shell/user_actions_list.hpp"
#include "shell_test_util.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QWindow>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

namespace tavlets {
namespace {

using namespace tavlets::testing;

const ShortcutState kWorking{HotKeyStatus::registered, QStringLiteral("Alt+Space"), {}};

void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
}

// An actions file of `count` entries, each with a number for a title; without `run`, two problems each.
std::shared_ptr<UserActionsSource> brokenActions(const QTemporaryDir& dir, int count, bool withRun,
                                                 UserActionsSource::Report report) {
    const std::string path = dir.filePath(QStringLiteral("actions.toml")).toStdString();
    std::ofstream file(path);
    for (int i = 0; i < count; ++i) file << "[[action]]\ntitle = " << i << (withRun ? "\nrun = [\"true\"]\n" : "\n");
    file.close();
    auto source = std::make_shared<UserActionsSource>(path, nullptr, std::move(report));
    source->refresh();
    return source;
}

// Run in a process of its own per screen (the platform's screens are set when it starts), from the
// test below; skipped when run on its own.
TEST(SettingsWindowOnOneScreen, StaysInsideTheScreenAndScrollsToTheLastProblem) {
    const QByteArray points = qgetenv("TAVLETS_TEST_POINTS");
    if (points.isEmpty()) GTEST_SKIP() << "run by SettingsWindow.FitsEveryScreen";
    QFont font = QApplication::font();
    font.setPointSizeF(points.toDouble());
    QApplication::setFont(font);
    QTemporaryDir dir;
    SettingsWindow window(kWorking, nullptr, brokenActions(dir, 40, true, [](const std::string&) {}));
    window.setShortcutMessage(QStringLiteral("Add Ctrl, Alt or Meta: a key on its own would stop working for typing."));
    window.centreOnScreen();
    window.show();
    ASSERT_TRUE(spinUntil([&] { return window.isVisible() && window.windowHandle()->isExposed(); }));
    QApplication::processEvents();

    const QRect area = window.screen()->availableGeometry();
    EXPECT_EQ(QStringLiteral("%1x%2").arg(area.width()).arg(area.height()), qEnvironmentVariable("TAVLETS_TEST_AREA"));
    EXPECT_TRUE(area.contains(window.frameGeometry()));
    QScrollArea* scroll = window.scrollArea();
    auto* problems = window.findChild<QLabel*>(QStringLiteral("userActionProblems"));
    ASSERT_TRUE(problems);
    EXPECT_TRUE(problems->text().section(QLatin1Char('\n'), -1).startsWith(QStringLiteral("Line 119,")));
    scroll->verticalScrollBar()->setValue(scroll->verticalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_LE(problems->mapTo(scroll->viewport(), QPoint(0, problems->height())).y(), scroll->viewport()->height());
    if (area.width() > SettingsWindow::fixedWidth) { EXPECT_EQ(window.width(), SettingsWindow::fixedWidth); }
    expectEveryTextWhole(*scroll->widget());
    // The font may also change while the window is open.
    font.setPointSizeF(font.pointSizeF() + 6);
    window.setFont(font);
    QApplication::processEvents();
    expectEveryTextWhole(*scroll->widget());
}

TEST(SettingsWindow, FitsEveryScreenAtEveryFontSize) {
    // The offscreen platform's screen, from a file of tests/data/shell.
    const struct { const char *size, *scale, *area; } screens[] = {
        {"800x600", "1", "800x600"}, {"1280x800", "1", "1280x800"}, {"800x600", "2", "400x300"},
    };
    for (const auto& screen : screens) {
        const QString config = QStringLiteral("offscreen:configfile=" TAVLETS_TEST_DATA_DIR "/shell/screen_%1.json").arg(screen.size);
        for (const char* points : {"9", "16", "24"}) {
            SCOPED_TRACE(std::string(screen.size) + " at scale " + screen.scale + ", " + points + " pt");
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), config);
            env.insert(QStringLiteral("QT_SCALE_FACTOR"), QLatin1String(screen.scale));
            env.insert(QStringLiteral("TAVLETS_TEST_POINTS"), QLatin1String(points));
            env.insert(QStringLiteral("TAVLETS_TEST_AREA"), QLatin1String(screen.area));
            child.setProcessEnvironment(env);
            child.setProcessChannelMode(QProcess::MergedChannels);
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=SettingsWindowOnOneScreen.*")});
            ASSERT_TRUE(child.waitForFinished(60000));
            const std::string output = child.readAll().toStdString();
            EXPECT_TRUE(child.exitCode() == 0 && output.find("[  PASSED  ] 1 test") != std::string::npos) << output;
        }
    }
}

TEST(SettingsWindow, AFileWithTensOfThousandsOfProblemsShowsTheFirstAndStaysAnswering) {
    QTemporaryDir dir;
    std::vector<std::string> reported;
    auto source = brokenActions(dir, 20000, false, [&](const std::string& line) { reported.push_back(line); });
    ASSERT_GE(source->state()->problems.size(), 40000u);
    const std::size_t more = source->state()->problems.size() - UserActionsList::kShownProblems;
    EXPECT_EQ(reported.size(), UserActionsList::kShownProblems + 1);
    EXPECT_EQ(reported.back(), source->state()->path + ": \u2026and " + std::to_string(more) + " more");

    SettingsWindow window(kWorking, nullptr, source);
    window.centreOnScreen();
    window.show();
    bool answered = false;
    QTimer::singleShot(0, [&] { answered = true; });
    EXPECT_TRUE(spinUntil([&] { return answered; }, 10000));
    const QStringList lines = labelText(window, "userActionProblems").split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), UserActionsList::kShownProblems + 1);
    EXPECT_EQ(lines.back(), QStringLiteral("\u2026and %1 more").arg(more));
}

TEST(SettingsWindow, OnlyAClosingButtonAndEscapeAndCtrlWCloseIt) {
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; bool closes; } cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, true}, {Qt::Key_W, Qt::ControlModifier, true},
        {Qt::Key_W, Qt::NoModifier, false}, {Qt::Key_Escape, Qt::ShiftModifier, false},
    };
    SettingsWindow window(kWorking);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    for (const auto& c : cases) {
        window.show();
        press(&window, c.key, c.modifiers);
        EXPECT_EQ(window.isVisible(), !c.closes) << c.key;
    }
}

TEST(ShortcutRecorder, TakesACombinationWithAModifierAndRefusesTheRest) {
    SettingsWindow window(kWorking);
    window.show();
    ShortcutRecorder* recorder = window.recorder();
    std::vector<QKeyCombination> chosen;
    QObject::connect(&window, &SettingsWindow::shortcutChosen, [&](QKeyCombination c) { chosen.push_back(c); });
    auto* message = window.findChild<QLabel*>(QStringLiteral("shortcutMessage"));

    // A refusal says why and keeps the old combination; the next good one clears the reason.
    const struct { Qt::Key key; Qt::KeyboardModifiers modifiers; bool taken; } cases[] = {
        {Qt::Key_K, {}, false}, {Qt::Key_K, Qt::MetaModifier, true}, {Qt::Key_Space, {}, false},
        {Qt::Key_Space, Qt::AltModifier | Qt::ShiftModifier, true}, {Qt::Key_F5, {}, false},
        {Qt::Key_K, Qt::ShiftModifier, false},  // Shift alone still types
        {Qt::Key_A, Qt::ControlModifier, true}, {Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QKeyCombination(c.modifiers, c.key).toCombined());
        const std::size_t before = chosen.size();
        recorder->click();
        press(recorder, c.key, c.modifiers);
        EXPECT_FALSE(recorder->isRecording());
        EXPECT_EQ(chosen.size(), before + c.taken);
        EXPECT_EQ(message->isVisible(), !c.taken);
        if (!c.taken) { EXPECT_TRUE(message->text().contains(QStringLiteral("Ctrl, Alt or Meta"))); }
        EXPECT_EQ(recorder->text(), QStringLiteral("Alt+Space"));  // until the app puts the choice in force
    }
    // So does starting another recording, or giving up on it with Escape, which closes nothing else.
    for (bool escape : {false, true}) {
        recorder->click();
        press(recorder, Qt::Key_K);
        ASSERT_TRUE(message->isVisible());
        recorder->click();
        if (escape) press(recorder, Qt::Key_Escape);
        EXPECT_FALSE(message->isVisible()) << escape;
        EXPECT_EQ(recorder->isRecording(), !escape);
        EXPECT_TRUE(window.isVisible());
    }
}

TEST(UserActionsList, CommandsReadAsAShellNeedsThemTyped) {
    const bool haveBash = !QStandardPaths::findExecutable(QStringLiteral("bash")).isEmpty();
    for (const QStringList& c : dataRows("quoting.tsv", 3)) {
        if (c[0] != u"shell") continue;
        const QString arg = QString(c[1]).replace(u'\u2424', u'\n'), shown = UserActionsList::shellQuoted(arg);
        EXPECT_EQ(shown, c[2]) << c[1].toStdString();
        if (!haveBash) continue;
        // Typed into a shell, it is the very argument again.
        QProcess shell;
        shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), QStringLiteral("printf %s ") + shown});
        ASSERT_TRUE(shell.waitForFinished(10000));
        EXPECT_EQ(QString::fromUtf8(shell.readAllStandardOutput()), arg) << c[1].toStdString();
    }
}

TEST(SettingsWindow, AutostartBoxWritesAndRemovesTheEntryAndShowsWhatIsThere) {
    ConfigHome home;
    const QString entry = home.path("autostart/tavlets.desktop");
    SettingsWindow window(kWorking);
    window.show();
    QCheckBox* box = window.autostartBox();
    EXPECT_FALSE(box->isChecked());
    box->click();
    EXPECT_TRUE(box->isChecked());
    const QByteArray written = readAll(entry);
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(written.contains("\nType=Application\n"));
    EXPECT_TRUE(written.contains("\nExec=" + desktopExec(QCoreApplication::applicationFilePath()).toUtf8() + "\n"));
    box->click();
    EXPECT_FALSE(QFile::exists(entry));
    EXPECT_TRUE(setAutostartEnabled(false, QString()));  // already gone is fine
    // Added by hand while the window is closed: shown checked on the next opening.
    window.close();
    ASSERT_TRUE(setAutostartEnabled(true, QStringLiteral("/usr/bin/tavlets")));
    ASSERT_TRUE(setAutostartEnabled(true, QStringLiteral("/usr/bin/tavlets")));
    EXPECT_EQ(readAll(entry).count("[Desktop Entry]"), 1);  // rewritten, not appended
    window.show();
    EXPECT_TRUE(box->isChecked());
    // A click on the words toggles the box too.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window.findChild<QLabel*>(QStringLiteral("autostartLabel")), &release);
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(QFile::exists(entry));
    // Desktops switch an entry off with Hidden=true rather than deleting it.
    window.close();
    ASSERT_TRUE(writeFile(entry, "[Desktop Entry]\nType=Application\nExec=tavlets\nHidden = true\n"));
    window.show();
    EXPECT_FALSE(box->isChecked());
    for (const QStringList& c : dataRows("quoting.tsv", 3)) {
        if (c[0] == u"exec") { EXPECT_EQ(desktopExec(c[1]), c[2]) << c[1].toStdString(); }
    }
}

}  // namespace
}  // namespace tavlets
