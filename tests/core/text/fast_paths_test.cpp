// The text layer's shortcuts against the plain way they stand for, on random texts glued from
// pieces that each rule cares about.

#include "tavlets/text.hpp"

#include <gtest/gtest.h>
#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/uchar.h>

#include <atomic>
#include <cctype>
#include <optional>
#include <cstdint>
#include <string>
#include <vector>

#include <tavlets/cancel.hpp>

#include "core/test_random.hpp"

namespace text = tavlets::text;

namespace {

const std::vector<std::string> kPieces = {
    "word", "Ann", "e.g.", "Dr.", "Mr. ", "U.S.", "i.e. ", "2.5", "10", ",", ";", ":", "'", "\"", "(", ")", "-",
    "_", ".", ". ", "! ", "? ", "?!", "...", " ", "  ", "\t", "\n", "\r\n", "\r", "\v", "\f",
    "\u0085", "\u2028", "\u2029", "\u00A0", "\u3000", "\u2009", "caf\u00E9", "e\u0301", " \u0301", "\u0301",
    "Stra\u00DFe", "\u043F\u0440\u0438\u0432\u0435\u0442", "\u65E5\u672C\u8A9E", "\u6771\u4EAC\u3002",
    "\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22", "\u05E9\u05DC\u05D5\u05DD", "\u05D0\"\u05D1",
    "\u0915\u094D\u0937", "\u0600", "\U0001F468\u200D\U0001F469", "\u200D", "\U0001F1EB\U0001F1F7",
    "\U0001F1EB", "\u00AD", "\u200B", "\u2019", "\uFF0E", "\uFF01", "\u0964", "\xFF", "\xE2\x80", "\xC3"};

TEST(FastPaths, WhiteSpaceListsMatchTheProperties) {
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        const auto u = static_cast<UChar32>(c);
        ASSERT_EQ(text::hasWhiteSpaceProperty(c), static_cast<bool>(u_hasBinaryProperty(u, UCHAR_WHITE_SPACE))) << static_cast<std::uint32_t>(c);
        ASSERT_EQ(text::isWhitespace(c), c == '\t' || u_charType(u) == U_SPACE_SEPARATOR) << static_cast<std::uint32_t>(c);
    }
}

// On random texts, padded at times with ASCII runs: one segmenter used for text after text gives
// the ranges a fresh iterator gives each, sentence counts add up over pieces cut after line feeds,
// and the character tally agrees with the iterator.
TEST(FastPaths, SegmenterSentencesAndTallyAgreeWithThePlainWay) {
    Random random{7};
    text::Segmenter sentences(text::Segmenter::Kind::sentence);
    text::Segmenter words(text::Segmenter::Kind::word);
    std::vector<text::Range> found;
    for (int round = 0; round < 6000; ++round) {
        std::string s = random.glue(kPieces, 16);
        if (round % 3 == 0) s = std::string(random.below(300), 'a') + s + std::string(random.below(300), ' ');
        sentences.ranges(s, found);
        ASSERT_EQ(found, text::sentenceRanges(s)) << s;
        words.ranges(s, found);
        ASSERT_EQ(found, text::wordRanges(s)) << s;

        // Sentences never run across a line feed.
        std::size_t sum = 0;
        for (std::size_t start = 0; start < s.size();) {
            const std::size_t lf = s.find('\n', start);
            const std::size_t end = lf == std::string::npos ? s.size() : lf + 1;
            sum += text::sentenceRanges(std::string_view(s).substr(start, end - start)).size();
            start = end;
        }
        ASSERT_EQ(sum, text::sentenceRanges(s).size()) << s;

        text::CharacterTally plain;
        text::CharacterIterator it(s);
        while (const auto character = it.next()) {
            ++plain.characters;
            if (!text::isWhitespaceCharacter(*character)) ++plain.nonWhitespace;
        }
        const text::CharacterTally fast = text::tallyCharacters(s);
        ASSERT_EQ(fast.characters, plain.characters) << s;
        ASSERT_EQ(fast.nonWhitespace, plain.nonWhitespace) << s;
    }
    // Long enough to be counted in several pieces.
    std::string large;
    while (large.size() < 700 * 1024) large += random.glue(kPieces, 40);
    EXPECT_EQ(text::sentenceCount(large), text::sentenceRanges(large).size());
}

