#include "mining/action_items_internal.hpp"

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include <cstdint>
#include <string>
#include <vector>

#include <ostream>

#include <gtest/gtest.h>

namespace tavlets {

// Readable failures; inline because every test file of this binary may want it.
inline void PrintTo(const Outcome& o, std::ostream* os) {
    *os << ::testing::PrintToString(o.text) << (o.isError ? " (error)" : "") << (o.mono ? " (mono)" : "");
}

namespace {

const char* const kNoItems =
    "No action items found. I look for to-dos, requests (\"can you\u2026\"), commitments (\"I'll\u2026\"), "
    "\"need to\", deadlines and unchecked [ ] boxes.";

const char* const kWorkedExample =
    "[09:14] Alice: Bob, can you send the slides to Dana asap?\n"
    "[09:15] Bob: I\u2019ll update the budget first.\n"
    "- [ ] Book the venue for the offsite\n"
    "[x] Order new badges\n"
    "TODO: renew the domain\n"
    "Thanks everyone!";

const char* const kWorkedResult =
    "\u2610 Bob, can you send the slides to Dana asap?  \u2014 Owner: Bob \u00B7 Due: asap\n"
    "\u2610 I'll update the budget first.  \u2014 Owner: Bob\n"
    "\u2610 Book the venue for the offsite\n"
    "\u2610 renew the domain";

// The rules alone: no name tagger, no date detector.
Outcome bare(std::string_view text) { return mining::actionItems(text, mining::ItemServices{}); }
Outcome items(std::string text) { return Outcome{std::move(text), false, false}; }

TEST(ActionItemsTest, WorkedExample) {
    EXPECT_EQ(bare(kWorkedExample), items(kWorkedResult));
    // The real tagger and detector find nothing to add here: "Dana" is addressed after the owner
    // rule has already chosen Bob, and "asap" is no calendar date.
    EXPECT_EQ(TextMining::actionItems(kWorkedExample), items(kWorkedResult));
}

TEST(ActionItemsTest, RulesWithoutNamesOrDates) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;  // null: the no-items message
    } cases[] = {
        {"empty text", "", nullptr},
        {"only checked boxes", "[x] Order new badges\n- [X] Book the venue for the offsite", nullptr},
        {"no trigger words", "Lunch was great.\nThe office is warm today.", nullptr},
        {"an unchecked box needs three words", "[ ] Buy milk", nullptr},
        {"an unchecked box needs no trigger", "[ ] Buy oat milk", "\u2610 Buy oat milk"},
        {"a question needs a request phrase", "Should we ship on Friday?", nullptr},
        {"a request question counts", "Could you ship on Friday?", "\u2610 Could you ship on Friday?"},
        {"an unchecked question needs no request", "[ ] should we ship it?", "\u2610 should we ship it?"},
        {"two words with a trigger are too few", "Please review.", nullptr},
        {"duplicates differ only in case and apostrophes",
         "We\u2019ll ship the build.\nwe'll SHIP the build.", "\u2610 We'll ship the build."},
        {"duplicates are judged before the prefix goes", "TODO: call the bank\nTodo - call the bank",
         "\u2610 call the bank\n\u2610 call the bank"},
        {"task prefixes", "Action item: send the deck today\nTasks- file the expenses please",
         "\u2610 send the deck today  \u2014 Due: today\n\u2610 file the expenses please"},
        {"mention with its trailing period", "Please review the draft @sam.",
         "\u2610 Please review the draft @sam.  \u2014 Owner: sam."},
        {"mention beats address", "hey Tom, please ping @maria.k about it",
         "\u2610 hey Tom, please ping @maria.k about it  \u2014 Owner: maria.k"},
        {"lower-case greeting and address", "hey Tom, please file the report",
         "\u2610 hey Tom, please file the report  \u2014 Owner: Tom"},
        {"capitalised greeting is not an address", "Hey Tom, please file the report",
         "\u2610 Hey Tom, please file the report"},
        {"address with a colon", "ok Dana: please file the report",
         "\u2610 ok Dana: please file the report  \u2014 Owner: Dana"},
        {"non-owner word, commitment by the speaker", "Bob: Thanks, I'll handle it",
         "\u2610 Thanks, I'll handle it  \u2014 Owner: Bob"},
        {"non-owner word without a speaker", "Thanks, I'll handle it", "\u2610 Thanks, I'll handle it"},
        {"an unexcluded opener is taken as the address", "Bob: Sure, I'll handle it",
         "\u2610 Sure, I'll handle it  \u2014 Owner: Sure"},
        {"note headings are not owners", "Note, we need to renew the lease",
         "\u2610 Note, we need to renew the lease"},
        {"deadline words", "We must finish by end of the week",
         "\u2610 We must finish by end of the week  \u2014 Due: end of the week"},
        {"deadline words ignore case", "Send the invoice EOD please",
         "\u2610 Send the invoice EOD please  \u2014 Due: EOD"},
    };
    for (const Case& c : cases) {
        Outcome expected = c.expected ? items(c.expected) : Outcome{kNoItems, true, false};
        EXPECT_EQ(bare(c.text), expected) << c.name;
    }
}

