// The pills' accessible interfaces, without a desktop bus. The end-to-end case a11y_panel reads
// the whole panel through AT-SPI.

#include <QAccessible>

#include <gtest/gtest.h>

#include "panel_fixture.hpp"

namespace tavlets {
namespace {

TEST(PanelAccessibility, PressingAPillThroughAssistiveTechnologyRunsItsAction) {
    testing::OpenPanel panel(R"({"name": "Ada"})");
    QAccessibleInterface* pill = QAccessible::queryAccessibleInterface(panel.view().pill(1));
    ASSERT_NE(pill, nullptr);
    pill->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    testing::settle();
    EXPECT_TRUE(panel.view().showsResult());
    EXPECT_EQ(panel.controller.model().selected(), 1);
}

}  // namespace
}  // namespace tavlets
