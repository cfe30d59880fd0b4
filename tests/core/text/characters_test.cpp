#include "tavlets/text.hpp"

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace std::string_literals;
namespace text = tavlets::text;

namespace {

// Reference: ICU's character break iterator over the whole text, without any fast path.
std::vector<std::size_t> icuBoundaries(const std::string& s) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText ut = UTEXT_INITIALIZER;
    utext_openUTF8(&ut, s.data(), static_cast<int64_t>(s.size()), &status);
    it->setText(&ut, status);
    std::vector<std::size_t> out;
    for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next()) out.push_back(static_cast<std::size_t>(b));
    utext_close(&ut);
    return out;
}

std::vector<std::string_view> characters(std::string_view s) {
    std::vector<std::string_view> out;
    text::CharacterIterator it(s);
    while (auto c = it.next()) out.push_back(*c);
    return out;
}

TEST(Characters, CountsExtendedGraphemeClusters) {
    const std::vector<std::pair<std::string, std::size_t>> cases = {
        {"", 0},
        {"abc", 3},
        {"a\r\nb", 3},
        {"\r\n\r\n", 2},
        {"\n\r", 2},
        {"\r\r\n", 2},
        {"e\u0301", 1},
        {"abc\u0301d", 4},                                      // the mark joins the last ASCII letter
        {"e\u0301\u0302x", 2},
        {"\r\u0301", 2},                                        // nothing extends a control
        {"\U0001F468\u200D\U0001F469\u200D\U0001F467", 1},      // ZWJ family
        {"\U0001F44D\U0001F3FD", 1},                            // skin tone modifier
        {"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7", 2},        // two flags
        {"\U0001F1E9\U0001F1EA\U0001F1EB", 2},                  // a flag and a lone indicator
        {"\u1100\u1161\u11A8", 1},                              // Hangul jamo syllable
        {"\uD55C\uAD6D\uC5B4", 3},
        {"\u0600ab", 2},                                        // a prepended mark takes the next letter
        {"a\xFF\xFE" "b", 4},
        {"\xE2\x82", 1},
        {"a\0b"s, 3},
        {"tab\there and\nthere", 18},
    };
    for (const auto& [s, n] : cases) {
        SCOPED_TRACE(s);
        EXPECT_EQ(text::characterCount(s), n);
        EXPECT_EQ(characters(s).size(), n);
    }
}

TEST(Characters, AgreeWithICUOnMixedText) {
    // Pieces that meet ASCII at every kind of junction, repeated so runs cross word boundaries.
    const std::vector<std::string> pieces = {
        "plain text ", "\r\n", "e\u0301", "\u0301", "\r", "\n", "\U0001F1E9\U0001F1EA", "\u0600",
        "x", "\xFF", "\u200D", "\U0001F468", "\uD55C", "   ", "\t", "\xE2\x82", "0123456789abcdef",
        "\u0915\u093F", "\u093F", "\u1100", "\u1161", "\u11A8", "\U0001F44D", "\U0001F3FD", "\u00E9",
        "\u65E5", "\U0001F1EB", "\x7F", "\xC3",
    };
    std::string s;
    uint32_t seed = 12345;  // fixed pseudo-random order, so every pair of pieces meets
    for (int k = 0; k < 3000; ++k) {
        seed = seed * 1664525u + 1013904223u;
        s += pieces[(seed >> 8) % pieces.size()];
    }

    const auto expected = icuBoundaries(s);
    EXPECT_EQ(text::characterCount(s), expected.size());
    std::vector<std::size_t> ends;
    std::size_t at = 0;
    for (auto c : characters(s)) ends.push_back(at += c.size());
    EXPECT_EQ(ends, expected);
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{17}, std::size_t{250}, expected.size()}) {
        EXPECT_EQ(text::prefixCharacters(s, n).size(), n == 0 ? 0 : expected[n - 1]) << n;
    }
}

TEST(Characters, PrefixesEndOnCharacterBoundaries) {
    struct Case {
        std::string s;
        std::size_t n;
        std::string prefix;
    };
    const std::vector<Case> cases = {
        {"abc", 0, ""},          {"abc", 2, "ab"},        {"abc", 10, "abc"},
        {"a\r\nb", 2, "a\r\n"},  {"e\u0301x", 1, "e\u0301"}, {"ab\u0301c", 2, "ab\u0301"},
        {"\U0001F1E9\U0001F1EA!", 1, "\U0001F1E9\U0001F1EA"}, {"\xFF\xFE", 1, "\xFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(text::prefixCharacters(c.s, c.n), c.prefix);
    }
}

TEST(Characters, IteratorReportsPositions) {
    const std::string s = "a\r\ne\u0301";
    text::CharacterIterator it(s);
    EXPECT_EQ(it.position(), 0u);
    EXPECT_EQ(it.next(), "a");
    EXPECT_EQ(it.next(), "\r\n");
    EXPECT_EQ(it.position(), 3u);
    EXPECT_EQ(it.next(), "e\u0301");
    EXPECT_EQ(it.next(), std::nullopt);
    EXPECT_EQ(it.next(), std::nullopt);
}

TEST(Characters, ClassifiesByFirstCodePoint) {
    const std::vector<std::tuple<std::string, bool, bool>> cases = {  // character, whitespace, letter
        {" ", true, false},      {"\r\n", true, false},   {"\u00A0", true, false}, {"a", false, true},
        {"e\u0301", false, true}, {"\u0301", false, false}, {"1", false, false},  {"\xFF", false, false},
        {"", false, false},
    };
    for (const auto& [c, whitespace, letter] : cases) {
        SCOPED_TRACE(c);
        EXPECT_EQ(text::isWhitespaceCharacter(c), whitespace);
        EXPECT_EQ(text::isLetterCharacter(c), letter);
    }
}

}  // namespace
