// The panel on screens of every size: it stays inside the available area, narrows and scrolls
// instead of running off the edges, and is centred whenever it fits.

#include <QLabel>

#include <gtest/gtest.h>

#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using testing::FakeScreens;
using testing::OpenPanel;
using testing::settle;

// A widget's rectangle in the view's coordinates.
QRect inView(const QWidget* widget, const PanelView& view) {
    return QRect(widget->mapTo(&view, QPoint(0, 0)), widget->size());
}

const QLabel* footerOf(const PanelView& view) {
    for (const QLabel* label : view.findChildren<QLabel*>()) {
        if (label->text() == view.footerLabelText() && label->isVisibleTo(&view)) return label;
    }
    return nullptr;
}

TEST(PanelFit, KeptInsideMovesTheLeastDistance) {
    const QRect area(100, 50, 800, 600);
    const struct { QRect frame; QPoint topLeft; } cases[] = {
        {QRect(200, 100, 300, 200), QPoint(200, 100)},  // inside: unchanged
        {QRect(200, 500, 300, 200), QPoint(200, 450)},  // past the bottom: up
        {QRect(-40, 10, 300, 200), QPoint(100, 50)},    // past the left and top
        {QRect(700, 100, 300, 200), QPoint(600, 100)},  // past the right
        {QRect(300, 300, 300, 900), QPoint(300, 50)},   // taller than the area: top to the top
    };
    for (const auto& c : cases) EXPECT_EQ(keptInside(area, c.frame).topLeft(), c.topLeft) << c.frame.x();
    EXPECT_EQ(panelLimits(area), QSize(800 - 2 * kScreenMargin, 600));
}

TEST(PanelFit, StaysInsideTheScreenWithItsFooterInViewAtEveryStep) {
    const struct { const char* name; ScreenArea screen; int width; } cases[] = {
        {"large screen", {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)}, 680},
        {"800x600 with a panel bar", {QRect(0, 0, 800, 600), QRect(0, 0, 800, 570)}, 680},
        {"800x600 at scale 2", {QRect(0, 0, 400, 300), QRect(0, 0, 400, 300)}, 400 - 2 * kScreenMargin},
        {"second screen at scale 2", {QRect(1920, 0, 400, 300), QRect(1920, 20, 400, 280)},
         400 - 2 * kScreenMargin},
    };
    std::string json = R"({"users": [)";
    for (int i = 0; i < 40; ++i) json += R"({"id": )" + std::to_string(i) + R"(, "name": "User"},)";
    json += R"({"id": -1}]})";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        OpenPanel panel(json, true, std::make_unique<FakeScreens>(c.screen));
        PanelController& controller = panel.controller;
        PanelView& view = panel.view();
        const QRect area = c.screen.available;
        auto checkInside = [&](const char* step) {
            SCOPED_TRACE(step);
            const QRect frame = controller.window()->geometry();
            EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                              << frame.height();
            EXPECT_EQ(frame.width(), c.width);
            EXPECT_EQ(view.size(), frame.size());
            const QLabel* footer = footerOf(view);
            ASSERT_NE(footer, nullptr);
            EXPECT_LE(inView(footer, view).bottom() + 1, view.height() - PanelView::kPadding);
            const QWidget* pill = view.pill(controller.model().selected());
            ASSERT_NE(pill, nullptr);
            const QRect viewport = inView(pill->parentWidget()->parentWidget(), view);
            EXPECT_TRUE(viewport.contains(inView(pill, view))) << "selected pill out of view";
        };
        checkInside("opened");
        const QRect opened = controller.window()->geometry();
        if (c.width == 680 && opened.height() < area.height()) {
            EXPECT_EQ(opened.topLeft(), centredTopLeft(area, opened.size()));
        }
        panel.press(Qt::Key_Return);  // a long formatted result
        ASSERT_TRUE(view.showsResult());
        checkInside("with a result");
        EXPECT_GE(view.resultAreaHeight(), PanelView::kMinResultHeight);
        for (int i = 0; i < 11; ++i) panel.press(Qt::Key_Right);  // to the last pill
        checkInside("on the last action");
        panel.press(Qt::Key_Right);  // back to the first
        EXPECT_EQ(controller.window()->geometry(), opened);
    }
}

TEST(PanelFit, AMoveByTheWindowManagerIsUndoneButNotFoughtForever) {
    OpenPanel panel("some text", true,
                    std::make_unique<FakeScreens>(ScreenArea{QRect(0, 0, 1280, 800), QRect(0, 0, 1280, 800)}));
    PanelController& controller = panel.controller;
    const QRect placed = controller.window()->geometry();
    for (int round = 0; round < 3; ++round) {
        controller.window()->move(0, 0);  // as a window manager placing it in a corner
        settle();
        EXPECT_EQ(controller.window()->geometry(), placed) << round;
    }
    controller.window()->move(0, 0);  // and once more: it keeps it there
    settle();
    EXPECT_EQ(controller.window()->pos(), QPoint(0, 0));
    controller.hide();
    controller.show();  // a new show places it afresh
    settle();
    EXPECT_EQ(controller.window()->geometry(), placed);
}

}  // namespace
}  // namespace tavlets
