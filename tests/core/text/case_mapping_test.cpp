#include "tavlets/text.hpp"

#include <gtest/gtest.h>
#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringoptions.h>

#include <string>
#include <vector>

namespace text = tavlets::text;

namespace {

struct CaseRow {
    std::string in, upper, lower;
};

TEST(CaseMapping, UsesFullLocaleIndependentMappings) {
    const std::vector<CaseRow> cases = {
        {"", "", ""},
        {"Hello, World! 123", "HELLO, WORLD! 123", "hello, world! 123"},
        {"straße", "STRASSE", "straße"},
        {"\u0149", "\u02BCN", "\u0149"},               // ŉ becomes two characters
        {"\uFB01x", "FIX", "\uFB01x"},                  // ligature fi
        {"i\u0131", "II", "i\u0131"},                   // no Turkish rules: i stays dotless in upper
        {"\u0130", "\u0130", "i\u0307"},                // dotted capital I in the root locale
        {"ÉCOLE école", "ÉCOLE ÉCOLE", "école école"},
        {"a\xFF" "b", "A\uFFFD" "B", "a\uFFFD" "b"},   // ill-formed bytes become U+FFFD
        {"\xE2\x82z\u00E9", "\uFFFDZ\u00C9", "\uFFFDz\u00E9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(text::uppercased(c.in), c.upper);
        EXPECT_EQ(text::lowercased(c.in), c.lower);
    }
}

TEST(CaseMapping, TitleCasesEachWhitespaceSeparatedWord) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"hello world", "Hello World"},
        {"hELLO wORLD", "Hello World"},
        {"  two\n\tlines\r\nhere ", "  Two\n\tLines\r\nHere "},
        {"1st place", "1st Place"},
        {"(hello) [there]", "(Hello) [There]"},
        {"don't o'neil-smith", "Don't O'neil-smith"},
        {"\u00DFtra\u00DFe", "Sstra\u00DFe"},
        {"\u01C6emal", "\u01C5emal"},                   // dz digraph takes its title form
        {"\u00E9LAN vital", "\u00C9lan Vital"},
        {"a\u00A0b\u3000c", "A\u00A0B\u3000C"},         // any White_Space starts a word
        {"\u65E5\u672C abc", "\u65E5\u672C Abc"},
        {"e\u0301t\u00C9", "E\u0301t\u00E9"},
        {"a\xFF" "B c", "A\uFFFD" "b C"},
        {"\u039F\u0394\u039F\u03A3 \u0130ZM\u0130R", "\u039F\u03B4\u03BF\u03C2 \u0130zmi\u0307r"},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(text::capitalized(in), out);
    }
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

TEST(CaseMapping, TitleCaseAgreesWithICUForEveryCodePoint) {
    for (char32_t c = 0x80; c < 0x20000; ++c) {
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
