#include "tavlets/text.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "test_cases.hpp"

using namespace std::string_literals;
namespace text = tavlets::text;

namespace {

TEST(Regex, FindsTheFirstLeftmostMatchWithGroups) {
    for (const auto& row : readCases("regex_matches.tsv")) {
        const std::string& subject = row.at(1);
        const auto m = text::Regex(row.at(0)).firstMatch(subject);
        std::vector<std::string> found;
        if (m) found.push_back(std::to_string(m->begin) + "-" + std::to_string(m->end));
        for (std::size_t g = 1; m && g <= m->groups.size(); ++g) found.push_back(std::string(m->group(subject, g).value_or("<unset>")));
        EXPECT_EQ(joined(found), row.at(2)) << row[0] << " on " << subject;
    }
}

TEST(Regex, RemovesTheFirstMatchHonoursTheCaseFlagRejectsMalformedPatterns) {
    EXPECT_TRUE(text::Regex("hello", true).search("say HeLLo"));
    EXPECT_EQ(text::Regex("^\\[( |x|X)\\]\\s*").removingFirstMatch("[ ] call - [x] not this"), "call - [x] not this");
    EXPECT_EQ(text::Regex("z").removingFirstMatch("foo"), "foo");
    EXPECT_THROW(text::Regex("(unclosed"), std::invalid_argument);
}

TEST(Regex, CatastrophicBacktrackingCountsAsNoMatch) {
    const text::Regex nested("(a+)+$");
    EXPECT_EQ(nested.firstMatch(std::string(40, 'a') + "b"), std::nullopt);
    EXPECT_TRUE(nested.search(std::string(40, 'a')));
    // Quadratic work on a large subject stops too, without exhausting memory...
    EXPECT_EQ(text::Regex("a*b").firstMatch(std::string(300'000, 'a')), std::nullopt);
    // ...while a linear search of a large clipboard stays within its allowance.
    std::string big;
    while (big.size() < 4'000'000) big += "the quick brown fox jumps over the lazy dog, again\n";
    big += "    return 1;\n";
    const auto m = text::Regex("(?m)^\\s*(import|func|def|class|return|if|for|while)\\b").firstMatch(big);
    EXPECT_EQ(m ? m->group(big, 1) : std::nullopt, "return");
}

// Compiled patterns and break rules are process-wide; each thread must still get its own answers.
TEST(Regex, SharedPatternAndTokenizersFromSeveralThreads) {
    static const text::Regex shared("(\\w+)@(\\w+)");
    const std::string prose = "Mr. Jones came. He sat. \u00C9t\u00E9! Fin?";
    const auto sentences = text::sentenceRanges(prose), words = text::wordRanges(prose);
    std::vector<std::thread> threads;
    std::vector<int> hits(4, 0);
    for (std::size_t t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            const std::string subject = "mail " + std::string(t + 1, 'x') + "@host";
            for (int i = 0; i < 200; ++i)
                hits[t] += shared.firstMatch(subject)->group(subject, 1)->size() == t + 1 &&
                           text::sentenceRanges(prose) == sentences && text::wordRanges(prose) == words;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(hits, std::vector<int>(4, 200));
}

TEST(Base64, RoundTripsEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::size_t n = 0; n < 3; ++n) EXPECT_EQ(text::base64Decode(text::base64Encode(all.substr(n))), all.substr(n));
}

}  // namespace
