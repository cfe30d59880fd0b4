// What the panel shows of control characters and huge results.
#include <gtest/gtest.h>

#include "panel/panel_parts.hpp"
#include "panel/panel_text.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

using Panel = testing::OpenPanel;

TEST(PanelShownText, ControlCharactersShowAsPicturesWhileCopiesKeepTheBytes) {
    const std::string text("first\0second\x01\x7F\tend", 18);
    Panel panel(text);
    EXPECT_EQ(panel.view().previewLabelText(), QStringLiteral(u"first\u2400second\u2401\u2421\tend"));
    panel.run("case.upper");
    EXPECT_EQ(panel.view().resultText()->toPlainText(), QStringLiteral(u"FIRST\u2400SECOND\u2401\u2421\tEND"));
    panel.press(Qt::Key_Return);
    ASSERT_EQ(panel.clipboard->writes.size(), 1u);
    EXPECT_EQ(panel.clipboard->writes[0], std::string("FIRST\0SECOND\x01\x7F\tEND", 18));
}

TEST(PanelShownText, AHugeResultShowsItsStartWithANoteAndCopiesWhole) {
    const std::string huge = [] {
        std::string s;
        while (s.size() < 3 * kShownResultBytes) s += "line of output \xC3\xA9\n";
        return s;
    }();
    Panel panel("make it big", false);
    panel.offer({{"user.1", "Big", "", [&huge](std::string_view) { return Outcome{huge, false, true}; }}});
    panel.run("user.1");
    const QString shown = panel.view().resultText()->toPlainText();
    EXPECT_LE(shown.size(), static_cast<qsizetype>(kShownResultBytes));
    EXPECT_TRUE(shown.startsWith(QStringLiteral(u"line of output \u00E9\n")));
    EXPECT_TRUE(shown.endsWith(partlyShownNote(shownResultPart(huge).size(), huge.size()))) << shown.right(120).toStdString();
    panel.press(Qt::Key_Return);
    ASSERT_EQ(panel.clipboard->writes.size(), 1u);
    EXPECT_TRUE(panel.clipboard->writes[0] == huge);
}

}  // namespace
}  // namespace tavlets
