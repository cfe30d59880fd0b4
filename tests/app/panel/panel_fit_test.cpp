// The panel on screens of every size: it stays inside the available area, narrows and scrolls
// instead of running off the edges, and is centred whenever it fits.

#include <QLabel>
#include <QTextLayout>

#include <algorithm>

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
        QString text = label->text();
        if (text.replace(QChar::Nbsp, u' ') == view.footerLabelText() && label->isVisibleTo(&view)) return label;
    }
    return nullptr;
}

TEST(PanelFit, GrowsAroundItsMiddleKeepingTheMarginsWhereTheScreenAllows) {
    const QRect area(100, 50, 800, 600);  // the middle is at y = 350
    const int m = kScreenMargin;
    const struct { const char* name; int left; double middle; QSize size; QPoint topLeft; } cases[] = {
        {"centred", 200, 350, QSize(300, 200), QPoint(200, 250)},
        {"odd height: halves away from zero", 200, 350, QSize(300, 201), QPoint(200, 250)},
        {"just fits within the margins", 200, 350, QSize(300, 600 - 2 * m), QPoint(200, 50 + m)},
        {"too tall for the margins: centred", 200, 350, QSize(300, 580), QPoint(200, 60)},
        {"taller than the screen: at its top", 200, 350, QSize(300, 700), QPoint(200, 50)},
        {"middle low: up to the bottom margin", 200, 600, QSize(300, 200), QPoint(200, 650 - m - 200)},
        {"left edge past the right margin", 700, 350, QSize(300, 200), QPoint(900 - m - 300, 250)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(placedAround(area, c.left, c.middle, c.size), QRect(c.topLeft, c.size)) << c.name;
    }
    EXPECT_EQ(panelLimits(area), QSize(800 - 2 * m, 600 - 2 * m));
}

TEST(PanelFit, StaysInsideTheScreenWithItsFooterInViewAtEveryStep) {
    const struct { const char* name; ScreenArea screen; int width; } cases[] = {
        {"large screen", {QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)}, 680},
        {"800x600 with a panel bar", {QRect(0, 0, 800, 600), QRect(0, 0, 800, 570)}, 680},
        {"800x600 at scale 2", {QRect(0, 0, 400, 300), QRect(0, 0, 400, 300)}, 400 - 2 * kScreenMargin},
        {"secondary screen", {QRect(1920, 0, 1280, 1023), QRect(1920, 27, 1280, 995)}, 680},
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
            EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
            EXPECT_EQ(frame.width(), c.width);
            EXPECT_EQ(view.size(), frame.size());
            // A size the window manager may not change is what keeps tiling ones from tiling it.
            EXPECT_EQ(controller.window()->minimumSize(), frame.size());
            EXPECT_EQ(controller.window()->maximumSize(), frame.size());
            // The margins stay free where the screen has room for them, else it is centred.
            const int above = frame.top() - area.top(), below = area.bottom() - frame.bottom();
            if (area.height() - frame.height() >= 2 * kScreenMargin) {
                EXPECT_GE(std::min(above, below), kScreenMargin) << above << " " << below;
            } else {
                EXPECT_LE(std::abs(above - below), 1) << above << " " << below;
            }
            const QLabel* footer = footerOf(view);
            ASSERT_NE(footer, nullptr);
            EXPECT_LE(inView(footer, view).bottom() + 1, view.height() - PanelView::kPadding);
            // The footer wraps between hints only.
            QTextLayout lines(footer->text(), footer->font());
            lines.beginLayout();
            QStringList texts;
            for (QTextLine line = lines.createLine(); line.isValid(); line = lines.createLine()) {
                line.setLineWidth(footer->width());
                texts << lines.text().mid(line.textStart(), line.textLength());
            }
            lines.endLayout();
            for (const QString& hint : footer->text().split(QStringLiteral(u"   \u00B7   "))) {
                EXPECT_TRUE(std::any_of(texts.begin(), texts.end(), [&](const QString& t) { return t.contains(hint); }))
                    << hint.toStdString() << " is split: " << texts.join(u'|').toStdString();
            }
            const QWidget* pill = view.pill(controller.model().selected());
            ASSERT_NE(pill, nullptr);
            const QWidget* pills = pill->parentWidget();
            const QRect viewport = inView(pills->parentWidget(), view);
            EXPECT_TRUE(viewport.contains(inView(pill, view))) << "selected pill out of view";
            // Rows show whole or not at all, and the result gives up its room before the pills.
            for (int i = 0; i < view.pillCount(); ++i) {
                const QRect r = inView(view.pill(i), view);
                EXPECT_TRUE(viewport.contains(r) || !viewport.intersects(r)) << "pill " << i << " cut";
            }
            if (view.showsResult() && pills->height() > viewport.height()) {
                EXPECT_LT(view.resultAreaHeight(), PanelView::kMinResultHeight + pill->height() + 8);
            }
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
