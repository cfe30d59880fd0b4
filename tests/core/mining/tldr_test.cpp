#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include <map>
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

// An embedding that knows a fixed vector for each sentence and cannot place any other.
class FixedEmbedding : public SentenceEmbedding {
public:
    explicit FixedEmbedding(std::map<std::string, std::vector<double>> vectors) : vectors_(std::move(vectors)) {}
    std::optional<std::vector<double>> vector(std::string_view sentence) const override {
        auto it = vectors_.find(std::string(sentence));
        if (it == vectors_.end()) return std::nullopt;
        return it->second;
    }

private:
    std::map<std::string, std::vector<double>> vectors_;
};

Outcome summary(std::string_view text) { return TextMining::tldr(text, nullptr); }
Outcome ok(std::string text) { return Outcome{std::move(text), false, false}; }

TEST(TldrTest, NothingToSummarize) {
    const Outcome nothing{"There's nothing to summarize.", true, true};
    for (const char* text : {"", "   \n\r\n\t ", "[x] Order new badges\n- [X] Book the venue"})
        EXPECT_EQ(TextMining::tldr(text), nothing) << text;
}

TEST(TldrTest, KeywordScoring) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;
    } cases[] = {
        {"shared keywords beat the lead bonus",
         "Ship the release on Friday. The release needs final testing. Lunch is at noon today.",
         "The release needs final testing."},
        {"a lone short sentence is still returned", "Hi there.", "Hi there."},
        {"all short sentences form the pool", "Yes! Deploy deploy deploy. Sure thing.", "Deploy deploy deploy."},
        // The short sentence would win on keywords, but a longer sentence exists.
        {"short sentences leave the pool", "Deploy deploy deploy. We should meet soon, maybe.",
         "We should meet soon, maybe."},
        // No keywords anywhere: the adjustments decide, and the first sentence is a question.
        {"no keywords: the question loses its lead", "Can we do it now? We can do it now. Yes we can do it.",
         "We can do it now."},
        {"no keywords: the first sentence wins", "We can do it now. Yes we can do it. Can we do it now?",
         "We can do it now."},
        // Equal final scores (the question loses its lead bonus and more): the earlier sentence.
        {"ties go to the earlier sentence",
         "Alpha bravo charlie delta? Echo foxtrot golf hotel. India juliet kilo lima.",
         "Echo foxtrot golf hotel."},
        // A question can still win.
        {"a question is penalised, not excluded",
         "Should budget budget budget budget go up? Lunch is at noon today. We met at the cafe.",
         "Should budget budget budget budget go up?"},
        // Keywords are lower-cased word tokens; punctuation and case do not split counts.
        {"keywords ignore case and punctuation",
         "We met at the cafe today. Pricing, PRICING and pricing matter. Our pricing page is live now.",
         "Pricing, PRICING and pricing matter."},
    };
    for (const Case& c : cases) EXPECT_EQ(summary(c.text), ok(c.expected)) << c.name;
}

TEST(TldrTest, SpeakerPrefix) {
    EXPECT_EQ(summary("[10:02] Alice: We agreed to launch on the 12th after the security review.\nBob: ok"),
              ok("Alice: We agreed to launch on the 12th after the security review."));
    EXPECT_EQ(summary("We agreed to launch on the 12th after the security review."),
              ok("We agreed to launch on the 12th after the security review."));
}

// A sentence of exactly `characters` user-perceived characters, with combining marks so that
// bytes and characters differ.
std::string sentenceOf(std::size_t characters) {
    std::string s = "Review";
    std::size_t count = 6;
    while (count + 4 <= characters - 1) {
        s += " e\u0301e\u0301e\u0301";
        count += 4;
    }
    while (count < characters - 1) {
        s += "x";
        ++count;
    }
    s += ".";
    return s;
}

TEST(TldrTest, LongSentencesAreCutAtCharacters) {
    for (std::size_t n : {319u, 320u, 321u, 400u}) {
        std::string sentence = sentenceOf(n);
        ASSERT_EQ(text::characterCount(sentence), n);
        Outcome out = summary(sentence);
        if (n <= 320) {
            EXPECT_EQ(out, ok(sentence)) << n;
        } else {
            EXPECT_EQ(out, ok(std::string(text::prefixCharacters(sentence, 317)) + "\u2026")) << n;
            EXPECT_EQ(text::characterCount(out.text), 318u);
        }
    }
    std::string sentence = sentenceOf(321);
    EXPECT_EQ(summary("Dana: " + sentence), ok("Dana: " + std::string(text::prefixCharacters(sentence, 317)) + "\u2026"));
}

