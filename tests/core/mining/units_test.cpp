#include <tavlets/text_mining.hpp>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/text.hpp>

#include "mining/mining_shared.hpp"

namespace tavlets {
namespace {

using Unit = TextMining::Unit;

Unit unit(std::string text, std::optional<std::string> speaker = std::nullopt, bool unchecked = false) {
    return Unit{std::move(speaker), std::move(text), unchecked};
}

struct UnitsCase {
    const char* name;
    std::string input;
    std::vector<Unit> units;
};

void PrintTo(const UnitsCase& c, std::ostream* os) { *os << c.name; }

class UnitsTest : public testing::TestWithParam<UnitsCase> {};

TEST_P(UnitsTest, Units) { EXPECT_EQ(TextMining::units(GetParam().input), GetParam().units); }

INSTANTIATE_TEST_SUITE_P(
    TextMining, UnitsTest,
    testing::Values(
        UnitsCase{"OnlySpacesAndBreaks", "  \n\t\r\n \u3000 \n", {}},
        UnitsCase{"BracketTimestampTwoSentences", "[10:32] Alice: Let's ship it. Bob will test it.",
                  {unit("Let's ship it.", "Alice"), unit("Bob will test it.", "Alice")}},
        UnitsCase{"ClockTimeWithDash", "(9:05 PM) - Bob Smith: ok", {unit("ok", "Bob Smith")}},
        UnitsCase{"EnDash", "14:02 \u2013 Dana: done", {unit("done", "Dana")}},
        UnitsCase{"AtSign", "@Eve: see you", {unit("see you", "Eve")}},
        UnitsCase{"SecondsAndLowerCaseMarker", "  12:30:15am Zo\u00EB O\u2019Neil-Smith: hi",
                  {unit("hi", "Zo\u00EB O\u2019Neil-Smith")}},
        UnitsCase{"LowerCaseIsNoSpeaker", "alice: hi", {unit("alice: hi")}},
        UnitsCase{"NoSpaceAfterColon", "Alice:hi", {unit("Alice:hi")}},
        UnitsCase{"NothingAfterColon", "Alice: ", {unit("Alice:")}},
        UnitsCase{"SecondWordLowerCase", "Meeting notes: tomorrow", {unit("Meeting notes: tomorrow")}},
        UnitsCase{"FourWordsIsNoSpeaker", "A B C D: x", {unit("A B C D: x")}},
        UnitsCase{"NoteHeadKept", "Note: the office is closed", {unit("Note: the office is closed")}},
        UnitsCase{"ActionItemsHeadKept", "Action Items: send the deck",
                  {unit("Action Items: send the deck")}},
        UnitsCase{"UncheckedBox", "- [ ] Book the venue", {unit("Book the venue", std::nullopt, true)}},
        UnitsCase{"Bullet", "\u2022 Book the venue", {unit("Book the venue")}},
        UnitsCase{"BulletNeedsSpace", "-Book the venue", {unit("-Book the venue")}},
        UnitsCase{"CheckedBox", "[x] Book the venue", {}},
        UnitsCase{"CheckedBoxAfterBullet", "* [X] Book the venue", {}},
        UnitsCase{"BoxIsTagOfChatLine", "[ ] Alice: send the deck", {unit("send the deck", "Alice")}},
        UnitsCase{"CheckedTagOfChatLine", "[x] Alice: done", {unit("done", "Alice")}},
        UnitsCase{"CheckedBoxInMessage", "Alice: [x] done", {}},
        UnitsCase{"UncheckedBoxInMessage", "Bob: - [ ] call Ann", {unit("call Ann", "Bob", true)}},
        UnitsCase{"EmptyBox", "- [ ]", {}},
        UnitsCase{"CRLFLines", "Alice: one.\r\nBob: two.\r\n",
                  {unit("one.", "Alice"), unit("two.", "Bob")}},
        UnitsCase{"OtherLineSeparators", "First one\u2028Second one\u0085Third",
                  {unit("First one"), unit("Second one"), unit("Third")}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CountCase {
    const char* name;
    std::string input;
    std::size_t words;
    std::size_t chatLines;
};

void PrintTo(const CountCase& c, std::ostream* os) { *os << c.name; }

class CountTest : public testing::TestWithParam<CountCase> {};

TEST_P(CountTest, Counts) {
    EXPECT_EQ(TextMining::wordCount(GetParam().input), GetParam().words);
    EXPECT_EQ(TextMining::chatLineCount(GetParam().input), GetParam().chatLines);
}

INSTANTIATE_TEST_SUITE_P(
    TextMining, CountTest,
    testing::Values(
        CountCase{"Empty", "", 0, 0},
        CountCase{"Blank", " \n\r\n\t\u00A0\u3000\u2028", 0, 0},
        CountCase{"RunsOfSpace", "one  two\nthree", 3, 0},
        CountCase{"ChatAndTodo", "Alice: hi\nBob: hello\nTODO: lunch", 6, 2},
        CountCase{"CRLFChat", "Alice: hi\r\nBob: yo\r\nCy: ok", 6, 3},
        CountCase{"IndentedChat", "\t [Mon 9:05]  Alice: hi", 4, 1},
        CountCase{"NotSpeakersAnyCase", "Fyi: x\nNext Steps: y\nACTION item: z\nAction Item: w", 11, 0},
        // A space with a combining mark stays white space; after a line end the mark is a character.
        CountCase{"MarkOnSpace", "a \u0301b", 2, 0},
        CountCase{"MarkAfterLineEnd", "a\n\u0301 b", 3, 0},
        // Space right after a Prepend code point belongs to that character.
        CountCase{"PrependAbsorbsSpace", "a\u0600 b", 1, 0},
        CountCase{"PrependBeforeLineEnd", "a\u0600\nb", 2, 0},
        CountCase{"EmojiSequences", "\U0001F468\u200D\U0001F469\u200D\U0001F467 \U0001F44D\U0001F3FD", 2, 0},
        CountCase{"NulAndInvalidBytes", std::string("\0 \xff \xed\xa0\x80 \xc3", 9), 4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// Word counting by plain character iteration, the yardstick for the fast pass.
std::size_t referenceWordCount(std::string_view s) {
    std::size_t count = 0;
    bool inWord = false;
    text::CharacterIterator it(s);
    while (auto c = it.next()) {
        const bool space = text::isWhitespaceCharacter(*c);
        if (!space && !inWord) ++count;
        inWord = !space;
    }
    return count;
}

TEST(TextMiningTest, WordCountAgreesWithCharacterWalk) {
    const std::vector<std::string> pieces = {
        "a", "b", " ", " ", "\t", "\n", "\r", "\r\n", "\u0301", "\u0600", "\u200D", "\u0903",
        "\u00A0", "\u3000", "\u0085", "\u2028", "\u200B", "\U0001F44D", "\U0001F3FD", "\U0001F1EB",
        "\xff", "\xed\xa0\x80", std::string(1, '\0'), "\u0915"};
    std::mt19937 random(61);
    for (int round = 0; round < 5000; ++round) {
        std::string s;
        const int length = static_cast<int>(random() % 12);
        for (int i = 0; i < length; ++i) s += pieces[random() % pieces.size()];
        ASSERT_EQ(TextMining::wordCount(s), referenceWordCount(s)) << testing::PrintToString(s);
    }
}

// The speaker test reads only a line's head; it must answer exactly as the full pattern does.
TEST(TextMiningTest, ChatLineAgreesWithPattern) {
    const std::vector<std::string> pieces = {
        "Alice", "Bob", "Al", " ", " ", ":", ": ", ":\u00A0", "[10:32]", "[", "]", "(9:05 PM)", "14:02",
        "-", "\u2013", "@", "x", "\u2019", "'", ".", "1", "\u00E9", "\xff", "Zz", "\t", "(", ")",
        ",", "\u0301", "TODO", std::string(40, 'b'), std::string(130, 'C'), "A" + std::string(150, ' '),
        "[Mon, 9:05 \u00E9\u00E9\u00E9: a;b]", "[" + std::string(29, ':') + "]", "Cy: "};
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int length = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < length; ++i) s += pieces[random() % pieces.size()];
        const std::string_view line = text::trim(s, text::CharClass::whitespace);
        std::optional<std::pair<std::string_view, std::string_view>> expected;
        if (const auto m = mining::speakerRegex().firstMatch(line)) {
            if (!mining::isNotSpeaker(*m->group(line, 1))) expected.emplace(*m->group(line, 1), *m->group(line, 2));
        }
        std::optional<std::pair<std::string_view, std::string_view>> actual;
        if (const auto chat = mining::chatLine(line)) actual.emplace(chat->speaker, chat->message);
        ASSERT_EQ(actual, expected) << testing::PrintToString(s);
    }
}

TEST(TextMiningTest, SentenceCount) {
    EXPECT_EQ(TextMining::sentenceCount(""), 0u);
    EXPECT_EQ(TextMining::sentenceCount(" \n \r\n "), 0u);
    EXPECT_EQ(TextMining::sentenceCount("One here. Two here! Three?"), 3u);
}

TEST(TextMiningTest, WordsLowerCased) {
    EXPECT_EQ(TextMining::words("Hello, World!"), (std::vector<std::string>{"hello", "world"}));
    EXPECT_EQ(TextMining::words("\u00C9T\u00C9 \u0130 the the"),
              (std::vector<std::string>{"\u00E9t\u00E9", "i\u0307", "the", "the"}));
    EXPECT_TRUE(TextMining::words("  ...  ").empty());
}

TEST(TextMiningTest, NotSpeakersCompareUpperCased) {
    for (const char* head : {"todo", "Action Items", "tl;dr", "Next Steps"}) EXPECT_TRUE(mining::isNotSpeaker(head));
    for (const char* name : {"Alice", "TODOS", ""}) EXPECT_FALSE(mining::isNotSpeaker(name));
    EXPECT_FALSE(mining::isStopWord("The"));  // exact: callers lower-case first
}

// Whatever the bytes, every function answers and units keep to their promises.
TEST(TextMiningTest, HostileInput) {
    const std::string hostile = std::string("Al\0ice: x\n", 10) + "Bob: \xff\xfe. \xed\xa0\x80 ok.\n" +
                                "\u0301: \u0301\n[\xc3] Cy: a\U0001F468\u200D\U0001F469 b.\n\xe2\x80";
    const auto units = TextMining::units(hostile);
    for (const Unit& u : units) EXPECT_FALSE(u.text.empty());
    std::vector<std::string> speakers;
    for (const Unit& u : units) {
        if (u.speaker && (speakers.empty() || speakers.back() != *u.speaker)) speakers.push_back(*u.speaker);
    }
    EXPECT_EQ(speakers, (std::vector<std::string>{"Bob", "Cy"}));
    EXPECT_EQ(TextMining::chatLineCount(hostile), 2u);
    EXPECT_EQ(TextMining::wordCount(hostile), 12u);
    EXPECT_EQ(TextMining::wordCount(hostile), referenceWordCount(hostile));
    TextMining::sentenceCount(hostile);
    TextMining::words(hostile);
}

}  // namespace
}  // namespace tavlets
