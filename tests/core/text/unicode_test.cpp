#include "tavlets/text.hpp"

#include <gtest/gtest.h>
#include <unicode/brkiter.h>
#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringoptions.h>
#include <unicode/utext.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using namespace std::string_literals;
namespace text = tavlets::text;

namespace {

constexpr char32_t R = text::kReplacementCharacter;
using Pieces = std::vector<std::pair<char32_t, std::size_t>>;  // code point, byte length

TEST(Utf8, DecodesMaximalSubpartsAsOneReplacementEachBothWays) {
    const std::vector<std::pair<std::string, Pieces>> cases = {
        {"aé€😀", {{'a', 1}, {0xE9, 2}, {0x20AC, 3}, {0x1F600, 4}}}, {"a\0b"s, {{'a', 1}, {0, 1}, {'b', 1}}},
        {"\xEF\xBF\xBD", {{R, 3}}}, {"\xE0\x80\xAF", {{R, 1}, {R, 1}, {R, 1}}},   // an encoded U+FFFD; overlong
        {"\xED\xA0\x80", {{R, 1}, {R, 1}, {R, 1}}},                                // surrogate
        {"\xF4\x90\x80\x80", {{R, 1}, {R, 1}, {R, 1}, {R, 1}}},                    // beyond U+10FFFF
        {"\xF0\x9F\x98" "A", {{R, 3}, {'A', 1}}}, {"\x80\xFF", {{R, 1}, {R, 1}}},  // truncated; stray bytes
        {"\xE2\x82\xE2\x82\xAC", {{R, 2}, {0x20AC, 3}}},                         // a lead byte restarts decoding
    };
    for (const auto& [bytes, pieces] : cases) {
        SCOPED_TRACE(bytes);
        Pieces forward, backward;
        for (std::size_t i = 0, start = 0; i < bytes.size(); start = i) forward.push_back({text::decodeAt(bytes, i), i - start});
        for (std::size_t i = bytes.size(), end = i; i > 0; end = i) backward.insert(backward.begin(), {text::decodeBefore(bytes, i), end - i});
        EXPECT_EQ(forward, pieces);
        EXPECT_EQ(backward, pieces);
    }
}

TEST(Utf8, ValidatesStrictlyAndRepairs) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", true}, {"é€😀\xF4\x8F\xBF\xBF", true}, {"a\0b"s, true}, {"\xC0\x80", false}, {"\xED\xA0\x80", false},
        {"\xE2\x82", false}, {"abcdefghijklmnop\xFF", false},  // after a long ASCII run
        {"abcdefghijklmnop\xC3\xA9qrstuvwxyz0123456789", true},
    };
    for (const auto& [bytes, valid] : cases) EXPECT_EQ(text::isValidUTF8(bytes), valid) << bytes;
    EXPECT_EQ(text::toValidUTF8("a\xE2\x82" "b\xFF\u00E9"), "a\uFFFD" "b\uFFFD\u00E9");
    std::string out;
    for (char32_t c : {U'A', U'é', U'€', U'😀', char32_t{0xD800}, char32_t{0x110000}}) text::appendUTF8(out, c);
    EXPECT_EQ(out, "Aé€😀\uFFFD\uFFFD");
}

TEST(CharacterClasses, MatchTheirDefinitions) {
    using Row = std::tuple<char32_t, bool, bool, bool, bool>;  // whitespace, newline, White_Space, alphabetic
    const std::vector<Row> cases = {
        {'\t', 1, 0, 1, 0}, {'\r', 0, 1, 1, 0}, {0x0B, 0, 1, 1, 0}, {0x85, 0, 1, 1, 0}, {0x2029, 0, 1, 1, 0},
        {0xA0, 1, 0, 1, 0}, {0x3000, 1, 0, 1, 0}, {0x200B, 0, 0, 0, 0}, {0x1C, 0, 0, 0, 0}, {'Z', 0, 0, 0, 1},
        {0x65E5, 0, 0, 0, 1}, {'1', 0, 0, 0, 0}, {0x0301, 0, 0, 0, 0}, {0x110000, 0, 0, 0, 0},
    };
    for (const auto& row : cases) {
        const char32_t c = std::get<0>(row);
        EXPECT_EQ(Row(c, text::isWhitespace(c), text::isNewline(c), text::hasWhiteSpaceProperty(c), text::isAlphabetic(c)), row) << std::hex << unsigned(c);
    }
}

