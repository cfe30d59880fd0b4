#include "panel/panel_controller.hpp"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "panel/floating_panel.hpp"
#include "panel/panel_parts.hpp"
#include "panel/panel_view.hpp"
#include "panel_fakes.hpp"

namespace tavlets {
namespace {

using testing::FakeClipboard;
using testing::FakeScreens;
using testing::KeyProbe;
using testing::settle;

const char* const kJson = R"({"name": "Ada", "tags": ["x", "y"]})";

FakeScreens oneScreen() {
    FakeScreens screens;
    const ScreenArea screen{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1040)};
    screens.all = {screen};
    screens.main = screen;
    screens.at = QPoint(100, 100);
    return screens;
}

struct Panel {
    explicit Panel(std::optional<std::string> text, FakeScreens screens = oneScreen())
        : clipboard(std::make_shared<FakeClipboard>(std::move(text))),
          controller(clipboard, std::make_unique<FakeScreens>(std::move(screens)), nullptr) {}

    PanelModel& model() { return controller.model(); }
    PanelView& view() { return *controller.view(); }
    QRect frame() { return controller.window()->geometry(); }

    void show() {
        controller.show();
        settle();
    }

    // Sends a key press to the focused part of the panel; true when it got through.
    bool press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = controller.view();
        KeyProbe probe;
        target->installEventFilter(&probe);
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(target, &event);
        target->removeEventFilter(&probe);
        settle();
        return probe.received > 0;
    }

    std::shared_ptr<FakeClipboard> clipboard;
    PanelController controller;
};

TEST(PanelPlacement, CentresOnWholePixelsRoundingHalvesAwayFromZero) {
    const struct {
        QRect area;
        QSize size;
        QPoint topLeft;
    } cases[] = {
        {QRect(0, 0, 1000, 1000), QSize(680, 301), QPoint(160, 350)},
        {QRect(0, 0, 1000, 1000), QSize(680, 300), QPoint(160, 350)},
        {QRect(0, 0, 1001, 999), QSize(680, 300), QPoint(161, 350)},
        {QRect(-1001, -1000, 1001, 1000), QSize(680, 301), QPoint(-841, -651)},
        {QRect(1920, 30, 1280, 994), QSize(680, 251), QPoint(2220, 402)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(centredTopLeft(c.area, c.size), c.topLeft) << c.area.y() << " " << c.size.height();
    }
}

TEST(PanelPlacement, PicksTheScreenUnderThePointerElseThePrimaryElseAFixedArea) {
    const ScreenArea left{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)};
    const ScreenArea right{QRect(1920, 0, 1280, 1024), QRect(1920, 30, 1280, 994)};
    const struct {
        const char* name;
        std::vector<ScreenArea> all;
        std::optional<ScreenArea> primary;
        QPoint pointer;
        QRect area;
    } cases[] = {
        {"pointer on the secondary screen", {left, right}, left, QPoint(2000, 500), right.available},
        {"pointer on the primary screen", {left, right}, left, QPoint(10, 10), left.available},
        {"first screen containing the pointer wins", {right, left}, left, QPoint(1920, 0),
         right.available},
        {"pointer off every screen", {left, right}, right, QPoint(-5, -5), right.available},
        {"no screens at all", {}, std::nullopt, QPoint(0, 0), QRect(0, 0, 1440, 900)},
    };
    for (const auto& c : cases) {
        FakeScreens screens;
        screens.all = c.all;
        screens.main = c.primary;
        screens.at = c.pointer;
        EXPECT_EQ(panelArea(screens), c.area) << c.name;
    }
}

TEST(PanelController, OpensCentredOnTheSecondaryScreenUnderThePointer) {
    FakeScreens screens;
    const ScreenArea left{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)};
    const ScreenArea right{QRect(1920, 0, 1280, 1023), QRect(1920, 27, 1280, 995)};
    screens.all = {left, right};
    screens.main = left;
    screens.at = QPoint(2500, 300);
    Panel panel(kJson, screens);
    panel.show();
    const QRect frame = panel.frame();
    EXPECT_EQ(frame.width(), 680);
    EXPECT_EQ(frame.left(), 2220);
    EXPECT_EQ(frame.top(), static_cast<int>(std::round(27 + 995 / 2.0 - frame.height() / 2.0)));
    EXPECT_TRUE(panel.controller.isVisible());
}

TEST(PanelController, KeepsTheTopEdgeWhileTheResultGrowsAndShrinks) {
    std::string lines;
    for (int i = 0; i < 60; ++i) lines += "line " + std::to_string(i) + "\n";
    Panel panel(lines);
    panel.show();
    const QRect before = panel.frame();

    const auto& actions = panel.model().actions();
    const auto lower = std::find_if(actions.begin(), actions.end(),
                                    [](const Tavlet& t) { return t.id == "case.lower"; });
    ASSERT_NE(lower, actions.end());
    panel.model().choose(static_cast<int>(lower - actions.begin()));
    settle();
    const QRect grown = panel.frame();
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(grown.top(), before.top());
    EXPECT_EQ(grown.left(), before.left());
    EXPECT_GT(grown.height(), before.height() + 280);

    panel.press(Qt::Key_Right);
    EXPECT_EQ(panel.frame(), before);
}