TEST(ActionItemsTest, LimitsAtCharactersAndItems) {
    auto sentence = [](std::size_t characters) {
        // "Please " plus "é" written as e + combining acute, so characters and bytes differ.
        std::string s = "Please check";
        while (text::characterCount(s) < characters) s += " e\u0301";
        return s;
    };
    std::string exact = sentence(200);
    ASSERT_EQ(text::characterCount(exact), 200u);
    EXPECT_EQ(bare(exact), items("\u2610 " + exact));

    std::string longer = sentence(250);
    ASSERT_EQ(text::characterCount(longer), 250u);
    Outcome cut = bare(longer);
    EXPECT_EQ(cut, items("\u2610 " + std::string(text::prefixCharacters(longer, 197)) + "\u2026"));

    std::string sixteen;
    for (int i = 1; i <= 16; ++i) sixteen += "Please do task " + std::to_string(i) + "\n";
    std::string expected;
    for (int i = 1; i <= 15; ++i) expected += (i > 1 ? "\n" : "") + std::string("\u2610 Please do task ") + std::to_string(i);
    EXPECT_EQ(bare(sixteen), items(expected));
}

std::vector<std::string> fixedNames(std::string_view) { return {"Alice", "Dana Scully"}; }
std::optional<text::Range> firstThreeBytes(std::string_view s) {
    if (s.size() < 3) return std::nullopt;
    return text::Range{0, 3};
}

int namesCalls = 0;
std::vector<std::string> countingNames(std::string_view) {
    ++namesCalls;
    return {};
}

TEST(ActionItemsTest, StopsExaminingAfterFifteenItems) {
    std::string text;
    for (int i = 1; i <= 20; ++i) text += "Please do task " + std::to_string(i) + "\n";
    namesCalls = 0;
    mining::actionItems(text, mining::ItemServices{&countingNames, nullptr});
    EXPECT_EQ(namesCalls, 15);
}

TEST(ActionItemsTest, ServicesFeedOwnerAndDue) {
    mining::ItemServices services{&fixedNames, &firstThreeBytes};
    // A detected date wins over the deadline words; names skip the speaker.
    EXPECT_EQ(mining::actionItems("Alice: we must ship asap", services),
              items("\u2610 we must ship asap  \u2014 Owner: Dana Scully \u00B7 Due: we "));
    // The commitment rule comes before names.
    EXPECT_EQ(mining::actionItems("Carol: I'll ship asap", services),
              items("\u2610 I'll ship asap  \u2014 Owner: Carol \u00B7 Due: I'l"));
    // No detector: the deadline words.
    mining::ItemServices namesOnly{&fixedNames, nullptr};
    EXPECT_EQ(mining::actionItems("we must ship asap", namesOnly),
              items("\u2610 we must ship asap  \u2014 Owner: Alice \u00B7 Due: asap"));
}

