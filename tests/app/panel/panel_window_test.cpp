#include <QScrollBar>

#include <gtest/gtest.h>

#include "panel/panel_parts.hpp"
#include "panel/panel_text.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using testing::FakeScreens;
using testing::kChooseFooter;
using testing::settle;

const ScreenArea kLeft{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1050)};
const ScreenArea kRight{QRect(1920, 0, 1280, 1023), QRect(1920, 27, 1280, 995)};
const char* const kJson = R"({"name": "Ada", "tags": ["x", "y"]})";
const QString kErrorFooter = QStringLiteral(u"\u2190 \u2192 pick another action   \u00B7   esc close");
const QString kCopyFooter = QStringLiteral(u"\u21A9 copy result & close   \u00B7   ") + kErrorFooter;

using Panel = testing::OpenPanel;

TEST(PanelPlacement, CentresOnWholePixelsRoundingHalvesAwayFromZero) {
    const struct { QRect area; QSize size; QPoint topLeft; } cases[] = {
        {QRect(0, 0, 1000, 1000), QSize(680, 301), QPoint(160, 350)},
        {QRect(0, 0, 1001, 999), QSize(680, 300), QPoint(161, 350)},
        {QRect(-1001, -1000, 1001, 1000), QSize(680, 301), QPoint(-841, -651)},
    };
    for (const auto& c : cases) EXPECT_EQ(centredTopLeft(c.area, c.size), c.topLeft) << c.area.x();
}

TEST(PanelPlacement, PicksTheScreenUnderThePointerElseThePrimaryElseAFixedArea) {
    const struct { const char* name; std::vector<ScreenArea> all; std::optional<ScreenArea> primary; QPoint pointer;
                   QRect area; } cases[] = {
        {"secondary screen", {kLeft, kRight}, kLeft, QPoint(2000, 500), kRight.available},
        {"primary screen", {kLeft, kRight}, kLeft, QPoint(10, 10), kLeft.available},
        {"on the boundary", {kRight, kLeft}, kLeft, QPoint(1920, 0), kRight.available},
        {"off every screen", {kLeft, kRight}, kRight, QPoint(-5, -5), kRight.available},
        {"no screens at all", {}, std::nullopt, QPoint(0, 0), QRect(0, 0, 1440, 900)},
    };
    for (const auto& c : cases) EXPECT_EQ(panelArea(FakeScreens(c.all, c.primary, c.pointer)), c.area) << c.name;
}

TEST(PanelController, RoutesKeysAndLetsModifiedOnesThrough) {
    const int last = 11;  // twelve actions for JSON
    const struct { const char* name; int key; Qt::KeyboardModifiers modifiers; bool passes; int selected; bool result;
                   bool visible; } cases[] = {
        {"left wraps", Qt::Key_Left, Qt::NoModifier, false, last, false, true},
        {"shift is ignored", Qt::Key_Up, Qt::ShiftModifier, false, last, false, true},
        {"keypad enter runs", Qt::Key_Enter, Qt::KeypadModifier, false, 0, true, true},
        {"escape hides", Qt::Key_Escape, Qt::NoModifier, false, 0, false, false},
        {"ctrl+c copies selected text", Qt::Key_C, Qt::ControlModifier, true, 0, false, true},
        {"alt+left", Qt::Key_Left, Qt::AltModifier, true, 0, false, true},
        {"meta+right", Qt::Key_Right, Qt::MetaModifier, true, 0, false, true},
        {"a letter", Qt::Key_A, Qt::NoModifier, true, 0, false, true},
    };
    Panel panel(kJson);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        panel.show();
        EXPECT_EQ(panel.press(c.key, c.modifiers), c.passes);
        EXPECT_EQ(panel.controller.isVisible(), c.visible);
        EXPECT_EQ(panel.model().outcome().has_value(), c.result);
        if (!c.visible) {
            // Hiding lets go of the text and everything drawn from it.
            EXPECT_EQ(panel.model().text(), "");
            EXPECT_EQ(panel.view().pillCount(), 0);
            continue;
        }
        EXPECT_EQ(panel.model().selected(), c.selected);
        for (int i = 0; i < 12; ++i) EXPECT_EQ(panel.view().pillSelected(i), i == c.selected) << i;
    }
    EXPECT_TRUE(panel.clipboard->writes.empty());
}

