// The pills' accessible interfaces, without a desktop bus. The end-to-end case a11y_panel reads
// the whole panel through AT-SPI.

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

}  // namespace
}  // namespace tavlets
