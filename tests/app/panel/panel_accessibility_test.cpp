// The pills' accessible interfaces, without a desktop bus. The end-to-end case a11y_panel reads
// the whole panel through AT-SPI.

#include <QAccessible>

#include <gtest/gtest.h>

#include "panel/panel_parts.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

QAccessibleInterface* of(QObject* object) { return QAccessible::queryAccessibleInterface(object); }

TEST(PanelAccessibility, PillsArePushButtonsAndTheSelectionFollowsTheArrows) {
    testing::OpenPanel panel(R"({"name": "Ada"})");
    ASSERT_GE(panel.view().pillCount(), 2);
    for (int i = 0; i < panel.view().pillCount(); ++i) {
        QAccessibleInterface* pill = of(panel.view().pill(i));
        ASSERT_NE(pill, nullptr);
        EXPECT_EQ(pill->role(), QAccessible::Button);
        EXPECT_EQ(pill->text(QAccessible::Name), static_cast<PillButton*>(panel.view().pill(i))->title());
        EXPECT_EQ(pill->state().selected, i == 0) << i;
        EXPECT_TRUE(pill->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
    }
    EXPECT_EQ(of(&panel.view())->focusChild(), of(panel.view().pill(0)));
    panel.press(Qt::Key_Right);
    EXPECT_FALSE(of(panel.view().pill(0))->state().selected);
    EXPECT_TRUE(of(panel.view().pill(1))->state().selected);
    EXPECT_EQ(of(&panel.view())->focusChild(), of(panel.view().pill(1)));

    // Pressing through assistive technology runs the action, as a click does.
    of(panel.view().pill(1))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    testing::settle();
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(panel.controller.model().selected(), 1);
}

}  // namespace
}  // namespace tavlets
