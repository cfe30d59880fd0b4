#include <tavlets/dates.hpp>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets::text {
namespace {

std::optional<std::string> firstDate(std::string_view s) {
    const DateDetector* detector = DateDetector::shared();
    if (detector == nullptr) return std::nullopt;
    auto r = detector->firstMatch(s);
    if (!r) return std::nullopt;
    return std::string(s.substr(r->begin, r->end - r->begin));
}

TEST(DatesTest, SharedDetectorIsBuilt) { ASSERT_NE(DateDetector::shared(), nullptr); }

TEST(DatesTest, FindsTheFirstExpression) {
    struct Case {
        const char* text;
        const char* match;
    } cases[] = {
        // Weekdays, with the words that lead into them.
        {"Let's ship on Friday.", "on Friday"},
        {"ship it friday", "friday"},
        {"Can you review this by Monday?", "by Monday"},
        {"Demo next Tuesday, then retro", "next Tuesday"},
        {"We meet Wednesday afternoon", "Wednesday afternoon"},
        {"Standups on Mondays are cancelled", "on Mondays"},
        {"Standups on Wednesdays are cancelled", "on Wednesdays"},
        {"Due Fri 12/05 at noon", "Fri 12/05 at noon"},
        {"Sat, Dec 5 works", "Sat, Dec 5"},
        // Relative days.
        {"Send it today please", "today"},
        {"Back online tonight", "tonight"},
        {"Call me tomorrow morning", "tomorrow morning"},
        {"Let's talk TOMORROW", "TOMORROW"},
        {"the day after tomorrow works", "the day after tomorrow"},
        {"Finish this in 2 days", "in 2 days"},
        {"Revisit in three weeks", "in three weeks"},
        {"Ping me in an hour", "in an hour"},
        {"Launch is next week", "next week"},
        {"Budget closes next month", "next month"},
        {"Two weeks from now we freeze", "Two weeks from now"},
        // Clock times.
        {"Lunch at noon", "noon"},
        {"Deploy after midnight", "midnight"},
        {"Standup at 9:30am", "9:30am"},
        {"Call at 3pm", "3pm"},
        {"Call at 3 pm", "3 pm"},
        {"Meet at 3:30 p.m. sharp", "3:30 p.m."},
        {"Server restarts at 15:00", "15:00"},
        {"Coffee at 9", "at 9"},
        {"Coffee at 9.", "at 9"},
        {"Let's meet at 10 tomorrow", "at 10 tomorrow"},
        {"4 o'clock is fine", "4 o'clock"},
        // Calendar dates.
        {"Invoice due Dec 5", "Dec 5"},
        {"Invoice due Dec. 5th", "Dec. 5th"},
        {"Launch December 5th, 2026", "December 5th, 2026"},
        {"Launch on 5 December 2026", "5 December 2026"},
        {"Freeze on the 5th of December", "the 5th of December"},
        {"Kick-off March 2027", "March 2027"},
        {"Kick-off in March 2027", "in March 2027"},
        {"Wrap up by March", "by March"},
        {"Release 2026-12-05 or later", "2026-12-05"},
        {"Release 12/05 or later", "12/05"},
        {"Release 5/12 or later", "5/12"},
        {"Release 12/05/2026 or later", "12/05/2026"},
        {"Release 25/12/2026 or later", "25/12/2026"},
        {"We go live on the 12th", "the 12th"},
        {"We go live on the 12th at 3pm", "the 12th at 3pm"},
        {"We go live on the 12th or the 13th", "the 12th"},
        // A date and its time form one expression, in either order.
        {"Demo Friday at 3pm", "Friday at 3pm"},
        {"Demo tomorrow at 10:30", "tomorrow at 10:30"},
        {"Demo next Friday at 3pm in room 4", "next Friday at 3pm"},
        {"Demo 3pm on Friday", "3pm on Friday"},
        {"Demo Dec 5, 2026 at 9am", "Dec 5, 2026 at 9am"},
        // The leftmost expression wins.
        {"today or Friday", "today"},
        {"v1.2.3 ships Friday", "Friday"},
    };
    for (const Case& c : cases) EXPECT_EQ(firstDate(c.text), std::optional<std::string>(c.match)) << c.text;
}

TEST(DatesTest, IgnoresNumbersThatAreNotDates) {
    const char* cases[] = {
        "",
        "We need 5 more people",
        "Upgrade to version 1.2.3 first",
        "Bump the SDK to 2.10.4",
        "It costs $12.50 per seat",
        "It costs $12/05 per seat",
        "Call 555-123-4567 for support",
        "Call (555) 123-4567 for support",
        "Dial +44 20 7946 0958",
        "Support is 24/7",
        "Add 1/2 cup of sugar",
        "Order 3/4 of the stock",
        "The ratio is 16:9",
        "The score was 3:1",
        "Use port 8080",
        "Meet at 10.5 percent growth",
        "We grew 20% in 2026",
        "Room 1205 is booked",
        "The monitor on my desk",
        "I sat in the sun on the deck",
        "You may ask anyone",
        "Mark this as done",
        "Look at 3 options",
        "Ship 2026 units",
        "Total: 12,05",
        "March forward with the plan",
        "Pick the 2nd option",
        "Meet on the 5th floor",
        "Weekday and weekend rates",
        "See section 3.2 and 12.05.",
        "\xFF\xFE broken bytes 42",
    };
    for (const char* c : cases) EXPECT_EQ(firstDate(c), std::nullopt) << c;
}

TEST(DatesTest, RangeIsInBytesOfTheOriginalText) {
    // Multi-byte text before the match: the range still points into the original string.
    std::string s = "Caf\u00E9 r\u00E9union \u2014 vendredi? No: Friday at 3pm.";
    auto r = DateDetector::shared()->firstMatch(s);
    ASSERT_TRUE(r);
    EXPECT_EQ(s.substr(r->begin, r->end - r->begin), "Friday at 3pm");
}

TEST(DatesTest, SharedAcrossThreads) {
    std::vector<std::thread> threads;
    std::vector<const DateDetector*> seen(4, nullptr);
    for (int t = 0; t < 4; ++t) threads.emplace_back([&seen, t] { seen[t] = DateDetector::shared(); });
    for (auto& th : threads) th.join();
    for (const DateDetector* d : seen) EXPECT_EQ(d, DateDetector::shared());
}

}  // namespace
}  // namespace tavlets::text

