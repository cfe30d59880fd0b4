#include <tavlets/text_mining.hpp>
#include <tavlets/text.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"
#include "core/test_random.hpp"

namespace tavlets {
namespace {

using Unit = TextMining::Unit;

TEST(TextMiningTest, Units) {
    for (const auto& row : readCases("units.tsv")) {
        std::vector<Unit> units;
        for (std::size_t i = 1; i < row.size(); ++i) {
            const std::size_t bar = row[i].find('|'), box = row[i].rfind('|');
            const std::string speaker = row[i].substr(0, bar);
            units.push_back({speaker.empty() ? std::nullopt : std::optional(speaker), row[i].substr(bar + 1, box - bar - 1),
                             row[i].substr(box + 1) == "x"});
        }
        EXPECT_EQ(TextMining::units(row.at(0)), units) << row[0];
    }
}

// Word counting by plain character iteration, the yardstick for the fast pass.
std::size_t referenceWordCount(std::string_view s) {
    std::size_t count = 0;
    bool inWord = false;
    for (text::CharacterIterator it(s); auto c = it.next();) {
        count += !inWord && !text::isWhitespaceCharacter(*c);
        inWord = !text::isWhitespaceCharacter(*c);
    }
    return count;
}

TEST(TextMiningTest, CountsAndWords) {
    checkFunctions("mining_functions.tsv", {
        {"word count", [](const std::string& s) { return std::to_string(TextMining::wordCount(s)); }},
        {"chat lines", [](const std::string& s) { return std::to_string(TextMining::chatLineCount(s)); }},
        {"words", [](const std::string& s) { return joined(TextMining::words(s)); }},
    });
    const std::vector<std::string> pieces = {"a", " ", "\t", "\n", "\r", "\r\n", "\u0301", "\u0600", "\u200D", "\u0903", "\u00A0",
        "\u3000", "\u0085", "\u2028", "\u200B", "\U0001F44D", "\U0001F3FD", "\U0001F1EB", "\xff", "\xed\xa0\x80", std::string(1, '\0'), "\u0915"};
    Random random{61};
    for (int round = 0; round < 5000; ++round) {
        const std::string s = random.glue(pieces, 11);
        ASSERT_EQ(TextMining::wordCount(s), referenceWordCount(s)) << testing::PrintToString(s);
    }
}

// Whatever the bytes, every function answers and units keep to their promises.
TEST(TextMiningTest, HostileInput) {
    const std::string hostile = std::string("Al\0ice: x\n", 10) + "Bob: \xff\xfe. \xed\xa0\x80 ok.\n" +
                                "\u0301: \u0301\n[\xc3] Cy: a\U0001F468\u200D\U0001F469 b.\n\xe2\x80";
    std::vector<std::string> speakers;
    for (const Unit& u : TextMining::units(hostile)) {
        EXPECT_FALSE(u.text.empty());
        if (u.speaker && (speakers.empty() || speakers.back() != *u.speaker)) speakers.push_back(*u.speaker);
    }
    EXPECT_EQ(speakers, (std::vector<std::string>{"Bob", "Cy"}));
    EXPECT_EQ(TextMining::chatLineCount(hostile), 2u);
    EXPECT_EQ(TextMining::wordCount(hostile), 12u);
    EXPECT_GT(TextMining::sentenceCount(hostile), 0u);
}

}  // namespace
}  // namespace tavlets