TEST(PanelController, RoutesKeysAndLetsModifiedOnesThrough) {
    const int last = 11;  // twelve actions for JSON
    const struct {
        const char* name;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool passes;
        int selected;
        bool result;
        bool visible;
    } cases[] = {
        {"right", Qt::Key_Right, Qt::NoModifier, false, 1, false, true},
        {"down", Qt::Key_Down, Qt::NoModifier, false, 1, false, true},
        {"left wraps", Qt::Key_Left, Qt::NoModifier, false, last, false, true},
        {"up wraps", Qt::Key_Up, Qt::NoModifier, false, last, false, true},
        {"shift is ignored", Qt::Key_Left, Qt::ShiftModifier, false, last, false, true},
        {"keypad arrow", Qt::Key_Right, Qt::KeypadModifier, false, 1, false, true},
        {"return runs", Qt::Key_Return, Qt::NoModifier, false, 0, true, true},
        {"keypad enter runs", Qt::Key_Enter, Qt::KeypadModifier, false, 0, true, true},
        {"escape hides", Qt::Key_Escape, Qt::NoModifier, false, 0, false, false},
        {"ctrl+c copies selected text", Qt::Key_C, Qt::ControlModifier, true, 0, false, true},
        {"alt+left", Qt::Key_Left, Qt::AltModifier, true, 0, false, true},
        {"ctrl+return", Qt::Key_Return, Qt::ControlModifier, true, 0, false, true},
        {"meta+right", Qt::Key_Right, Qt::MetaModifier, true, 0, false, true},
        {"shift+ctrl+down", Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier, true, 0, false,
         true},
        {"a letter", Qt::Key_A, Qt::NoModifier, true, 0, false, true},
        {"tab", Qt::Key_Tab, Qt::NoModifier, true, 0, false, true},
    };
    Panel panel(kJson);
    for (const auto& c : cases) {
        panel.show();
        ASSERT_EQ(panel.model().actions().size(), 12u);
        EXPECT_EQ(panel.press(c.key, c.modifiers), c.passes) << c.name;
        EXPECT_EQ(panel.model().selected(), c.selected) << c.name;
        EXPECT_EQ(panel.model().outcome().has_value(), c.result) << c.name;
        EXPECT_EQ(panel.controller.isVisible(), c.visible) << c.name;
    }
    EXPECT_TRUE(panel.clipboard->writes.empty());
}

TEST(PanelController, ShowingTwiceInstallsOneKeyHandler) {
    Panel panel(kJson);
    panel.show();
    panel.press(Qt::Key_Right);
    panel.show();  // reloads: the selection is back on the first action
    EXPECT_EQ(panel.model().selected(), 0);
    EXPECT_TRUE(panel.controller.keyHandlerInstalled());
    panel.press(Qt::Key_Right);
    EXPECT_EQ(panel.model().selected(), 1);
}

TEST(PanelController, HidingWhenHiddenDoesNothingAndKeysElsewhereAreLeftAlone) {
    Panel panel(kJson);
    panel.controller.hide();
    EXPECT_EQ(panel.controller.window(), nullptr);
    EXPECT_FALSE(panel.controller.isVisible());

    panel.controller.toggle();
    EXPECT_TRUE(panel.controller.isVisible());
    panel.controller.toggle();
    EXPECT_FALSE(panel.controller.isVisible());
    EXPECT_FALSE(panel.controller.keyHandlerInstalled());
    panel.controller.hide();
    EXPECT_FALSE(panel.controller.isVisible());

    // Another window of the application gets its arrow keys once the panel is gone.
    QWidget other;
    KeyProbe probe;
    other.installEventFilter(&probe);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
    QApplication::sendEvent(&other, &right);
    EXPECT_EQ(probe.received, 1);
    EXPECT_EQ(panel.model().selected(), 0);
}

TEST(PanelController, EscapeLosingActivationAndCopyingAllHide) {
    const struct {
        const char* name;
        std::function<void(Panel&)> act;
        std::size_t writes;
    } cases[] = {
        {"escape", [](Panel& p) { p.press(Qt::Key_Escape); }, 0},
        {"losing activation",
         [](Panel& p) {
             QEvent deactivate(QEvent::WindowDeactivate);
             QApplication::sendEvent(p.controller.window(), &deactivate);
         },
         0},
        {"copying a result",
         [](Panel& p) {
             p.press(Qt::Key_Return);
             p.press(Qt::Key_Return);
         },
         1},
    };
    for (const auto& c : cases) {
        Panel panel(kJson);
        panel.show();
        c.act(panel);
        EXPECT_FALSE(panel.controller.isVisible()) << c.name;
        EXPECT_FALSE(panel.controller.keyHandlerInstalled()) << c.name;
        EXPECT_EQ(panel.clipboard->writes.size(), c.writes) << c.name;
        // It comes back on the next show.
        panel.show();
        EXPECT_TRUE(panel.controller.isVisible()) << c.name;
    }
}

TEST(PanelController, CopiesTheResultTextExactly) {
    Panel panel(kJson);
    panel.show();
    panel.press(Qt::Key_Right);  // Minify
    panel.press(Qt::Key_Return);
    ASSERT_TRUE(panel.model().outcome());
    const std::string shown = panel.view().resultText()->toPlainText().toStdString();
    panel.press(Qt::Key_Return);
    ASSERT_EQ(panel.clipboard->writes.size(), 1u);
    EXPECT_EQ(panel.clipboard->writes[0], R"({"name":"Ada","tags":["x","y"]})");
    EXPECT_EQ(shown, panel.clipboard->writes[0]);
}

}  // namespace
}  // namespace tavlets
