#include "tavlets/text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace std::string_literals;
namespace text = tavlets::text;

namespace {

struct Piece {
    char32_t cp;
    std::size_t length;
    bool operator==(const Piece&) const = default;
};

std::vector<Piece> forward(std::string_view s) {
    std::vector<Piece> out;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t start = i;
        const char32_t c = text::decodeAt(s, i);
        out.push_back({c, i - start});
    }
    return out;
}

constexpr char32_t R = text::kReplacementCharacter;

struct DecodeCase {
    std::string bytes;
    std::vector<Piece> pieces;
};

TEST(Utf8, DecodesMaximalSubpartsAsOneReplacementEach) {
    const std::vector<DecodeCase> cases = {
        {"aé€😀", {{'a', 1}, {0xE9, 2}, {0x20AC, 3}, {0x1F600, 4}}},
        {"\xEF\xBF\xBD", {{R, 3}}},                          // an encoded U+FFFD is valid
        {"\xC0\xAF", {{R, 1}, {R, 1}}},                      // overlong lead
        {"\xE0\x80\xAF", {{R, 1}, {R, 1}, {R, 1}}},          // overlong three-byte form
        {"\xED\xA0\x80", {{R, 1}, {R, 1}, {R, 1}}},          // encoded surrogate
        {"\xF4\x90\x80\x80", {{R, 1}, {R, 1}, {R, 1}, {R, 1}}},  // beyond U+10FFFF
        {"\xE2\x82", {{R, 2}}},                              // truncated at the end
        {"\xF0\x9F\x98" "A", {{R, 3}, {'A', 1}}},            // truncated before ASCII
        {"\xE2\x82\xE2\x82\xAC", {{R, 2}, {0x20AC, 3}}},     // lead byte restarts decoding
        {"\x80\xBF", {{R, 1}, {R, 1}}},
        {"\xFF\xFE", {{R, 1}, {R, 1}}},
        {"a\0b"s, {{'a', 1}, {0, 1}, {'b', 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(forward(c.bytes), c.pieces);
        // Walking backwards finds the same pieces in reverse.
        std::vector<Piece> backward;
        for (std::size_t i = c.bytes.size(); i > 0;) {
            const std::size_t end = i;
            const char32_t cp = text::decodeBefore(c.bytes, i);
            backward.push_back({cp, end - i});
        }
        EXPECT_EQ(std::vector<Piece>(backward.rbegin(), backward.rend()), c.pieces);
    }
}

TEST(Utf8, ValidationIsStrict) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"", true}, {"plain ASCII text", true}, {"é€😀", true}, {"\xF4\x8F\xBF\xBF", true},
        {"\xEF\xBF\xBD", true}, {"a\0b"s, true},
        {"\xF4\x90\x80\x80", false}, {"\xC0\x80", false}, {"\xC1\xBF", false}, {"\xED\xA0\x80", false},
        {"\xE2\x82", false}, {"\xFF", false}, {"\x80", false},
        {"abcdefghijklmnop\xFF", false},    // after a long ASCII run
        {"abcdefghijklmnop\xC3\xA9qrstuvwxyz0123456789", true},
    };
    for (const auto& [bytes, valid] : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(text::isValidUTF8(bytes), valid);
        const std::string repaired = text::toValidUTF8(bytes);
        EXPECT_TRUE(text::isValidUTF8(repaired));
        if (valid) {
            EXPECT_EQ(repaired, bytes);
        }
    }
    EXPECT_EQ(text::toValidUTF8("a\xE2\x82" "b\xFF"), "a\uFFFD" "b\uFFFD");
}

TEST(Utf8, AppendsEncodings) {
    std::string out;
    for (char32_t c : {U'A', U'é', U'€', U'😀', char32_t{0xD800}, char32_t{0x110000}}) text::appendUTF8(out, c);
    EXPECT_EQ(out, "Aé€😀\uFFFD\uFFFD");
}

TEST(CharacterClasses, MatchTheirDefinitions) {
    struct Case {
        char32_t c;
        bool whitespace, newline, whiteSpaceProperty, alphabetic;
    };
    const std::vector<Case> cases = {
        {' ', true, false, true, false},      {'\t', true, false, true, false},
        {'\n', false, true, true, false},     {'\r', false, true, true, false},
        {0x0B, false, true, true, false},     {0x0C, false, true, true, false},
        {0x85, false, true, true, false},     {0x2028, false, true, true, false},
        {0x2029, false, true, true, false},   {0xA0, true, false, true, false},
        {0x2009, true, false, true, false},   {0x3000, true, false, true, false},
        {0x200B, false, false, false, false}, {0xFEFF, false, false, false, false},
        {0x1C, false, false, false, false},   {'a', false, false, false, true},
        {'Z', false, false, false, true},     {0xE9, false, false, false, true},
        {0x65E5, false, false, false, true},  {'1', false, false, false, false},
        {'_', false, false, false, false},    {0x0301, false, false, false, false},
        {R, false, false, false, false},      {0x110000, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.c));
        EXPECT_EQ(text::isWhitespace(c.c), c.whitespace);
        EXPECT_EQ(text::isNewline(c.c), c.newline);
        EXPECT_EQ(text::isWhitespaceOrNewline(c.c), c.whitespace || c.newline);
        EXPECT_EQ(text::hasWhiteSpaceProperty(c.c), c.whiteSpaceProperty);
        EXPECT_EQ(text::isAlphabetic(c.c), c.alphabetic);
    }
}

