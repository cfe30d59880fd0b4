#include "panel/panel_view.hpp"

#include <QApplication>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <gtest/gtest.h>

#include <algorithm>

#include "panel/floating_panel.hpp"
#include "panel/panel_controller.hpp"
#include "panel/panel_parts.hpp"
#include "panel_fakes.hpp"

namespace tavlets {
namespace {

using testing::FakeClipboard;
using testing::settle;

struct Shown {
    explicit Shown(std::optional<std::string> text)
        : clipboard(std::make_shared<FakeClipboard>(std::move(text))), controller(clipboard) {
        controller.show();
        settle();
    }
    PanelModel& model() { return controller.model(); }
    PanelView& view() { return *controller.view(); }
    void run(int index) {
        model().choose(index);
        settle();
    }

    std::shared_ptr<FakeClipboard> clipboard;
    PanelController controller;
};

const QString kChooseFooter = QStringLiteral(u"\u2190 \u2192 choose an action   \u00B7   \u21A9 run   \u00B7   esc close");

TEST(PanelView, ShowsTheEmptyStateForBlankOrMissingText) {
    for (const std::optional<std::string>& text :
         {std::optional<std::string>(), std::optional<std::string>("  \n\t \r\n")}) {
        Shown panel(text);
        EXPECT_TRUE(panel.view().showsEmptyState());
        EXPECT_FALSE(panel.view().showsResult());
        EXPECT_EQ(panel.view().pillCount(), 0);
        EXPECT_EQ(panel.view().emptyStateLabelText(),
                  QStringLiteral("The clipboard has no text. Copy something, then press Alt+Space."));
        EXPECT_EQ(panel.view().footerLabelText(), kChooseFooter);
        // Return does nothing: no result, no copy, still open.
        panel.model().confirm();
        settle();
        EXPECT_FALSE(panel.view().showsResult());
        EXPECT_TRUE(panel.controller.isVisible());
        EXPECT_TRUE(panel.clipboard->writes.empty());
        EXPECT_EQ(panel.view().sizeHint().width(), 680);
    }
}

TEST(PanelView, HeaderAndPreviewDescribeTheClipboard) {
    Shown panel("  \n\nfirst\nsecond\nthird  ");
    EXPECT_FALSE(panel.view().showsEmptyState());
    EXPECT_EQ(panel.view().headerLabelText(), QString::fromStdString(panel.model().analysis().label()));
    EXPECT_EQ(panel.view().characterCountLabelText(), QStringLiteral("24 characters"));
    EXPECT_EQ(panel.view().previewLabelText(), QStringLiteral("first\nsecond"));
}

TEST(PanelView, FooterFollowsTheResult) {
    Shown panel(R"({"a": 1})");
    EXPECT_EQ(panel.view().footerLabelText(), kChooseFooter);
    panel.run(0);  // Format as JSON
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(panel.view().footerLabelText(),
              QStringLiteral(u"\u21A9 copy result & close   \u00B7   \u2190 \u2192 pick another action   \u00B7   esc close"));
    panel.model().move(+1);
    settle();
    EXPECT_FALSE(panel.view().showsResult());
    EXPECT_EQ(panel.view().footerLabelText(), kChooseFooter);
}

TEST(PanelView, ErrorResultsAreRedMonospacedAndNeverCopied) {
    Shown panel(R"({"a": )");
    ASSERT_EQ(panel.model().actions().at(0).id, "json.format");
    panel.model().confirm();
    settle();
    ASSERT_TRUE(panel.model().outcome() && panel.model().outcome()->isError);
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(panel.view().resultColor(), panel.view().colors().red);
    EXPECT_TRUE(panel.view().resultMono());
    EXPECT_EQ(panel.view().footerLabelText(),
              QStringLiteral(u"\u2190 \u2192 pick another action   \u00B7   esc close"));
    panel.model().confirm();
    settle();
    EXPECT_TRUE(panel.clipboard->writes.empty());
    EXPECT_TRUE(panel.controller.isVisible());

    // A report that is not an error reads in the ordinary colour.
    panel.run(2);  // Find syntax error
    EXPECT_EQ(panel.view().resultColor(), panel.view().colors().primary);
}

TEST(PanelView, OnlyTheSelectedPillIsHighlighted) {
    Shown panel(R"({"a": 1})");
    const int count = panel.view().pillCount();
    ASSERT_EQ(count, 12);
    for (int step = 0; step < count + 2; ++step) {
        for (int i = 0; i < count; ++i) {
            EXPECT_EQ(panel.view().pillSelected(i), i == panel.model().selected()) << step << " " << i;
        }
        panel.model().move(+1);
        settle();
    }
}

TEST(PanelView, ClickingAPillRunsItAtOnce) {
    Shown panel(R"({"a": 1})");
    QWidget* pill = panel.view().pill(1);
    ASSERT_NE(pill, nullptr);
    const QPointF centre = QRectF(pill->rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, pill->mapToGlobal(centre), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, pill->mapToGlobal(centre),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(pill, &press);
    QApplication::sendEvent(pill, &release);
    settle();
    EXPECT_EQ(panel.model().selected(), 1);
    ASSERT_TRUE(panel.model().outcome());
    EXPECT_EQ(panel.model().outcome()->text, R"({"a":1})");
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_TRUE(panel.view().pillSelected(1));
}

TEST(PanelView, PillsWrapAtTheContentWidth) {
    Shown panel(R"({"a": 1})");
    const int count = panel.view().pillCount();
    int lines = 1;
    for (int i = 0; i < count; ++i) {
        const QRect pill = panel.view().pill(i)->geometry();
        EXPECT_LE(pill.right() + 1, PanelView::kContentWidth) << i;
        EXPECT_EQ(pill.size(), panel.view().pill(i)->sizeHint()) << i;
        if (i == 0) continue;
        const QRect previous = panel.view().pill(i - 1)->geometry();
        if (pill.top() == previous.top()) {
            EXPECT_EQ(pill.left(), previous.right() + 1 + 8) << i;
        } else {
            ++lines;
            EXPECT_EQ(pill.left(), 0) << i;
            EXPECT_EQ(pill.top(), previous.bottom() + 1 + 8) << i;
            // It really did not fit after its predecessor.
            EXPECT_GT(previous.right() + 1 + 8 + pill.width(), PanelView::kContentWidth) << i;
        }
    }
    EXPECT_GE(lines, 2);
}

TEST(PanelView, ResultAreaIsAsTallAsTheTextWithinLimits) {
    std::string many;
    for (int i = 0; i < 400; ++i) many += "row " + std::to_string(i) + "\n";
    const std::string wrapped(250, 'w');  // one line that wraps
    const struct {
        const char* name;
        std::string text;
        bool scrolls;
    } cases[] = {
        {"one line", "one line of text", false},
        {"a few lines", "a\nb\nc\nd\ne", false},
        {"a long wrapped line", "lorem ipsum " + wrapped, false},
        {"hundreds of lines", many, true},
        {"a megabyte on one line", std::string(1'000'000, 'm'), true},
    };
    for (const auto& c : cases) {
        Shown panel(c.text);
        const auto& actions = panel.model().actions();
        const auto lower = std::find_if(actions.begin(), actions.end(),
                                        [](const Tavlet& t) { return t.id == "case.lower"; });
        ASSERT_NE(lower, actions.end()) << c.name;
        panel.run(static_cast<int>(lower - actions.begin()));  // the same text back
        const int area = panel.view().resultAreaHeight();
        EXPECT_GE(area, PanelView::kMinResultHeight) << c.name;
        EXPECT_LE(area, PanelView::kMaxResultHeight) << c.name;
        EXPECT_EQ(area == PanelView::kMaxResultHeight, c.scrolls) << c.name;
        QPlainTextEdit* editor = panel.view().resultText();
        EXPECT_EQ(editor->toPlainText().size() >= static_cast<qsizetype>(c.text.size()), true);
        EXPECT_EQ(editor->height(), area) << c.name;
        EXPECT_EQ(editor->verticalScrollBar()->maximum() > 0, c.scrolls) << c.name;
    }
}

TEST(PanelView, FollowsTheDesktopBetweenLightAndDark) {
    Shown panel(R"({"a": 1})");
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2e));
    dark.setColor(QPalette::WindowText, QColor(0xf2, 0xf2, 0xf5));
    dark.setColor(QPalette::Highlight, QColor(0x0a, 0x84, 0xff));
    QApplication::setPalette(dark);
    settle();
    EXPECT_TRUE(panel.view().colors().dark);
    EXPECT_EQ(panel.view().colors().primary, QColor(0xf2, 0xf2, 0xf5));
    EXPECT_EQ(panel.view().colors().accent, QColor(0x0a, 0x84, 0xff));
    QApplication::setPalette(original);
    settle();
    EXPECT_FALSE(panel.view().colors().dark);
    EXPECT_EQ(panel.view().colors().primary, original.color(QPalette::WindowText));
}

}  // namespace
}  // namespace tavlets
