#include "mining/action_items_internal.hpp"

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"

namespace tavlets {

inline void PrintTo(const Outcome& o, std::ostream* os) {
    *os << ::testing::PrintToString(o.text) << (o.isError ? " (error)" : "") << (o.mono ? " (mono)" : "");
}

namespace {

Outcome ok(std::string text) { return Outcome{std::move(text), false, false}; }

// ---- TL;DR ----

// An embedding that knows a fixed vector for each sentence and cannot place any other.
struct FixedEmbedding : SentenceEmbedding {
    explicit FixedEmbedding(std::map<std::string, std::vector<double>> v) : vectors(std::move(v)) {}
    std::optional<std::vector<double>> vector(std::string_view sentence) const override {
        auto it = vectors.find(std::string(sentence));
        return it == vectors.end() ? std::nullopt : std::optional(it->second);
    }
    std::map<std::string, std::vector<double>> vectors;
};

const std::string kWorked = "Ship the release on Friday. The release needs final testing. Lunch is at noon today.";

TEST(TldrTest, KeywordScoring) {
    EXPECT_EQ(englishSentenceEmbedding(), nullptr);  // this build scores keywords
    for (const auto& row : readCases("tldr.tsv")) EXPECT_EQ(TextMining::tldr(row.at(0)), ok(row.at(1))) << row[0];
    for (const char* text : {"", "   \n\r\n\t ", "[x] Order new badges\n- [X] Book the venue"})
        EXPECT_EQ(TextMining::tldr(text), (Outcome{"There's nothing to summarize.", true, true})) << text;
}

TEST(TldrTest, LongSentencesAreCutAtCharacters) {
    // Combining marks make bytes and characters differ.
    auto sentenceOf = [](std::size_t characters) {
        std::string s = "Review";
        while (text::characterCount(s) + 4 < characters) s += " e\u0301e\u0301e\u0301";
        return s + std::string(characters - 1 - text::characterCount(s), 'x') + ".";
    };
    for (std::size_t n : {320u, 321u, 400u}) {
        const std::string sentence = sentenceOf(n);
        ASSERT_EQ(text::characterCount(sentence), n);
        EXPECT_EQ(TextMining::tldr(sentence), ok(n <= 320 ? sentence : std::string(text::prefixCharacters(sentence, 317)) + "\u2026"));
    }
    const std::string sentence = sentenceOf(321);  // the speaker prefix is not counted
    EXPECT_EQ(TextMining::tldr("Dana: " + sentence), ok("Dana: " + std::string(text::prefixCharacters(sentence, 317)) + "\u2026"));
}

TEST(TldrTest, EmbeddingPicksTheSentenceNearestTheCentre) {
    // All vectors point along x except the second, tilted 0.028 below the rest, less than the lead
    // bonus: with six sentences the first two get the bonus and the second wins; with five the third.
    const char* sentences[] = {"First one is a question?", "Second sentence goes here.", "Third sentence goes here.",
                               "Fourth sentence goes here.", "Fifth sentence goes here.", "Sixth sentence goes here."};
    std::map<std::string, std::vector<double>> vectors;
    std::string six;
    for (const char* s : sentences) vectors[s] = {1.0, 0.0}, six += std::string(s) + " ";
    vectors[sentences[1]] = {1.0, 0.3};
    FixedEmbedding embedding(vectors);
    EXPECT_EQ(TextMining::tldr(six, &embedding), ok(sentences[1]));
    EXPECT_EQ(TextMining::tldr(six.substr(0, six.rfind("Sixth")), &embedding), ok(sentences[2]));
}

TEST(TldrTest, EmbeddingEdgeCases) {
    // One vector is not enough: keyword scoring decides.
    const FixedEmbedding one({{"Lunch is at noon today.", {1.0, 0.0}}});
    EXPECT_EQ(TextMining::tldr(kWorked, &one), ok("The release needs final testing."));
    // The first available vector sets the length; one of another length neither adds to the
    // centre nor gets a score, and a sentence without a vector keeps 0.
    FixedEmbedding mixed({{"Ship the release on Friday.", {0.0, 1.0}}, {"The release needs final testing.", {5.0, 5.0, 5.0}},
                          {"Lunch is at noon today.", {1.0, 0.0}}, {"We met at the cafe.", {0.0, 1.0}}});
    EXPECT_EQ(TextMining::tldr(kWorked + " We met at the cafe. Nobody knows this one.", &mixed), ok("Ship the release on Friday."));
    EXPECT_EQ(TextMining::tldr("The release needs final testing. Lunch is at noon today. Ship the release on Friday.", &mixed),
              ok("The release needs final testing."));
    // Zero and empty vectors score 0; the lead bonus decides.
    FixedEmbedding zeros({{"Ship the release on Friday.", {0.0, 0.0}}, {"The release needs final testing.", {0.0, 0.0}},
                          {"Lunch is at noon today.", {}}});
    EXPECT_EQ(TextMining::tldr(kWorked, &zeros), ok("Ship the release on Friday."));
}

// ---- Action items ----

const char* const kNoItems =
    "No action items found. I look for to-dos, requests (\"can you\u2026\"), commitments (\"I'll\u2026\"), "
    "\"need to\", deadlines and unchecked [ ] boxes.";

// The rules alone: no name tagger, no date detector.
Outcome bare(std::string_view text) { return mining::actionItems(text, mining::ItemServices{}); }

TEST(ActionItemsTest, RulesAloneAndWithTheRealTaggerAndDetector) {
    for (const auto& row : readCases("action_items.tsv")) {
        const std::string& text = row.at(1);
        const Outcome got = row[0] == "rules" ? bare(text) : TextMining::actionItems(text);
        EXPECT_EQ(got, row.size() > 2 ? ok(row[2]) : (Outcome{kNoItems, true, false})) << row[0] << ": " << text;
    }
}

int namesCalls = 0;

TEST(ActionItemsTest, LimitsAtCharactersAndItems) {
    std::string exact = "Please check";  // "é" as e + combining acute: characters and bytes differ
    while (text::characterCount(exact) < 200) exact += " e\u0301";
    EXPECT_EQ(bare(exact), ok("\u2610 " + exact));
    const std::string longer = exact + std::string(50, 'x');
    EXPECT_EQ(bare(longer), ok("\u2610 " + std::string(text::prefixCharacters(longer, 197)) + "\u2026"));

    std::string twenty, fifteen;
    for (int i = 1; i <= 20; ++i) twenty += "Please do task " + std::to_string(i) + "\n";
    for (int i = 1; i <= 15; ++i) {
        if (i > 1) fifteen += '\n';
        fifteen += "\u2610 Please do task " + std::to_string(i);
    }
    EXPECT_EQ(bare(twenty), ok(fifteen));
    // It stops examining units after the fifteenth item.
    mining::actionItems(twenty, {[](std::string_view) { ++namesCalls; return std::vector<std::string>{}; }, nullptr});
    EXPECT_EQ(namesCalls, 15);
}

TEST(ActionItemsTest, ServicesFeedOwnerAndDue) {
    const mining::NameFinder names = [](std::string_view) { return std::vector<std::string>{"Alice", "Dana Scully"}; };
    const mining::ItemServices services{names, [](std::string_view s) { return s.size() < 3 ? std::nullopt : std::optional(text::Range{0, 3}); }};
    // A detected date wins over the deadline words; names skip the speaker; a commitment comes first.
    EXPECT_EQ(mining::actionItems("Alice: we must ship asap", services), ok("\u2610 we must ship asap  \u2014 Owner: Dana Scully \u00B7 Due: we "));
    EXPECT_EQ(mining::actionItems("Carol: I'll ship asap", services), ok("\u2610 I'll ship asap  \u2014 Owner: Carol \u00B7 Due: I'l"));
    EXPECT_EQ(mining::actionItems("we must ship asap", {names, nullptr}), ok("\u2610 we must ship asap  \u2014 Owner: Alice \u00B7 Due: asap"));
}

}  // namespace
}  // namespace tavlets