TEST(Trim, RemovesTheClassFromBothEnds) {
    using text::CharClass;
    struct Case {
        std::string in;
        CharClass cls;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"  a b  \n", CharClass::whitespaceAndNewlines, "a b"},
        {"  a b  \n", CharClass::whitespace, "a b  \n"},
        {"\r\n a \r\n", CharClass::newlines, " a "},
        {"\u00A0\u3000a\u2009", CharClass::whitespace, "a"},
        {"\u2028a\u0085", CharClass::newlines, "a"},
        {" \xFF a \xE2\x82 ", CharClass::whitespaceAndNewlines, "\xFF a \xE2\x82"},
        {"\u200Ba\u200B", CharClass::whitespaceAndNewlines, "\u200Ba\u200B"},
        {"", CharClass::whitespaceAndNewlines, ""},
        {" \t\n\r ", CharClass::whitespaceAndNewlines, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(text::trim(c.in, c.cls), c.out);
    }
}

TEST(SplitLines, EveryNewlineCodePointSeparates) {
    using Lines = std::vector<std::string_view>;
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"", {""}},
        {"a", {"a"}},
        {"a\n", {"a", ""}},
        {"a\r\nb", {"a", "", "b"}},
        {"\v\f", {"", "", ""}},
        {"a\u2028b\u0085c\u2029", {"a", "b", "c", ""}},
        {"a\xE2\x80" "b\xC2", {"a\xE2\x80" "b\xC2"}},  // truncated sequences are not line ends
        {"\xE2\x80\u2028", {"\xE2\x80", ""}},
    };
    for (const auto& [in, lines] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(text::splitLines(in), lines);
    }
}

}  // namespace

namespace {

// Ill-formed input goes through every function: no crash, pieces stay on the input's bytes,
// built text is valid UTF-8.
TEST(IllFormedInput, EveryFunctionCopes) {
    std::vector<std::string> inputs = {"\xFF", "\x80\x80", "a\xE2\x82", "\xF0\x9F\x98", "\xED\xA0\x80 x",
                                       "\xC0\xAF.\xE0\x80\xAF. Ab", "\r\xCC\x81\xF4\x90\x80\x80"};
    std::string noise;
    uint32_t seed = 7;
    for (int i = 0; i < 4000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const auto b = static_cast<unsigned char>(seed >> 24);
        noise.push_back(static_cast<char>((seed & 0x100) ? b : (b & 0x7F)));  // half ASCII, half anything
    }
    inputs.push_back(noise);
    const text::Regex anything("\\w+|.", true);
    for (const auto& s : inputs) {
        SCOPED_TRACE(s.substr(0, 20));
        std::string joined;
        text::CharacterIterator it(s);
        while (auto c = it.next()) joined += *c;
        EXPECT_EQ(joined, s);
        EXPECT_LE(text::prefixCharacters(s, 3).size(), s.size());
        const std::string_view trimmed = text::trim(s);
        EXPECT_TRUE(trimmed.empty() || (trimmed.data() >= s.data() && trimmed.data() + trimmed.size() <= s.data() + s.size()));
        std::size_t lineBytes = 0;
        for (auto line : text::splitLines(s)) lineBytes += line.size();
        EXPECT_LE(lineBytes, s.size());
        for (const auto& built : {text::uppercased(s), text::lowercased(s), text::capitalized(s), text::toValidUTF8(s)})
            EXPECT_TRUE(text::isValidUTF8(built));
        for (std::size_t from = 0; from < std::min<std::size_t>(s.size(), 40); ++from) {
            const std::string_view rest = std::string_view(s).substr(from);
            if (const auto m = anything.firstMatch(rest)) {
                EXPECT_LE(m->begin, m->end);
                EXPECT_LE(m->end, rest.size());
            }
        }
        for (const auto& ranges : {text::sentenceRanges(s), text::wordRanges(s)}) {
            std::size_t last = 0;
            for (const auto& r : ranges) {
                EXPECT_LE(last, r.begin);
                EXPECT_LT(r.begin, r.end);
                EXPECT_LE(r.end, s.size());
                last = r.end;
            }
        }
        EXPECT_EQ(text::percentDecode(s), std::nullopt);
        EXPECT_EQ(text::base64Decode(s), std::nullopt);
    }
}

}  // namespace
