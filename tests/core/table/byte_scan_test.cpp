#include "table/byte_scan.hpp"
#include "table/grapheme_glue.hpp"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

// Word-at-a-time scanning must not miss a newline at any offset, nor take look-alike bytes.
TEST(ByteScanTest, FindsEveryNewlineKindAtEveryOffset) {
    for (const std::string newline : {"\n", "\r", "\v", "\f", "\u0085", "\u2028", "\u2029"}) {
        for (std::size_t at = 0; at < 24; ++at) {
            const std::string s = std::string(at, 'x') + "\u00C2\u00E9\u2027" + newline + "tail";
            std::size_t width = 0;
            EXPECT_EQ(scan::findNewline(s, 0, width), at + 7);
            EXPECT_EQ(width, newline.size());
        }
    }
    std::size_t width = 9;
    EXPECT_EQ(scan::findNewline("\u00C2x\xe2\x80", 0, width), 5u);  // C3 82, x, a cut-off E2 80
    EXPECT_EQ(width, 0u);
}

TEST(ByteScanTest, LinesMatchTheTextLayer) {
    const std::vector<std::string> pieces = {"a", "bc ", "\n", "\r", "\r\n", "\u0085", "\u2028",
                                             "\u00E9", "\xc2", "\xe2\x80", "\U0001F600", "xxxxxxx"};
    std::mt19937 random(5);
    for (int round = 0; round < 3000; ++round) {
        std::string s;
        const int length = static_cast<int>(random() % 16);
        for (int i = 0; i < length; ++i) s += pieces[random() % pieces.size()];
        std::vector<std::string_view> lines;
        scan::forEachLine(s, [&lines](std::string_view line) {
            lines.push_back(line);
            return true;
        });
        ASSERT_EQ(lines, text::splitLines(s)) << testing::PrintToString(s);
    }
}

// The blocks answered without the grapheme rules must really join nothing.
TEST(GraphemeGlueTest, PlainLetterBlocksJoinNothing) {
    for (char32_t cp = 0x300; cp < 0xE000; ++cp) {
        if (!grapheme::Glue::isPlainLetter(cp)) continue;
        std::string before, after = "\"";
        text::appendUTF8(before, cp);
        before += '"';
        text::appendUTF8(after, cp);
        ASSERT_EQ(text::characterCount(before), 2u) << static_cast<std::uint32_t>(cp);
        ASSERT_EQ(text::characterCount(after), 2u) << static_cast<std::uint32_t>(cp);
    }
}

}  // namespace
}  // namespace tavlets
