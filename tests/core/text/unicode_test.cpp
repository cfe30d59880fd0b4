#include "tavlets/names.hpp"
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
#include <sstream>
#include <string>
#include <vector>

#include "test_cases.hpp"

namespace text = tavlets::text;

namespace {

TEST(Utf8, AppendsReplacementForNonScalars) {
    std::string out;
    for (char32_t c : {U'A', U'é', U'€', U'😀', char32_t{0xD800}, char32_t{0x110000}}) text::appendUTF8(out, c);
    EXPECT_EQ(out, "Aé€😀\uFFFD\uFFFD");
}

TEST(TextFunctions, Table) {
    const auto pieces = [](const std::string& s, const std::vector<text::Range>& ranges) {
        std::vector<std::string> out;
        for (const auto& r : ranges) out.push_back(r.begin < r.end && r.end <= s.size() ? s.substr(r.begin, r.end - r.begin) : "<bad range>");
        return joined(out);
    };
    using text::CharClass;
    StringFunctions functions = {
        {"decode", [](const std::string& s) {
             const auto piece = [](char32_t c, std::size_t bytes) {
                 std::ostringstream out;
                 out << std::uppercase << std::hex << std::uint32_t(c) << "/" << std::dec << bytes;
                 return out.str();
             };
             std::vector<std::string> forward, backward;
             for (std::size_t i = 0, start = 0; i < s.size(); start = i) {
                 const char32_t c = text::decodeAt(s, i);
                 forward.push_back(piece(c, i - start));
             }
             for (std::size_t i = s.size(), end = i; i > 0; end = i) {
                 const char32_t c = text::decodeBefore(s, i);
                 backward.insert(backward.begin(), piece(c, end - i));
             }
             EXPECT_EQ(backward, forward) << "backwards";
             return joined(forward);
         }},
        {"valid", [](const std::string& s) { return text::isValidUTF8(s) ? "yes" : "no"; }},
        {"repair", [](const std::string& s) { return text::toValidUTF8(s); }},
        {"trim", [](const std::string& s) { return std::string(text::trim(s, CharClass::whitespaceAndNewlines)); }},
        {"trim-ws", [](const std::string& s) { return std::string(text::trim(s, CharClass::whitespace)); }},
        {"trim-nl", [](const std::string& s) { return std::string(text::trim(s, CharClass::newlines)); }},
        {"lines", [](const std::string& s) {
             const auto lines = text::splitLines(s);
             return joined(std::vector<std::string>(lines.begin(), lines.end()));
         }},
        {"upper", [](const std::string& s) { return text::uppercased(s); }},
        {"lower", [](const std::string& s) { return text::lowercased(s); }},
        {"title", [](const std::string& s) { return text::capitalized(s); }},
        {"sentences", [&](const std::string& s) { return pieces(s, text::sentenceRanges(s)); }},
        {"sentence count", [](const std::string& s) { return std::to_string(text::sentenceCount(s)); }},
        {"words", [&](const std::string& s) { return pieces(s, text::wordRanges(s)); }},
        {"percent", [](const std::string& s) { return text::percentDecode(s).value_or("<none>"); }},
        {"base64", [](const std::string& s) { return text::base64Encode(s); }},
        {"unbase64", [](const std::string& s) { return text::base64Decode(s).value_or("<none>"); }},
        {"names", [](const std::string& s) { return joined(text::personalNames(s)); }},
        {"classes", [](const std::string& s) {  // of a code point written in hex
             const auto c = static_cast<char32_t>(std::stoul(s, nullptr, 16));
             return std::string{"-w"[text::isWhitespace(c)], "-n"[text::isNewline(c)], "-W"[text::hasWhiteSpaceProperty(c)], "-a"[text::isAlphabetic(c)]};
         }},
        {"characters", [](const std::string& s) { return std::to_string(text::characterCount(s)); }},
        {"character class", [](const std::string& s) { return std::string{"-w"[text::isWhitespaceCharacter(s)], "-l"[text::isLetterCharacter(s)]}; }},
    };
    for (std::size_t n : {0, 1, 2, 10})
        functions["prefix " + std::to_string(n)] = [n](const std::string& s) { return std::string(text::prefixCharacters(s, n)); };
    checkFunctions("text_functions.tsv", functions);
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
