// Fixed-width text stays fixed-width whatever font the desktop names for it.

#include <QFontInfo>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

#include "panel/panel_parts.hpp"
#include "test_cases.hpp"
#include "panel_fixture.hpp"

namespace tavlets {
namespace {

TEST(PanelFonts, AProportionalFixedFontFallsBackToAMonospacedFamily) {
    for (const char* family : {"DejaVu Sans", "DejaVu Serif", "Sans Serif", "DejaVu Sans Mono"}) {
        SCOPED_TRACE(family);
        QFont preferred(QString::fromLatin1(family));
        preferred.setPointSizeF(9.375);
        const QFont font = fixedPitchFont(preferred);
        EXPECT_TRUE(QFontInfo(font).fixedPitch()) << QFontInfo(font).family().toStdString();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.375);
        if (QFontInfo(preferred).fixedPitch()) {
            EXPECT_EQ(font, preferred);
        }
    }
    EXPECT_TRUE(QFontInfo(monospacedFontAt(12)).fixedPitch());
}

// The x of a character in a laid-out block of the result.
qreal xOf(const QTextBlock& block, int index) {
    return block.layout()->lineForTextPosition(index).cursorToX(index);
}

TEST(PanelFonts, TheSyntaxErrorCaretSitsUnderItsColumn) {
    for (const auto& c : readCases("app/broken_json.tsv")) {
        const std::string& text = c.at(0);
        SCOPED_TRACE(text);
        testing::OpenPanel panel(text);
        panel.run("json.error");
        QTextDocument* document = panel.view().resultText()->document();
        document->documentLayout()->documentSize();  // lays every block out
        const QTextBlock caretLine = document->lastBlock();
        const int caret = static_cast<int>(caretLine.text().indexOf(QLatin1Char('^')));
        ASSERT_GE(caret, 0) << caretLine.text().toStdString();
        const QTextBlock above = caretLine.previous();
        ASSERT_GT(above.text().size(), caret);
        EXPECT_NEAR(xOf(caretLine, caret), xOf(above, caret), 0.5) << above.text().toStdString();
    }
}

}  // namespace
}  // namespace tavlets
