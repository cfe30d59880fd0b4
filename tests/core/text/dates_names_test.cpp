#include <tavlets/dates.hpp>
#include <tavlets/names.hpp>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets::text {
namespace {

std::optional<std::string> firstDate(std::string_view s) {
    auto r = DateDetector::shared()->firstMatch(s);
    if (!r) return std::nullopt;
    return std::string(s.substr(r->begin, r->end - r->begin));
}

TEST(DatesTest, FindsTheFirstExpression) {
    ASSERT_NE(DateDetector::shared(), nullptr);
    const std::pair<const char*, const char*> cases[] = {
        {"Let's ship on Friday.", "on Friday"}, {"Demo next Tuesday, then retro", "next Tuesday"},
        {"We meet Wednesday afternoon", "Wednesday afternoon"}, {"Standups on Mondays are cancelled", "on Mondays"},
        {"Due Fri 12/05 at noon", "Fri 12/05 at noon"}, {"Sat, Dec 5 works", "Sat, Dec 5"},
        {"Call me tomorrow morning", "tomorrow morning"}, {"Let's talk TOMORROW", "TOMORROW"},
        {"the day after tomorrow works", "the day after tomorrow"}, {"Revisit in three weeks", "in three weeks"},
        {"Ping me in an hour", "in an hour"}, {"Budget closes next month", "next month"},
        {"Two weeks from now we freeze", "Two weeks from now"}, {"Deploy after midnight", "midnight"},
        {"Standup at 9:30am", "9:30am"}, {"Call at 3 pm", "3 pm"}, {"Meet at 3:30 p.m. sharp", "3:30 p.m."},
        {"Server restarts at 15:00", "15:00"}, {"Coffee at 9.", "at 9"},
        {"Let's meet at 10 tomorrow", "at 10 tomorrow"}, {"4 o'clock is fine", "4 o'clock"},
        {"Invoice due Dec. 5th", "Dec. 5th"}, {"Launch December 5th, 2026", "December 5th, 2026"},
        {"Launch on 5 December 2026", "5 December 2026"}, {"Freeze on the 5th of December", "the 5th of December"},
        {"Kick-off in March 2027", "in March 2027"}, {"Wrap up by March", "by March"},
        {"Release 2026-12-05 or later", "2026-12-05"}, {"Release 5/12 or later", "5/12"},
        {"Release 25/12/2026 or later", "25/12/2026"}, {"We go live on the 12th or the 13th", "the 12th"},
        {"We go live on the 12th at 3pm", "the 12th at 3pm"},  // a date and its time are one range
        {"Demo next Friday at 3pm in room 4", "next Friday at 3pm"}, {"Demo 3pm on Friday", "3pm on Friday"},
        {"Demo Dec 5, 2026 at 9am", "Dec 5, 2026 at 9am"}, {"v1.2.3 ships Friday", "Friday"},
        {"Caf\u00E9 \u2014 vendredi? No: Friday at 3pm.", "Friday at 3pm"},  // byte offsets after multi-byte text
    };
    for (const auto& [text, match] : cases) EXPECT_EQ(firstDate(text), std::optional<std::string>(match)) << text;
}

TEST(DatesTest, IgnoresNumbersThatAreNotDates) {
    const char* cases[] = {
        "", "Upgrade to version 1.2.3 first", "Bump the SDK to 2.10.4", "It costs $12.50 per seat",
        "It costs $12/05 per seat", "Call 555-123-4567 for support", "Dial +44 20 7946 0958", "Support is 24/7",
        "Order 3/4 of the stock", "The ratio is 16:9", "Use port 8080", "Meet at 10.5 percent growth",
        "We grew 20% in 2026", "The monitor on my desk", "I sat in the sun on the deck", "You may ask anyone",
        "Look at 3 options", "Total: 12,05", "March forward with the plan", "Meet on the 5th floor",
        "Weekday and weekend rates", "See section 3.2 and 12.05.", "\xFF\xFE broken bytes 42",
    };
    for (const char* c : cases) EXPECT_EQ(firstDate(c), std::nullopt) << c;
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
    std::uint64_t state = 99;
    auto next = [&] { return static_cast<std::size_t>((state = state * 6364136223846793005ull + 1442695040888963407ull) >> 33); };
    const DateDetector* detector = DateDetector::shared();
    for (int round = 0; round < 6000; ++round) {
        std::string s;
        for (std::size_t k = 0, len = 1 + next() % 8; k < len; ++k) s += pieces[next() % pieces.size()];
        ASSERT_EQ(detector->firstMatch(s), detector->firstMatchByPattern(s)) << testing::PrintToString(s);
    }
}

using Names = std::vector<std::string>;

using Labelled = std::pair<const char*, Names>;  // a sentence, the personal names a careful reader marks

// Sentences of the kind found in meeting notes and chats, labelled by hand. Some hold names the
// gazetteer cannot know or that are left out on purpose; they keep the recall figure honest.
const std::vector<Labelled>& labelledSet() {
    static const std::vector<Labelled> set = {
        {"Bob will send the slides to Dana tomorrow.", {"Bob", "Dana"}},
        {"Can you ask Maria Lopez to review the contract?", {"Maria Lopez"}},
        {"Please loop in Sarah Jessica Parker before Friday.", {"Sarah Jessica Parker"}},
        {"Will you book the room for Thursday?", {}}, {"Ask Will to book the room for Thursday.", {"Will"}},
        {"Will Smith is presenting the roadmap.", {"Will Smith"}}, {"May I suggest we move the review to June?", {}},
        {"Mark the ticket as done when the fix ships.", {}},
        {"Mark Johnson signed off on the budget.", {"Mark Johnson"}},
        {"Grant access to the staging server for the new hires.", {}}, {"Hope the deploy goes well tonight.", {}},
        {"We should fly to Austin next week for the offsite.", {}},
        {"Jordan Peterson will not be joining us.", {"Jordan Peterson"}},
        {"Upgrade Ruby before the Rails migration.", {}}, {"Emma's laptop still needs the new image.", {"Emma"}},
        {"Send the notes to Alice, Bob and Carol.", {"Alice", "Bob", "Carol"}},
        {"Dr. Patel approved the study protocol.", {"Dr. Patel"}},
        {"TODO: call the bank about the wire transfer.", {}}, {"Note: the office is closed on Monday.", {}},
        {"Jan 5 is the cut-off for expense reports.", {}}, {"Jan will collect the expense reports.", {"Jan"}},
        {"Let's sync with Priya about the API changes.", {"Priya"}},
        {"Xiaoming fixed the flaky login test.", {"Xiaoming"}}, {"BOB SAID THE BUILD IS GREEN.", {}},
        {"ping david when the build is green", {}}, {"Our new Grace period policy starts in May.", {}},
        {"Kevin O'Brien is out until the 12th.", {"Kevin O'Brien"}},
        {"Mary-Jane picked up the keys from reception.", {"Mary-Jane"}},
        {"Ask Frank whether the numbers are final.", {"Frank"}}, {"Frank feedback is welcome in the retro.", {}},
        {"The Washington team will demo first.", {}},
        {"George Washington is on the one-dollar bill.", {"George Washington"}},
        {"Review the Project Atlas milestones with Nina.", {"Nina"}}, {"Amazon Web Services bills us monthly.", {}},
        {"Sunny Patel will lead QA for the release.", {"Sunny Patel"}},
        {"Sunny weather is forecast for the offsite.", {}},
        {"Forward the invoice to Mohammed and Aisha.", {"Mohammed", "Aisha"}},
        {"We asked Lee Chen to join the interview panel.", {"Lee Chen"}},
        {"The Lincoln Center gala is on Saturday.", {}}, {"Victoria will send the final numbers.", {"Victoria"}},
        {"Please update the Sales Dashboard before Monday.", {}},
        {"Reach out to Chris at Acme about the renewal.", {"Chris"}},
        {"Joy and Hope are the new interns.", {"Joy", "Hope"}},
    };
    return set;
}

// Any wrong name fails (a wrong name is worse than a missed one); misses count against recall.
TEST(NamesTest, LabelledSentencesReachPrecisionAndRecallFloors) {
    std::size_t truePositives = 0, expected = 0;
    for (const auto& [sentence, names] : labelledSet()) {
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

TEST(NamesTest, ExactRanges) {
    const std::pair<const char*, Names> cases[] = {
        {"Maria, Lopez", {"Maria"}}, {"ping Maria\nLopez can wait", {"Maria"}},  // surnames join across spaces only
        {"ask Anna Maria Lopez Garcia", {"Anna Maria Lopez"}},                  // at most two surnames
        {"ask Anna's Lopez team", {"Anna"}}, {"Anna\u2019s notes", {"Anna"}},   // a possessive ends the name
        {"ask Anna QA first", {"Anna"}}, {"Emma Todo list", {"Emma"}},          // acronyms, note words
        {"ask Sofia M\u00FCller today", {"Sofia M\u00FCller"}},
        {"see you Sunday, or in April", {}},
        {"Hope Williams, Will and Rose are in", {"Hope Williams", "Will", "Rose"}},
        {"ask \xFF\xFE Maria", {"Maria"}},
    };
    for (const auto& [text, names] : cases) EXPECT_EQ(personalNames(text), names) << text;

    EXPECT_EQ(personalNameRanges("Ask Tom Becker and Dana."), (std::vector<Range>{{4, 14}, {19, 23}}));
}

TEST(NamesTest, GazetteerKinds) {
    const std::pair<const char*, GivenNameKind> cases[] = {
        {"Maria", GivenNameKind::plain}, {"Will", GivenNameKind::word}, {"Austin", GivenNameKind::place},
        {"Bank", GivenNameKind::none}, {"maria", GivenNameKind::none}, {"Zzyzx", GivenNameKind::none},
    };
    for (const auto& [word, kind] : cases) EXPECT_EQ(givenNameKind(word), kind) << word;
}

}  // namespace
}  // namespace tavlets::text