TEST(Trim, RemovesTheClassFromBothEnds) {
    using text::CharClass;
    const std::vector<std::tuple<std::string, CharClass, std::string>> cases = {
        {"  a b  \n", CharClass::whitespaceAndNewlines, "a b"}, {"  a b  \n", CharClass::whitespace, "a b  \n"},
        {"\r\n a \u2028", CharClass::newlines, " a "}, {"\u00A0\u3000a\u2009", CharClass::whitespace, "a"},
        {" \xFF a \xE2\x82 ", CharClass::whitespaceAndNewlines, "\xFF a \xE2\x82"},
        {"\u200Ba\u200B", CharClass::whitespaceAndNewlines, "\u200Ba\u200B"}, {" \t\n ", CharClass::whitespaceAndNewlines, ""},
    };
    for (const auto& [in, cls, out] : cases) EXPECT_EQ(text::trim(in, cls), out) << in;
}

TEST(SplitLines, EveryNewlineCodePointSeparates) {
    using Lines = std::vector<std::string_view>;
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"", {""}}, {"a\n", {"a", ""}}, {"a\r\nb", {"a", "", "b"}}, {"a\u2028b\u0085c\u2029", {"a", "b", "c", ""}},
        {"a\xE2\x80" "b\xC2", {"a\xE2\x80" "b\xC2"}},  // truncated sequences are not line ends
        {"\xE2\x80\u2028", {"\xE2\x80", ""}},
    };
    for (const auto& [in, lines] : cases) EXPECT_EQ(text::splitLines(in), lines) << in;
}

// Ill-formed input through every function: no crash, pieces stay on the input's bytes, built
// text is valid UTF-8.
TEST(IllFormedInput, EveryFunctionCopes) {
    std::vector<std::string> inputs = {"\xFF", "a\xE2\x82", "\xED\xA0\x80 x", "\xC0\xAF.\xE0\x80\xAF. Ab", "\r\xCC\x81\xF4\x90\x80\x80", ""};
    for (uint32_t i = 0, seed = 7; i < 4000; ++i) {  // noise, half ASCII
        seed = seed * 1664525u + 1013904223u;
        inputs.back().push_back(static_cast<char>((seed & 0x100) ? seed >> 24 : (seed >> 24) & 0x7F));
    }
    const text::Regex anything("\\w+|.", true);
    for (const auto& s : inputs) {
        SCOPED_TRACE(s.substr(0, 20));
        std::string joined;
        text::CharacterIterator it(s);
        while (auto c = it.next()) joined += *c;
        EXPECT_EQ(joined, s);
        EXPECT_TRUE(text::isValidUTF8(text::uppercased(s) + text::lowercased(s) + text::capitalized(s)));
        for (std::size_t from = 0; from < std::min<std::size_t>(s.size(), 40); ++from) {
            const auto m = anything.firstMatch(std::string_view(s).substr(from));
            EXPECT_LE(m ? m->end : 0, s.size() - from);
        }
        for (const auto& ranges : {text::sentenceRanges(s), text::wordRanges(s)})
            for (std::size_t k = 0; k < ranges.size(); ++k)
                EXPECT_TRUE((k == 0 || ranges[k - 1].end <= ranges[k].begin) && ranges[k].begin < ranges[k].end && ranges[k].end <= s.size());
        EXPECT_EQ(text::percentDecode(s), std::nullopt);
        EXPECT_EQ(text::base64Decode(s), std::nullopt);
    }
}

std::vector<std::size_t> characterEnds(std::string_view s) {
    std::vector<std::size_t> out;
    text::CharacterIterator it(s);
    while (it.next()) out.push_back(it.position());
    return out;
}

// The ASCII and property fast paths must give ICU's own boundaries at every kind of junction
// (marks after letters and controls, ZWJ sequences, flags, Hangul, Prepend, ill-formed bytes).
TEST(Characters, AgreeWithICUOnMixedText) {
    const std::vector<std::string> pieces = {
        "plain text ", "\r\n", "e\u0301", "\u0301", "\r", "\n", "\U0001F1E9\U0001F1EA", "\u0600", "x", "\xFF", "\u200D",
        "\U0001F468", "\uD55C", "   ", "\t", "\xE2\x82", "0123456789abcdef", "\u0915\u093F", "\u093F", "\u1100", "\u1161",
        "\u11A8", "\U0001F44D", "\U0001F3FD", "\u00E9", "\u65E5", "\U0001F1EB", "\x7F", "\xC3",
    };
    std::string s;
    for (uint32_t k = 0, seed = 12345; k < 3000; ++k) s += pieces[((seed = seed * 1664525u + 1013904223u) >> 8) % pieces.size()];

    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText ut = UTEXT_INITIALIZER;
    utext_openUTF8(&ut, s.data(), static_cast<int64_t>(s.size()), &status);
    it->setText(&ut, status);
    std::vector<std::size_t> expected;
    for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next()) expected.push_back(static_cast<std::size_t>(b));
    utext_close(&ut);

    EXPECT_EQ(text::characterCount(s), expected.size());
    EXPECT_EQ(characterEnds(s), expected);
    for (std::size_t n : {1, 17, 250}) EXPECT_EQ(text::prefixCharacters(s, n).size(), expected[n - 1]) << n;
}

