#include "panel/panel_parts.hpp"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <tavlets/actions.hpp>

#include "panel/panel_text.hpp"
#include "panel/symbols.hpp"
#include "test_cases.hpp"

namespace tavlets {
namespace {

template <typename S>
S repeated(const S& piece, int times) {
    S out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(PanelPreview, KeepsTheFirstTwoLinesOfTheTrimmedTextUpTo240Characters) {
    for (const auto& c : readCases("app/preview_text.tsv")) EXPECT_EQ(previewText(c.at(1)), c.at(2)) << c[0];
}

TEST(PreviewBox, ShowsAtMostTwoLinesEndingInAnEllipsisWhenCut) {
    const struct { QString text; int lines; bool cut; } cases[] = {
        {QStringLiteral("hello"), 1, false},
        {QString(240, QLatin1Char('x')), 2, true},
        {QString(150, QLatin1Char('y')) + "\nnext", 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        PreviewBox box;
        box.setText(c.text);
        const QStringList lines = box.visibleLines(648);
        EXPECT_EQ(lines.size(), c.lines);
        EXPECT_EQ(lines.last().endsWith(QChar(0x2026)), c.cut);
        for (const QString& line : lines) {
            EXPECT_LE(QFontMetricsF(box.font()).horizontalAdvance(line), 648 - 2 * PreviewBox::kPadding);
        }
    }
}

TEST(ResultEditor, ShowsLongLinesInPiecesButCopiesTheResultItself) {
    const struct { const char* name; QString text; int minBlocks; } cases[] = {
        {"short lines stay as they are", QStringLiteral("a\nb\n\nc"), 4},
        {"one long line without spaces", QString(10000, QLatin1Char('x')), 3},
        {"long line of words", repeated(QStringLiteral("word, "), 3000), 5},
        {"long line between short ones", "top\n" + QString(9000, QLatin1Char('y')) + "\n\nbottom", 6},
        {"emoji are never cut in half", repeated(QString::fromUtf8("\xF0\x9F\x98\x80"), 5000), 3},
        {"accents stay on their letters", repeated(QString::fromUtf8("e\xCC\x81"), 5000), 3},
        {"a large result's short lines", repeated(QStringLiteral("  \"k\": 1,\n"), 5000), 10},
        {"line separators of its own", repeated(QStringLiteral("a\u2028b\n"), 10000), 10000},
        {"carriage returns", repeated(QStringLiteral("row\r"), 5000), 5000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResultEditor editor;
        editor.setResultText(c.text);
        EXPECT_GE(editor.document()->blockCount(), c.minBlocks);
        for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
            EXPECT_LE(block.length() - 1, 2 * ResultEditor::kChunk);
            EXPECT_FALSE(block.length() > 1 && (block.text()[0].isLowSurrogate() || block.text()[0].isMark()));
        }
        editor.selectAll();
        QString expected = c.text;
        expected.replace(QLatin1Char('\r'), QLatin1Char('\n'));  // as any text view copies it
        EXPECT_EQ(editor.selectedResultText(), expected);
    }
}

TEST(ResultEditor, CopiesAPartialSelectionAcrossAPieceBoundary) {
    const QString text = QString(5000, QLatin1Char('a')) + QString(5000, QLatin1Char('b'));
    ResultEditor editor;
    editor.setResultText(text);
    QTextCursor cursor(editor.document());
    cursor.setPosition(4000);
    cursor.setPosition(6001, QTextCursor::KeepAnchor);  // one display break lies in between
    editor.setTextCursor(cursor);
    EXPECT_EQ(editor.selectedResultText(), text.mid(4000, 2000));
}

// Share of pixels the drawing touches: a missing or misplaced drawing shows as (almost) none.
double inkCoverage(const QString& name) {
    const QImage image = symbolPixmap(name, Qt::black, 32).toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 64;
    return static_cast<double>(inked) / (image.width() * image.height());
}

TEST(Symbols, EveryOfferedActionAndTheTrayHaveADrawing) {
    Analysis everything;
    everything.json = Analysis::JSONState::valid;
    everything.delimiter = ',';
    everything.isCode = everything.isLongText = true;
    QStringList names = {"paperclip", "doc.on.clipboard", "paperclip.badge.ellipsis", "arrow.up.arrow.down"};
    for (const Tavlet& action : ActionCatalog::actions(everything)) names.append(QString::fromStdString(action.symbol));
    ASSERT_EQ(names.size(), 4 + 17);
    for (const QString& name : names) {
        EXPECT_TRUE(hasSymbol(name)) << name.toStdString();
        EXPECT_GT(inkCoverage(name), 0.04) << name.toStdString();
        EXPECT_LT(inkCoverage(name), 0.6) << name.toStdString();
    }
    // A user action may name any symbol or none: the pill then gets a generic drawing, never a blank.
    EXPECT_FALSE(hasSymbol(QStringLiteral("no.such.symbol")));
    EXPECT_GT(inkCoverage(QString()), 0.04);
    EXPECT_EQ(symbolPixmap(QString(), Qt::black, 16).toImage(), symbolPixmap(QStringLiteral("no.such.symbol"), Qt::black, 16).toImage());
}

}  // namespace
}  // namespace tavlets
