// Text mining's shortcuts against the plain ways they stand for (the regular expressions, one
// break iterator per text, a word list per sentence), on random texts glued from pieces each rule
// cares about.

#include <tavlets/text_mining.hpp>

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <tavlets/cancel.hpp>

#include "mining/action_items_internal.hpp"
#include "mining/keyword_index.hpp"
#include "mining/mining_shared.hpp"
#include "text/byte_scan.hpp"

#include "core/test_random.hpp"

namespace tavlets {
namespace {

// The speaker tests read only a line's head; they must answer exactly as the full pattern does,
// on heads of every shape and on long lines.
TEST(MiningFastPaths, SpeakerHeadAndChatLineAgreeWithThePattern) {
    const std::vector<std::string> pieces = {
        "[", "]", "[10:32]", "[tag with words]", "10", "9", "\u0663", ":", ":3", "32", "(", ")", " ", "  ", "\t",
        "\u00A0", "\u0085", "AM", "pm", "Pm", "aM", "-", "\u2013", "@", "Ann", "Bob", "O'Brien", "Ann-Marie",
        "Zo\u00EB", "\u00C9mile", "O\u2019Neil", "Dr.", "x", "ann", "Ann:", ": ", ":\t", "\u0301", "\xFF", "\xE2\x80",
        "Ann Bob", " Cid", "TODO", "\u65E5", "_", "1", "12:30", "12:30:15", "(9:05 PM)", "Al", ":\u00A0", "14:02", "'",
        ".", ",", "Zz", std::string(40, 'b'), std::string(130, 'C'), "A" + std::string(150, ' '),
        "[Mon, 9:05 \u00E9\u00E9\u00E9: a;b]", "[" + std::string(29, ':') + "]", "Cy: "};
    Random random{3};
    for (int round = 0; round < 20000; ++round) {
        const std::string s = random.glue(pieces, 9);
        ASSERT_EQ(mining::speakerHead(s), mining::speakerHeadByPattern(s)) << s;
        if (text::splitLines(s).size() > 1) continue;  // a chat line is one line
        const std::string_view line = text::trim(s, text::CharClass::whitespace);
        std::optional<std::pair<std::string_view, std::string_view>> expected, actual;
        if (const auto m = mining::speakerRegex().firstMatch(line); m && !mining::isNotSpeaker(*m->group(line, 1)))
            expected.emplace(*m->group(line, 1), *m->group(line, 2));
        if (const auto chat = mining::chatLine(line)) actual.emplace(chat->speaker, chat->message);
        ASSERT_EQ(actual, expected) << testing::PrintToString(s);
    }
}

// The units as the regular expressions and a break iterator per line find them.
std::vector<TextMining::Unit> plainUnits(std::string_view input) {
    static const text::Regex bullet("^[-*\u2022]\\s+");
    static const text::Regex checkbox("^\\[( |x|X)\\]\\s*");
    std::vector<TextMining::Unit> units;
    scan::forEachLine(input, [&](std::string_view piece) {
        const std::string_view line = text::trim(piece, text::CharClass::whitespace);
        if (line.empty()) return true;
        std::optional<std::string> speaker;
        std::string_view body = line;
        if (const auto chat = mining::chatLine(line)) {
            speaker = std::string(chat->speaker);
            body = chat->message;
        }
        if (const auto m = bullet.firstMatch(body)) body.remove_prefix(m->end);
        bool unchecked = false;
        if (const auto box = checkbox.firstMatch(body)) {
            if (body.substr(0, box->end).find_first_of("xX") != std::string_view::npos) return true;
            unchecked = true;
            body.remove_prefix(box->end);
        }
        if (body.empty()) return true;
        for (const text::Range& r : text::sentenceRanges(body)) {
            const std::string_view sentence = text::trim(body.substr(r.begin, r.end - r.begin));
            if (!sentence.empty()) units.push_back({speaker, std::string(sentence), unchecked});
        }
        return true;
    });
    return units;
}

TEST(MiningFastPaths, UnitsAgreeWithThePlainWay) {
    const std::vector<std::string> pieces = {
        "- ", "-", "* ", "*\t", "\u2022 ", "\u2022\u00A0", "[ ] ", "[x]", "[X] ", "[ ]", "[y] ", "Ann: ", "[10:32] Bob: ",
        "Note: ", "\n", "\r\n", "\u2028", " ", "\t", "Send the deck. ", "Dr. Who came! ", "is it ok? ", "e.g. this",
        "\u65E5\u672C\u3002", "\u00E9t\u00E9", "\u0301", "\xFF", "\u3000", "ok"};
    Random random{5};
    for (int round = 0; round < 5000; ++round) {
        const std::string s = random.glue(pieces, 14);
        ASSERT_EQ(TextMining::units(s), plainUnits(s)) << s;
    }
}

// The keyword ids of many sentences against each sentence's word list, interned in order of
// first appearance.
TEST(MiningFastPaths, KeywordIdsAgreeWithWordLists) {
    const std::vector<std::string> pieces = {
        "budget", "Budget", "BUDGET", "the", "would", "about", "team's", "don't", "2.5", "1,000", "e.g.", "Stra\u00DFe",
        "STRASSE", "\u043F\u0440\u0438\u0432\u0435\u0442", "\u65E5\u672C\u8A9E\u3067\u3059", "\u0E20\u0E32\u0E29\u0E32",
        "caf\u00E9", "cafe\u0301", "\u0301", "\u200D", "\u00AD", "\U0001F44D\U0001F3FD", "\u05D0\"\u05D1", " ", "  ", " ",
        "\u3000", "\u00A0", "-", ".", ",", "'", ":", "_", "\xFF", "x", "\u0130stanbul", "\u03A3\u039F\u03A6\u039F\u03A3"};
    Random random{9};
    mining::KeywordIndex index;
    std::map<std::string, std::uint32_t> plainIds;
    std::deque<std::string> texts;  // the index remembers slices of them
    for (int round = 0; round < 5000; ++round) {
        const std::string& s = texts.emplace_back(random.glue(pieces, 12));
        std::vector<std::uint32_t> fast, plain;
        index.keywords(s, fast);
        for (const std::string& word : TextMining::words(s)) {
            if (text::characterCount(word) < 4 || mining::isStopWord(word)) continue;
            plain.push_back(plainIds.try_emplace(word, static_cast<std::uint32_t>(plainIds.size())).first->second);
        }
        ASSERT_EQ(fast, plain) << s;
        // Cutting never changes the words: the pieces' ranges put together are the text's.
        std::vector<text::Range> together;
        std::size_t start = 0;
        std::vector<std::size_t> cuts = mining::KeywordIndex::cuts(s);
        cuts.push_back(s.size());
        for (const std::size_t cut : cuts) {
            for (const text::Range& r : text::wordRanges(std::string_view(s).substr(start, cut - start)))
                together.push_back({start + r.begin, start + r.end});
            start = cut;
        }
        ASSERT_EQ(together, text::wordRanges(s)) << s;
    }
}

// The byte-level trigger and request tests against the patterns, on trigger words in several
// spellings (and near misses), glued to letters, digits, punctuation and look-alikes beyond ASCII.
TEST(MiningFastPaths, TriggerAndRequestWordsAgreeWithThePatterns) {
    const std::vector<std::string> pieces = {
        "todo", "TO-DO", "to do", "Action item", "actions:", "follow-up", "followup", "Follow Up", "needs to", "need",
        "mustard", "should", "make sure", "dont forget", "don't", "remember to", "PLEASE", "canyou", "I'LL", "well",
        "we'll", "let's", "lets", "letsgo", "gonna", "dues", "asap", "by EOD", "by fridays", "by end of", "reminder",
        "assigned to", "_", "9",
        "please", "Please", "can you", "CAN YOU", "need to", "must", "i'll", "ill", "by friday", "action:", "due",
        "\u00E9", "\u00E9please", "please\u00E9", "\u0301", "\u200D", "\u00AD", "\u2014", "\u043F", "\u65E5", " ", "x",
        "\u017Fhould", "\u212Aeep", "\u00DF", "a\u00DFigned to", "a\u1E9Eigned", "\uFB01", "\u0130", "\xFF", "-", "'",
        ":", "?", "mu\u017Ft", "ha\u017F to", "let\u017F", "a\u017Fap", "\uFB05", "\uFB06", "\u0130 will", "\u0149",
        "\u1E97", "Stra\u00DFe", "\u212A", "follow\uFB00"};
    Random random{17};
    for (int round = 0; round < 20000; ++round) {
        const std::string s = random.glue(pieces, 6);
        ASSERT_EQ(mining::hasTrigger(s), mining::hasTriggerByPattern(s)) << s;
        ASSERT_EQ(mining::hasRequest(s), mining::hasRequestByPattern(s)) << s;
    }
}

// The byte test trusts that no other code point case-folds to something with ASCII letters.
TEST(MiningFastPaths, FoldingToAsciiListIsComplete) {
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        UChar source[2];
        int32_t length = 0;
        U16_APPEND_UNSAFE(source, length, static_cast<UChar32>(c));
        UChar folded[8];
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = u_strFoldCase(folded, 8, source, length, U_FOLD_CASE_DEFAULT, &status);
        bool ascii = false;
        for (int32_t k = 0; k < n; ++k) ascii = ascii || (folded[k] >= 'a' && folded[k] <= 'z');
        ASSERT_EQ(mining::foldsToAscii(c), ascii) << static_cast<std::uint32_t>(c);
    }
}

// With the flag already set, each engine stops at its first check and its answer is cut short.
TEST(MiningFastPaths, CancelledRunsStopEarly) {
    std::string large;
    while (large.size() < 4 * 1024 * 1024)
        large += "[10:32] Ann: The budget review moved to Friday. Revenue grew again.\nBob: Please send the deck.\n";
    const std::atomic<bool> cancelled{true};
    const CancelScope scope(&cancelled);
    EXPECT_LT(TextMining::units(large).size(), 5000u);
    std::size_t seen = 0;
    EXPECT_FALSE(mining::forEachUnit(large, [&seen](const mining::UnitView&) { return ++seen > 0; }));
    EXPECT_LT(seen, 5000u);
    EXPECT_LT(TextMining::sentenceCount(large), 10000u);
}

}  // namespace
}  // namespace tavlets
