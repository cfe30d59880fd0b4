#include "tavlets/text.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace text = tavlets::text;
using Span = std::pair<std::size_t, std::size_t>;

namespace {

struct MatchCase {
    std::string pattern;
    bool caseInsensitive;
    std::string subject;
    std::optional<Span> match;
    std::vector<std::optional<std::string>> groups;
};

TEST(Regex, FindsTheFirstLeftmostMatchWithGroups) {
    const std::vector<MatchCase> cases = {
        {"(\\d+)-(\\d+)?x", false, "ab 12-x 3-4x", Span{3, 7}, {"12", std::nullopt}},
        {"b+", false, "\u00E9\u00E9bb", Span{4, 6}, {}},             // offsets are bytes
        {"hello", false, "HeLLo", std::nullopt, {}},
        {"hello", true, "say HeLLo", Span{4, 9}, {}},
        {"(?i:stra\u00DFe)", false, "STRASSE", Span{0, 7}, {}},        // full case folding
        {"(?i:\u00E9t\u00E9)", false, "\u00C9T\u00C9", Span{0, 5}, {}},
        {"^b", false, "a\nb", std::nullopt, {}},                      // ^ is the subject's start
        {"(?m)^b", false, "a\nb", Span{2, 3}, {}},
        {"a$", false, "a\nb", std::nullopt, {}},
        {"(\\w+)", false, "--h\u00E9llo_1!", Span{2, 10}, {"h\u00E9llo_1"}},
        {"\\bfor\\b", false, "before for", Span{7, 10}, {}},
        {"\\s+", false, "a\u00A0\u2028b", Span{1, 6}, {}},
        {"(\\p{L}+) (\\d)", false, "\u65E5\u672C 7", Span{0, 8}, {"\u65E5\u672C", "7"}},
        {"[A-Z]", false, "\u00C9a B", Span{4, 5}, {}},                // ASCII capitals only
        {"b", false, "\xFF" "b", Span{1, 2}, {}},                     // after an ill-formed byte
        {"\\x{FFFD}", false, "a\xE2\x82" "b", Span{1, 3}, {}},       // the ill-formed bytes read as U+FFFD
        {"x*", false, "abc", Span{0, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern + " on " + c.subject);
        const text::Regex re(c.pattern, c.caseInsensitive);
        const auto m = re.firstMatch(c.subject);
        ASSERT_EQ(m.has_value(), c.match.has_value());
        EXPECT_EQ(re.search(c.subject), c.match.has_value());
        if (!m) continue;
        EXPECT_EQ(Span(m->begin, m->end), *c.match);
        ASSERT_EQ(m->groups.size(), c.groups.size());
        for (std::size_t g = 0; g < c.groups.size(); ++g) {
            const auto got = m->group(c.subject, g + 1);
            EXPECT_EQ(got.has_value(), c.groups[g].has_value()) << g + 1;
            if (got && c.groups[g]) {
                EXPECT_EQ(*got, *c.groups[g]);
            }
        }
        EXPECT_EQ(m->group(c.subject, 0), std::string_view(c.subject).substr(m->begin, m->end - m->begin));
        EXPECT_EQ(m->group(c.subject, c.groups.size() + 1), std::nullopt);
    }
}

TEST(Regex, RemovesTheFirstMatchOnly) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"^[-*\u2022]\\s+", "\u2022 Book the venue", "Book the venue"},
        {"^\\[( |x|X)\\]\\s*", "[ ] call - [x] not this", "call - [x] not this"},
        {"o", "foo", "fo"},
        {"z", "foo", "foo"},
    };
    for (const auto& [pattern, subject, result] : cases) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(text::Regex(pattern).removingFirstMatch(subject), result);
    }
}

TEST(Regex, MalformedPatternIsRejected) {
    EXPECT_THROW(text::Regex("(unclosed"), std::invalid_argument);
    EXPECT_THROW(text::Regex("a{2,1}"), std::invalid_argument);
}

TEST(Regex, CatastrophicBacktrackingCountsAsNoMatch) {
    const text::Regex nested("(a+)+$");
    EXPECT_EQ(nested.firstMatch(std::string(40, 'a') + "b"), std::nullopt);
    EXPECT_TRUE(nested.search(std::string(40, 'a')));
    // Quadratic work on a large subject stops too, without exhausting memory.
    EXPECT_EQ(text::Regex("a*b").firstMatch(std::string(300'000, 'a')), std::nullopt);
}

TEST(Regex, LinearSearchOfALargeSubjectCompletes) {
    std::string big;
    while (big.size() < 4'000'000) big += "the quick brown fox jumps over the lazy dog, again\n";
    big += "    return 1;\n";
    const text::Regex keyword("(?m)^\\s*(import|func|def|class|return|if|for|while)\\b");
    const auto m = keyword.firstMatch(big);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->group(big, 1), "return");
}

TEST(Regex, SharedPatternMatchesFromSeveralThreads) {
    static const text::Regex shared("(\\w+)@(\\w+)");
    std::vector<std::thread> threads;
    std::vector<int> hits(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &hits] {
            const std::string subject = "mail " + std::string(static_cast<std::size_t>(t + 1), 'x') + "@host";
            for (int i = 0; i < 200; ++i) {
                const auto m = shared.firstMatch(subject);
                if (m && m->group(subject, 1)->size() == static_cast<std::size_t>(t + 1)) ++hits[static_cast<std::size_t>(t)];
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(hits, std::vector<int>(4, 200));
}

}  // namespace
