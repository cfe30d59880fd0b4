#include "tavlets/text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace std::string_literals;
namespace text = tavlets::text;

namespace {

std::vector<std::string> pieces(const std::string& s, const std::vector<text::Range>& ranges) {
    std::vector<std::string> out;
    std::size_t last = 0;
    for (const auto& r : ranges) {
        EXPECT_LE(last, r.begin);
        EXPECT_LT(r.begin, r.end);
        EXPECT_LE(r.end, s.size());
        if (r.begin >= r.end || r.end > s.size()) continue;
        out.push_back(s.substr(r.begin, r.end - r.begin));
        last = r.end;
    }
    return out;
}

TEST(Sentences, SplitsWithAbbreviationsSuppressed) {
    using S = std::vector<std::string>;
    const std::vector<std::pair<std::string, S>> cases = {
        {"", {}},
        {"  \n\t \r\n", {}},
        {"Hello", {"Hello"}},
        {"Dr. Smith arrived. He sat.", {"Dr. Smith arrived. ", "He sat."}},
        {"Mr. Jones came. e.g. this is fine.", {"Mr. Jones came. e.g. this is fine."}},
        {"One. Two! Three? Four", {"One. ", "Two! ", "Three? ", "Four"}},
        {"First line\n\nSecond line", {"First line\n", "Second line"}},  // the blank line is dropped
        {"\xFF Bad. Next \xE2\x82 one.", {"\xFF Bad. ", "Next \xE2\x82 one."}},
        {"Caf\u00E9. Dr. M\u00FCller kam. Er sa\u00DF.", {"Caf\u00E9. ", "Dr. M\u00FCller kam. ", "Er sa\u00DF."}},
    };
    for (const auto& [s, expected] : cases) {
        SCOPED_TRACE(s);
        const auto ranges = text::sentenceRanges(s);
        EXPECT_EQ(pieces(s, ranges), expected);
        EXPECT_EQ(text::sentenceCount(s), expected.size());
    }
}

TEST(Sentences, ShareTheirRulesAcrossThreads) {
    const std::string s = "Mr. Jones came. He sat. \u00C9t\u00E9! Fin?";
    const auto expected = text::sentenceRanges(s);
    std::vector<int> same(4, 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < same.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) same[t] += text::sentenceRanges(s) == expected && text::wordRanges(s).size() == 7;
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(same, std::vector<int>(4, 100));
}

TEST(Words, KeepsWordTokensOnly) {
    using W = std::vector<std::string>;
    const std::vector<std::pair<std::string, W>> cases = {
        {"", {}},
        {"Hello, World!", {"Hello", "World"}},
        {"it's 3.5 apples\u2014ok", {"it's", "3.5", "apples", "ok"}},
        {"  ... -- !!  ", {}},
        {"caf\u00E9 na\u0131ve", {"caf\u00E9", "na\u0131ve"}},
        {"a\xFF" "b c", {"a", "b", "c"}},
    };
    for (const auto& [s, expected] : cases) {
        SCOPED_TRACE(s);
        EXPECT_EQ(pieces(s, text::wordRanges(s)), expected);
    }
    // Scripts without spaces still give word tokens inside the text.
    const std::string japanese = "\u65E5\u672C\u8A9E\u306E\u6587\u7AE0\u3002";
    const auto words = text::wordRanges(japanese);
    EXPECT_FALSE(words.empty());
    EXPECT_EQ(pieces(japanese, words).size(), words.size());
}

TEST(PercentDecode, DecodesEscapesToValidUTF8) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"", ""},
        {"a%20b+c", "a b+c"},
        {"%E2%9C%93", "\u2713"},
        {"%e2%9c%93", "\u2713"},
        {"caf\u00E9%21", "caf\u00E9!"},
        {"%C3%A9", "\u00E9"},
        {"%00", "\0"s},
        {"100%", std::nullopt},
        {"%zz", std::nullopt},
        {"%4", std::nullopt},
        {"%4g", std::nullopt},
        {"%FF", std::nullopt},
        {"%C3", std::nullopt},
        {"%C0%AF", std::nullopt},          // overlong
        {"%ED%A0%80", std::nullopt},       // surrogate
        {"%F4%90%80%80", std::nullopt},    // beyond U+10FFFF
        {"\xFF", std::nullopt},            // the input's own bytes must be valid too
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(text::percentDecode(in), out);
    }
}

TEST(Base64, EncodesWithPadding) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foobar", "Zm9vYmFy"},
        {"abc", "YWJj"}, {"abc\n", "YWJjCg=="}, {"\xFF\xFE", "//4="}, {"\xFB\xEF", "++8="},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(text::base64Encode(in), out);
        EXPECT_EQ(text::base64Decode(out), in);
    }
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    for (std::size_t n = 0; n < 6; ++n) EXPECT_EQ(text::base64Decode(text::base64Encode(all.substr(n))), all.substr(n));
}

TEST(Base64, DecodesStrictly) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"SGVsbG8=", "Hello"},
        {"SGVsbG9=", "Hello"},            // leftover bits are ignored
        {"QQ==", "A"},
        {"SGVsbG8", std::nullopt},        // not a multiple of four
        {"SGVs bG8=", std::nullopt},
        {"SGV=bG8=", std::nullopt},       // padding inside
        {"SGVsb===", std::nullopt},       // five data characters
        {"Q===", std::nullopt},
        {"====", std::nullopt},
        {"SGVsbG8-", std::nullopt},       // the URL-safe alphabet is the caller's business
        {"SGVsbG8\n", std::nullopt},
        {"SGVsbG\xC3\xA9", std::nullopt},
    };
    for (const auto& [in, out] : cases) {
        SCOPED_TRACE(in);
        EXPECT_EQ(text::base64Decode(in), out);
    }
}

}  // namespace