// Copying and hiding is checked end to end; losing activation is not.
TEST(PanelController, HidingWhenHiddenDoesNothingTogglingAlternatesAndLosingActivationHides) {
    Panel panel(kJson, false);
    panel.controller.hide();
    EXPECT_EQ(panel.controller.window(), nullptr);
    panel.controller.toggle();
    EXPECT_TRUE(panel.controller.isVisible());
    panel.controller.toggle();
    panel.controller.hide();
    EXPECT_FALSE(panel.controller.isVisible());
    EXPECT_FALSE(panel.controller.keyHandlerInstalled());
    panel.show();
    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(panel.controller.window(), &deactivate);
    EXPECT_FALSE(panel.controller.isVisible());
    EXPECT_FALSE(panel.controller.keyHandlerInstalled());
    EXPECT_TRUE(panel.clipboard->writes.empty());
}

TEST(PanelView, ShowsTheEmptyStateForBlankOrMissingTextAndCountsAllOfAnyOther) {
    for (const auto& text : {std::optional<std::string>(), std::optional<std::string>(" \n\t\r\n")}) {
        Panel panel(text);
        EXPECT_TRUE(panel.view().showsEmptyState());
        EXPECT_EQ(panel.view().pillCount(), 0);
        EXPECT_EQ(panel.view().emptyStateLabelText(),
                  QStringLiteral("The clipboard has no text. Copy something, then press Alt+Space."));
        EXPECT_EQ(panel.view().footerLabelText(), closeOnlyFooterText());
    }
    EXPECT_EQ(Panel("  \n\nfirst\nsecond\nthird  ").view().characterCountLabelText(), QStringLiteral("24 characters"));
}

TEST(PanelView, FooterAndResultColourFollowTheOutcome) {
    const struct { const char* text; const char* action; QString footer; bool red; } cases[] = {
        {R"({"a": 1})", nullptr, kChooseFooter, false},
        {R"({"a": 1})", "json.format", kCopyFooter, false},
        {R"({"a": )", "json.format", kErrorFooter, true},
        {R"({"a": )", "json.error", kCopyFooter, false},  // a report, not a failure
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action ? c.action : "none");
        Panel panel(c.text);
        if (c.action) panel.run(c.action);
        EXPECT_EQ(panel.view().footerLabelText(), c.footer);
        EXPECT_EQ(panel.view().showsResult(), c.action != nullptr);
        if (!c.action) continue;
        EXPECT_EQ(panel.view().resultColor(), c.red ? panel.view().colors().red : panel.view().colors().primary);
        if (c.red) {
            EXPECT_TRUE(panel.view().resultMono());
            panel.press(Qt::Key_Return);  // an error is never copied
            EXPECT_TRUE(panel.clipboard->writes.empty());
            EXPECT_TRUE(panel.controller.isVisible());
        }
        panel.press(Qt::Key_Right);  // moving on drops the result
        EXPECT_FALSE(panel.view().showsResult());
        EXPECT_EQ(panel.view().footerLabelText(), kChooseFooter);
    }
}

TEST(PanelView, ResultAreaIsAsTallAsTheTextWithinLimits) {
    std::string many;
    for (int i = 0; i < 400; ++i) many += "row " + std::to_string(i) + "\n";
    const struct { const char* name; std::string text; bool scrolls; } cases[] = {
        {"one line", "one line of text", false},
        {"a long wrapped line", "lorem ipsum " + std::string(250, 'w'), false},
        {"hundreds of lines", many, true},
        {"a megabyte on one line", std::string(1'000'000, 'm'), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Panel panel(c.text);
        panel.run("case.lower");  // the same text back
        const int area = panel.view().resultAreaHeight();
        EXPECT_GE(area, PanelView::kMinResultHeight);
        EXPECT_EQ(area == PanelView::kMaxResultHeight, c.scrolls);
        EXPECT_EQ(panel.view().resultText()->height(), area);
        EXPECT_EQ(panel.view().resultText()->verticalScrollBar()->maximum() > 0, c.scrolls);
    }
}

TEST(PanelView, FollowsTheDesktopBetweenLightAndDark) {
    Panel panel(R"({"a": 1})");
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    dark.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf5));
    QApplication::setPalette(dark);
    settle();
    EXPECT_TRUE(panel.view().colors().dark);
    EXPECT_EQ(panel.view().colors().primary, QColor(0xf2, 0xf2, 0xf5));
    QApplication::setPalette(original);
    settle();
    EXPECT_FALSE(panel.view().colors().dark);
}

}  // namespace
}  // namespace tavlets
