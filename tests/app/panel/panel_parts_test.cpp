#include <QTextBlock>
#include <QTextCursor>

#include <gtest/gtest.h>

#include "panel/panel_parts.hpp"

namespace tavlets {
namespace {

QString repeated(const QString& piece, int times) {
    QString out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(ResultEditor, ShowsLongLinesInPiecesButCopiesTheResultItself) {
    const struct {
        const char* name;
        QString text;
        int minBlocks;
    } cases[] = {
        {"short lines stay as they are", QStringLiteral("a\nb\n\nc"), 4},
        {"one long line without spaces", QString(10000, QLatin1Char('x')), 3},
        {"long line of words", repeated(QStringLiteral("word, "), 3000), 5},
        {"long line between short ones", QStringLiteral("top\n") + QString(9000, QLatin1Char('y')) +
                                             QStringLiteral("\n\nbottom"),
         6},
        {"emoji are never cut in half", repeated(QString::fromUtf8("\xF0\x9F\x98\x80"), 5000), 3},
        {"accents stay on their letters", repeated(QString::fromUtf8("e\xCC\x81"), 5000), 3},
        {"a large result's short lines share paragraphs", repeated(QStringLiteral("  \"k\": 1,\n"), 5000), 10},
        {"line separators of its own are kept",
         repeated(QStringLiteral("a\u2028b\n"), 10000), 10000},
        {"carriage returns stay paragraph ends", repeated(QStringLiteral("row\r"), 5000), 5000},
    };
    for (const auto& c : cases) {
        ResultEditor editor;
        editor.setResultText(c.text);
        EXPECT_GE(editor.document()->blockCount(), c.minBlocks) << c.name;
        for (QTextBlock block = editor.document()->begin(); block.isValid(); block = block.next()) {
            EXPECT_LE(block.length() - 1, 2 * ResultEditor::kChunk) << c.name;
            if (block.length() > 1) {
                const QChar first = block.text().at(0);
                EXPECT_FALSE(first.isLowSurrogate() || first.isMark()) << c.name;
            }
        }
        editor.selectAll();
        QString expected = c.text;
        expected.replace(QLatin1Char('\r'), QLatin1Char('\n'));  // as any text view copies it
        EXPECT_EQ(editor.selectedResultText(), expected) << c.name;
    }
}

TEST(ResultEditor, PacksOnlyLargeResults) {
    ResultEditor editor;
    editor.setResultText(repeated(QStringLiteral("x\n"), 100));
    EXPECT_EQ(editor.document()->blockCount(), 101);
    editor.setResultText(repeated(QStringLiteral("line\n"), 10000));
    EXPECT_LT(editor.document()->blockCount(), 30);
}

TEST(ResultEditor, CopiesAPartialSelectionAcrossAPieceBoundary) {
    const QString text = QString(5000, QLatin1Char('a')) + QString(5000, QLatin1Char('b'));
    ResultEditor editor;
    editor.setResultText(text);
    ASSERT_GE(editor.document()->blockCount(), 3);
    // Select from inside the first piece to inside the second.
    QTextCursor cursor(editor.document());
    cursor.setPosition(4000);
    cursor.setPosition(6001, QTextCursor::KeepAnchor);  // one display break lies in between
    editor.setTextCursor(cursor);
    EXPECT_EQ(editor.selectedResultText(), text.mid(4000, 2000));
}

}  // namespace
}  // namespace tavlets

namespace tavlets {
namespace {

TEST(PreviewBox, ShowsAtMostTwoLinesEndingInAnEllipsisWhenCut) {
    const QString ellipsis(QChar(0x2026));
    const struct {
        const char* name;
        QString text;
        int lines;
        bool cut;
    } cases[] = {
        {"one short line", QStringLiteral("hello"), 1, false},
        {"two short lines", QStringLiteral("first\nsecond"), 2, false},
        {"240 characters on one line", QString(240, QLatin1Char('x')), 2, true},
        {"a wrapped first line before a second", QString(150, QLatin1Char('y')) + "\nnext", 2, true},
    };
    for (const auto& c : cases) {
        PreviewBox box;
        box.setText(c.text);
        const QStringList lines = box.visibleLines(648);
        EXPECT_EQ(lines.size(), c.lines) << c.name;
        EXPECT_EQ(lines.last().endsWith(ellipsis), c.cut) << c.name;
        const QFontMetricsF metrics(box.font());
        for (const QString& line : lines) {
            EXPECT_LE(metrics.horizontalAdvance(line), 648 - 2 * PreviewBox::kPadding) << c.name;
        }
    }
}

}  // namespace
}  // namespace tavlets
