#include <tavlets/dates.hpp>
#include <tavlets/names.hpp>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"
#include "core/test_random.hpp"

namespace tavlets::text {
namespace {

std::optional<std::string> firstDate(std::string_view s) {
    auto r = DateDetector::shared()->firstMatch(s);
    if (!r) return std::nullopt;
    return std::string(s.substr(r->begin, r->end - r->begin));
}

// Expressions found, with their exact range, and numbers that are not dates (versions, prices,
// phone numbers, ratios, "may", "sat").
TEST(DatesTest, FindsTheFirstExpressionAndIgnoresOtherNumbers) {
    ASSERT_NE(DateDetector::shared(), nullptr);
    EXPECT_EQ(firstDate(""), std::nullopt);
    for (const auto& row : readCases("dates.tsv")) {
        EXPECT_EQ(firstDate(row[0]), row.size() > 1 ? std::optional(row[1]) : std::nullopt) << row[0];
    }
}

// The detector tries the pattern only where an expression can begin; a plain search of the
// whole text must give the same range, whatever the text.
TEST(DatesTest, FastPathAgreesWithAPlainSearch) {
    const std::vector<std::string> pieces = {
        "Friday", "Wednesdays", "wednesday", "fri", "Fri", "weekend", "quarter", "minutes", "hrs", "Sat", "sun", "on ",
        "next ", "by ", "the ", "at ", "in ", "a ", "few ", "couple of ", "two ", "days", "weeks ", "from now", "ago",
        "tomorrow", "TODAY", "noon", "afternoon", "morning", "Dec", "dec.", "December", "may", "March", "5", "12", "31st",
        "2026", "1999", "15:00", "3:30", "pm", "p.m.", "o'clock", "/", "-", ".", ",", ":", "$", "\u20AC", "\u00A3", " ",
        "  ", "\n", "\r\n", "x", "e\u0301", "\u0301", "\u200D", "\u00AD", "_", "\u00E9", "\u2014", "\u017Funday", "\xFF",
        "9", "0", "of ", "sharp",
    };
    Random random{99};
    const DateDetector* detector = DateDetector::shared();
    for (int round = 0; round < 6000; ++round) {
        const std::string s = random.glue(pieces, 8);
        ASSERT_EQ(detector->firstMatch(s), detector->firstMatchByPattern(s)) << testing::PrintToString(s);
    }
}

using Names = std::vector<std::string>;

// Any wrong name fails (a wrong name is worse than a missed one); misses count against recall.
TEST(NamesTest, LabelledSentencesReachPrecisionAndRecallFloors) {
    std::size_t truePositives = 0, expected = 0;
    for (const auto& row : readCases("names_labelled.tsv")) {
        const std::string& sentence = row[0];
        const Names names(row.begin() + 1, row.end());
        Names wanted = names;
        for (const std::string& g : personalNames(sentence)) {
            auto hit = std::find(wanted.begin(), wanted.end(), g);
            if (hit == wanted.end()) ADD_FAILURE() << "wrong name \"" << g << "\" in: " << sentence;
            else ++truePositives, wanted.erase(hit);
        }
        expected += names.size();
    }
    EXPECT_GE(double(truePositives), 0.80 * double(expected)) << truePositives << " of " << expected << " names found";
}

TEST(NamesTest, RangesAreBytes) {
    EXPECT_EQ(personalNameRanges("Ask Tom Becker and Dana."), (std::vector<Range>{{4, 14}, {19, 23}}));
}

}  // namespace
}  // namespace tavlets::text