const char* const kSentences[] = {"First one is a question?", "Second sentence goes here.",
                                  "Third sentence goes here.", "Fourth sentence goes here.",
                                  "Fifth sentence goes here.", "Sixth sentence goes here."};

std::string joined(std::size_t count) {
    std::string s;
    for (std::size_t i = 0; i < count; ++i) s += std::string(kSentences[i]) + " ";
    return s;
}

TEST(TldrTest, EmbeddingPicksTheSentenceNearestTheCentre) {
    // All vectors point along x except the second, which is tilted; it sits 0.028 below the
    // others, less than the lead bonus. With six sentences the first two (6 / 3 = 2) get the
    // bonus and the second wins; with five only the first does, and the third wins.
    std::map<std::string, std::vector<double>> vectors;
    for (const char* s : kSentences) vectors[s] = {1.0, 0.0};
    vectors[kSentences[1]] = {1.0, 0.3};
    FixedEmbedding embedding(vectors);
    EXPECT_EQ(TextMining::tldr(joined(6), &embedding), ok(kSentences[1]));
    EXPECT_EQ(TextMining::tldr(joined(5), &embedding), ok(kSentences[2]));
}

TEST(TldrTest, EmbeddingEdgeCases) {
    const std::string worked =
        "Ship the release on Friday. The release needs final testing. Lunch is at noon today.";
    // One vector is not enough: keyword scoring decides.
    FixedEmbedding one({{"Lunch is at noon today.", {1.0, 0.0}}});
    EXPECT_EQ(TextMining::tldr(worked, &one), ok("The release needs final testing."));
    FixedEmbedding none({});
    EXPECT_EQ(TextMining::tldr(worked, &none), ok("The release needs final testing."));

    // The first available vector sets the length; a vector of another length neither adds to
    // the centre nor gets a score, and a sentence without a vector keeps 0.
    FixedEmbedding mixed({{"Ship the release on Friday.", {0.0, 1.0}},
                          {"The release needs final testing.", {5.0, 5.0, 5.0}},
                          {"Lunch is at noon today.", {1.0, 0.0}},
                          {"We met at the cafe.", {0.0, 1.0}}});
    EXPECT_EQ(TextMining::tldr(worked + " We met at the cafe. Nobody knows this one.", &mixed),
              ok("Ship the release on Friday."));
    // Here the first available vector is the three-element one: it alone makes the centre, and
    // the two-element vectors are skipped with score 0.
    EXPECT_EQ(TextMining::tldr("The release needs final testing. Lunch is at noon today. Ship the release on "
                               "Friday. We met at the cafe.",
                               &mixed),
              ok("The release needs final testing."));

    // Zero and empty vectors give score 0; the lead bonus decides.
    FixedEmbedding zeros({{"Ship the release on Friday.", {0.0, 0.0}},
                          {"The release needs final testing.", {0.0, 0.0}},
                          {"Lunch is at noon today.", {}}});
    EXPECT_EQ(TextMining::tldr(worked, &zeros), ok("Ship the release on Friday."));
    // An empty first vector makes every other length a mismatch.
    FixedEmbedding emptyFirst({{"Ship the release on Friday.", {}},
                               {"The release needs final testing.", {1.0, 0.0}},
                               {"Lunch is at noon today.", {1.0, 0.0}}});
    EXPECT_EQ(TextMining::tldr(worked, &emptyFirst), ok("Ship the release on Friday."));
}

TEST(TldrTest, ThisBuildHasNoEmbedding) {
    EXPECT_EQ(englishSentenceEmbedding(), nullptr);
    const char* worked = "Ship the release on Friday. The release needs final testing. Lunch is at noon today.";
    EXPECT_EQ(TextMining::tldr(worked), ok("The release needs final testing."));
}

}  // namespace
}  // namespace tavlets