TEST(ActionItemsTest, WithTheRealTaggerAndDetector) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"Could you ship on Friday?", "\u2610 Could you ship on Friday?  \u2014 Due: on Friday"},
        {"Maria Lopez will review the contract by Friday at 3pm",
         "\u2610 Maria Lopez will review the contract by Friday at 3pm  \u2014 Owner: Maria Lopez \u00B7 Due: by "
         "Friday at 3pm"},
        {"Sam: Please ask Priya and Tom to update the budget tomorrow morning",
         "\u2610 Please ask Priya and Tom to update the budget tomorrow morning  \u2014 Owner: Tom \u00B7 Due: tomorrow "
         "morning"},
        // The speaker is not their own owner by name; no other name is there.
        {"Tom: Tom needs to fix the build", "\u2610 Tom needs to fix the build"},
        // Sentence-start words that are also names are not owners.
        {"Will you send the numbers by Monday?", "\u2610 Will you send the numbers by Monday?  \u2014 Due: by Monday"},
        {"Mark the ticket as done asap, before the 12th",
         "\u2610 Mark the ticket as done asap, before the 12th  \u2014 Due: the 12th"},
        // A version number is no due date; the deadline words still are.
        {"We need to ship 2.10.4 next week", "\u2610 We need to ship 2.10.4 next week  \u2014 Due: next week"},
        {"Please pay the $12.50 invoice", "\u2610 Please pay the $12.50 invoice"},
    };
    for (const Case& c : cases) EXPECT_EQ(TextMining::actionItems(c.text), items(c.expected)) << c.text;
}

TEST(ActionItemsTest, OwnerAndNamesThroughThePublicFunctions) {
    TextMining::Unit unit{"Bob", "I'll do it", false};
    EXPECT_EQ(TextMining::owner(unit, "I'll do it"), std::optional<std::string>("Bob"));
    unit.speaker.reset();
    EXPECT_EQ(TextMining::owner(unit, "ask Dana Scully to do it"), std::optional<std::string>("Dana Scully"));
    EXPECT_EQ(TextMining::owner(unit, "I'll do it"), std::nullopt);
    EXPECT_EQ(TextMining::names("Maria Lopez met Tom on Friday"), (std::vector<std::string>{"Maria Lopez", "Tom"}));
}

}  // namespace
}  // namespace tavlets

namespace tavlets {
namespace {

// The byte-level trigger test must agree with the pattern everywhere: build many texts from
// trigger words in several spellings, glued with letters, digits, punctuation and spaces.
TEST(ActionItemsTest, TriggerShortcutAgreesWithThePattern) {
    const char* pieces[] = {"todo",      "TO-DO",   "to do",      "Action item", "action:",  "actions:",
                            "follow-up", "followup", "Follow Up", "needs to",    "need",     "must",
                            "mustard",   "should",  "make sure",  "dont forget", "don't",    "remember to",
                            "please",    "PLEASE",  "can you",    "canyou",      "i'll",     "ill",
                            "I'LL",      "well",    "we'll",      "let's",       "lets",     "letsgo",
                            "gonna",     "due",     "dues",       "asap",        "by EOD",   "by friday",
                            "by fridays", "by end of", "reminder", "assigned to", "x",       "_",
                            "9",         ":",       "-",          "'",           " ",        ".",
                            "\u00E9",    "\u017Fhould", "\u212Aeep", "\u00DF"};
    const std::size_t n = sizeof(pieces) / sizeof(pieces[0]);
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>(state >> 33);
    };
    for (int round = 0; round < 4000; ++round) {
        std::string s;
        for (std::size_t k = 0, len = 1 + next() % 5; k < len; ++k) s += pieces[next() % n];
        ASSERT_EQ(mining::hasTrigger(s), mining::hasTriggerByPattern(s)) << s;
    }
    for (const char* s : {"", "action:x", "action: x", "xaction:y", "I'll", "il'l", "by eowx", "by  friday"})
        EXPECT_EQ(mining::hasTrigger(s), mining::hasTriggerByPattern(s)) << s;
}

}  // namespace
}  // namespace tavlets