// Long texts are case-mapped a piece at a time, cut after line feeds: the same as mapping the
// whole at once, final sigmas at the cuts included.
TEST(FastPaths, PiecewiseCaseMappingAgreesWithWholeText) {
    Random random{23};
    const std::vector<std::string> parts = {"\u039F\u0394\u039F\u03A3", "\u03A3", "\u03A3\u0391\u03A3 ", "\n", "\n\u03A3",
        "\u03A3\n", "'\n", "Stra\u00DFe ", "\u0130I ", "\xFF", "\u00E9t\u00E9 ", "\u1F88 "};
    std::string s;
    while (s.size() < 2500 * 1024) s += parts[random.below(parts.size())];
    const auto whole = [&s](bool upper) {
        std::string out;
        const std::string valid = text::toValidUTF8(s);
        icu::StringByteSink<std::string> sink(&out);
        UErrorCode status = U_ZERO_ERROR;
        const icu::StringPiece piece(valid.data(), static_cast<int32_t>(valid.size()));
        if (upper) icu::CaseMap::utf8ToUpper("", 0, piece, sink, nullptr, status);
        else icu::CaseMap::utf8ToLower("", 0, piece, sink, nullptr, status);
        return out;
    };
    EXPECT_TRUE(text::lowercased(s) == whole(false));
    EXPECT_TRUE(text::uppercased(s) == whole(true));
}

// Percent-decoding byte by byte, the yardstick for the decoder that copies plain runs whole.
std::optional<std::string> plainPercentDecode(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size() || !std::isxdigit(static_cast<unsigned char>(s[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(s[i + 2])))
            return std::nullopt;
        out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
        i += 2;
    }
    if (!text::isValidUTF8(out)) return std::nullopt;
    return out;
}

TEST(FastPaths, PercentDecodingAgreesWithBytewiseDecoding) {
    const std::vector<std::string> parts = {"%", "%2", "%20", "%C3%A9", "%c3", "%A9", "%zz", "%%", "a", "caf\u00E9", "+", " ", "\xFF", "%E2%82%AC"};
    Random random{19};
    for (int round = 0; round < 6000; ++round) {
        std::string s = random.glue(parts, 9);
        if (round % 50 == 0) s = std::string(70000 + random.below(70000), 'x') + s;  // across the flag's stride
        ASSERT_EQ(text::percentDecode(s), plainPercentDecode(s)) << s.substr(0, 200);
    }
}

// With the flag already set, the long walks stop at their first check.
TEST(FastPaths, CancelledCountsStopEarly) {
    std::string large;
    while (large.size() < 4 * 1024 * 1024) large += "One sentence here. Another one!\nAnd a line \u00E9t\u00E9.\n";
    const std::string haystack = std::string(4 * 1024 * 1024, 'a') + "needle";
    const text::Regex needle("ne+dle");
    ASSERT_TRUE(needle.search(haystack));
    const std::atomic<bool> cancelled{true};
    const tavlets::CancelScope scope(&cancelled);
    EXPECT_LT(text::sentenceCount(large), 1000u);
    EXPECT_LT(text::tallyCharacters(large).characters, large.size() / 2);
    text::Segmenter sentences(text::Segmenter::Kind::sentence);
    std::vector<text::Range> found;
    sentences.ranges(large, found);  // one long text: stopped between breaks
    EXPECT_LT(found.size(), 2000u);
    EXPECT_FALSE(needle.search(haystack));  // the search gives up as at its time limit
    EXPECT_LT(text::uppercased(large).size(), large.size() / 2);
}

}  // namespace