TEST(Characters, PrefixesEndOnCharacterBoundaries) {
    const std::vector<std::tuple<std::string, std::size_t, std::string>> cases = {
        {"abc", 0, ""}, {"abc", 10, "abc"}, {"a\r\nb", 2, "a\r\n"}, {"ab\u0301c", 2, "ab\u0301"},
        {"\U0001F1E9\U0001F1EA!", 1, "\U0001F1E9\U0001F1EA"}, {"\xFF\xFE", 1, "\xFF"},
    };
    for (const auto& [s, n, prefix] : cases) EXPECT_EQ(text::prefixCharacters(s, n), prefix) << s;
    EXPECT_EQ(text::characterCount(""), 0u);
    EXPECT_EQ(text::characterCount("a\0b"s), 3u);  // a NUL is a character, not the end
    // Characters are classed by their first code point.
    EXPECT_TRUE(text::isWhitespaceCharacter("\r\n") && text::isWhitespaceCharacter("\u00A0") && text::isLetterCharacter("e\u0301"));
    EXPECT_FALSE(text::isLetterCharacter("\xFF") || text::isLetterCharacter("\u0301") || text::isWhitespaceCharacter(""));
}

TEST(CaseMapping, UsesFullLocaleIndependentMappings) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {  // text, upper, lower
        {"Hello, World! 123", "HELLO, WORLD! 123", "hello, world! 123"},
        {"straße", "STRASSE", "straße"}, {"\u0149", "\u02BCN", "\u0149"},  // ß and ŉ grow
        {"i\u0131", "II", "i\u0131"}, {"\u0130", "\u0130", "i\u0307"},  // no Turkish rules
        {"\xE2\x82z\u00E9\xFF", "\uFFFDZ\u00C9\uFFFD", "\uFFFDz\u00E9\uFFFD"},  // ill-formed bytes become U+FFFD
    };
    for (const auto& [in, upper, lower] : cases) EXPECT_EQ(std::make_pair(text::uppercased(in), text::lowercased(in)), std::make_pair(upper, lower));
}

TEST(CaseMapping, TitleCasesEachWhitespaceSeparatedWord) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"hELLO wORLD", "Hello World"}, {"  two\n\tlines\r\nhere ", "  Two\n\tLines\r\nHere "},
        {"1st place", "1st Place"}, {"(hello) don't o'neil-smith", "(Hello) Don't O'neil-smith"},
        {"\u00DFtra\u00DFe", "Sstra\u00DFe"}, {"\u01C6emal", "\u01C5emal"},  // full title mappings
        {"a\u00A0b\u3000c", "A\u00A0B\u3000C"},                             // any White_Space starts a word
        {"e\u0301t\u00C9", "E\u0301t\u00E9"}, {"a\xFF" "B c", "A\uFFFD" "b C"},
        {"\u039F\u0394\u039F\u03A3 \u0130ZM\u0130R", "\u039F\u03B4\u03BF\u03C2 \u0130zmi\u0307r"},  // final sigma
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(text::capitalized(in), out) << in;
}

// Reference: ICU title-casing a whole word from its first code point on.
std::string icuTitle(const std::string& word) {
    std::string out;
    icu::StringByteSink<std::string> sink(&out);
    UErrorCode status = U_ZERO_ERROR;
    icu::CaseMap::utf8ToTitle("", U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT, nullptr,
                              icu::StringPiece(word.data(), static_cast<int32_t>(word.size())), sink, nullptr, status);
    return out;
}

// Every 7th code point keeps this fast while still covering every block.
TEST(CaseMapping, TitleCaseAgreesWithICU) {
    for (char32_t c = 0x80; c < 0x20000; c += 7) {
        if ((c >= 0xD800 && c <= 0xDFFF) || text::hasWhiteSpaceProperty(c)) continue;
        std::string cp;
        text::appendUTF8(cp, c);
        // c inside a word, and c as a letter head.
        const std::string inside = "x" + cp + "Y";
        ASSERT_EQ(text::capitalized(inside), icuTitle(inside)) << std::hex << static_cast<uint32_t>(c);
        if (text::isAlphabetic(c)) {
            ASSERT_EQ(text::capitalized(cp + "Y"), icuTitle(cp + "Y")) << std::hex << static_cast<uint32_t>(c);
        }
    }
}

}  // namespace
