// The accessible interfaces the panel hands to Qt's accessibility bridge. The end-to-end case
// a11y_panel reads the same through AT-SPI.

#include <QAccessible>
#include <QKeyEvent>
#include <QApplication>

#include <gtest/gtest.h>

#include "look_fakes.hpp"
#include "panel/panel_parts.hpp"
#include "panel/panel_view.hpp"

namespace tavlets {
namespace {

struct OpenPanel {
    explicit OpenPanel(std::string text)
        : clipboard(std::make_shared<testing::MemoryClipboard>(std::move(text))),
          controller(clipboard,
                     std::make_unique<testing::OneScreen>(ScreenArea{QRect(0, 0, 1920, 1080), QRect(0, 0, 1920, 1080)}),
                     nullptr) {
        controller.show();
        testing::settle();
    }
    PanelView& view() { return *controller.view(); }
    QAccessibleInterface* of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }
    void press(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&view(), &event);
        testing::settle();
    }
    std::shared_ptr<testing::MemoryClipboard> clipboard;
    PanelController controller;
};

TEST(PanelAccessibility, PillsArePushButtonsAndTheSelectionFollowsTheArrows) {
    OpenPanel panel(R"({"name": "Ada"})");
    ASSERT_GE(panel.view().pillCount(), 2);
    for (int i = 0; i < panel.view().pillCount(); ++i) {
        QAccessibleInterface* pill = panel.of(panel.view().pill(i));
        ASSERT_NE(pill, nullptr);
        EXPECT_EQ(pill->role(), QAccessible::Button);
        EXPECT_EQ(pill->text(QAccessible::Name), static_cast<PillButton*>(panel.view().pill(i))->title());
        EXPECT_EQ(pill->state().selected, i == 0) << i;
        EXPECT_TRUE(pill->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
    EXPECT_EQ(panel.of(&panel.view())->focusChild(), panel.of(panel.view().pill(0)));
    panel.press(Qt::Key_Right);
    EXPECT_FALSE(panel.of(panel.view().pill(0))->state().selected);
    EXPECT_TRUE(panel.of(panel.view().pill(1))->state().selected);
    EXPECT_EQ(panel.of(&panel.view())->focusChild(), panel.of(panel.view().pill(1)));

    // Pressing through assistive technology runs the action, as a click does.
    panel.of(panel.view().pill(1))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    testing::settle();
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(panel.controller.model().selected(), 1);
}

TEST(PanelAccessibility, PreviewAndResultReadAsText) {
    const struct { const char* clipboard; const char* name; } cases[] = {
        {R"({"name": "Ada"})", "Result"},
        {R"({"name": })", "Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clipboard);
        OpenPanel panel(c.clipboard);
        const auto previews = panel.view().findChildren<PreviewBox*>();
        ASSERT_EQ(previews.size(), 1);
        QAccessibleInterface* preview = panel.of(previews.first());
        EXPECT_EQ(preview->role(), QAccessible::StaticText);
        EXPECT_EQ(preview->text(QAccessible::Name), QString::fromUtf8(c.clipboard));
        panel.press(Qt::Key_Return);
        QAccessibleInterface* result = panel.of(panel.view().resultText());
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(result->text(QAccessible::Name), QString::fromLatin1(c.name));
        ASSERT_NE(result->textInterface(), nullptr);
        EXPECT_EQ(result->textInterface()->text(0, result->textInterface()->characterCount()),
                  panel.view().resultText()->toPlainText());
    }
}

}  // namespace
}  // namespace tavlets