namespace tavlets::text {
namespace {

// The detector tries the pattern only where an expression can begin; a plain search of the
// whole text must give the same range, whatever the text.
TEST(DatesTest, FastPathAgreesWithAPlainSearch) {
    const char* pieces[] = {
        "Friday", "Wednesdays", "wednesday", "fri", "Fri", "weekend", "quarter", "minutes", "hrs", "Sat", "sun", "on ", "next ", "by ", "the ", "at ", "in ", "a ", "few ",
        "couple of ", "two ", "days", "weeks ", "from now", "ago", "tomorrow", "TODAY", "noon", "afternoon",
        "morning", "Dec", "dec.", "December", "may", "March", "5", "12", "31st", "2026", "1999", "15:00",
        "3:30", "pm", "p.m.", "o'clock", "/", "-", ".", ",", ":", "$", "\u20AC", "\u00A3", " ", "  ", "\n",
        "\r\n", "x", "e\u0301", "\u0301", "\u200D", "\u00AD", "_", "\u00E9", "\u2014", "\u017Funday", "\xFF", "9", "0", "of ", "sharp",
    };
    const std::size_t n = sizeof(pieces) / sizeof(pieces[0]);
    std::uint64_t state = 99;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>(state >> 33);
    };
    const DateDetector* detector = DateDetector::shared();
    for (int round = 0; round < 6000; ++round) {
        std::string s;
        for (std::size_t k = 0, len = 1 + next() % 8; k < len; ++k) s += pieces[next() % n];
        ASSERT_EQ(detector->firstMatch(s), detector->firstMatchByPattern(s)) << testing::PrintToString(s);
    }
}

}  // namespace
}  // namespace tavlets::text
