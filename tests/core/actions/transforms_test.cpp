#include <tavlets/transforms.hpp>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

// Uppercase, lowercase and title case, and plain cases of the others, run through the catalog's
// list in catalog_test.cpp.

const std::string kBadEscape = "That text has an invalid % escape and can't be URL-decoded.";
const std::string kBadBase64 = "That isn't valid Base64.";

Outcome plain(std::string text) { return Outcome{std::move(text), false, false}; }
Outcome mono(std::string text) { return Outcome{std::move(text), false, true}; }
Outcome failure(std::string text) { return Outcome{std::move(text), true, false}; }

const auto sentenceCase = [](std::string_view s) { return plain(transforms::sentenceCase(s)); };
const auto trim = [](std::string_view s) { return plain(transforms::trim(s)); };
const auto stats = [](std::string_view s) { return plain(transforms::stats(s)); };

std::string words(int n) {
    std::string out = "word";
    for (int i = 1; i < n; ++i) out += " word";
    return out + ".";
}

TEST(Transforms, GiveExactOutcomes) {
    struct Case {
        std::function<Outcome(std::string_view)> transform;
        std::string input;
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {sentenceCase, "HELLO. WORLD? yes!", plain("Hello. World? Yes!")},
        {sentenceCase, "1st place. \"hi.\" 'ok'", plain("1St place. \"Hi.\" 'Ok'")},  // a digit is no letter
        {sentenceCase, "one\ntwo\r\nthree", plain("One\nTwo\r\nthree")},  // CR LF is no line feed
        {sentenceCase, "\xC3\xA9\r\nb\n'c", plain("\xC3\x89\r\nb\n'C")},
        {sentenceCase, "E\xCC\x81T\xC3\x89. \xC3\x9F", plain("E\xCC\x81t\xC3\xA9. SS")},
        {trim, "a\r\nb", plain("a\n\nb")},  // CR LF is two separators
        {trim, "\n \n\t x  y \n \n", plain("x  y")},
        {trim, "\u00A0a\u3000\u2028b\u0085c", plain("a\nb\nc")},
        {trim, " \t\r\n\u2029 ", plain("")},
        {stats, "", plain("0 words\n0 characters (0 without spaces)\n0 sentences, 0 lines\n"
                          "Reading time: under a minute")},
        {stats, "One.\n  \nTwo.", plain("2 words\n12 characters (8 without spaces)\n2 sentences, 2 lines\n"
                                        "Reading time: under a minute")},
        // CR LF is one character, a whitespace one; a letter with its accent is one character.
        {stats, "a\r\nb", plain("2 words\n3 characters (2 without spaces)\n2 sentences, 2 lines\n"
                                "Reading time: under a minute")},
        {stats, "e\xCC\x81 x\r\ny", plain("3 words\n5 characters (3 without spaces)\n2 sentences, 2 lines\n"
                                          "Reading time: under a minute")},
        {transforms::urlDecode, "%E2%9C%93%c3%a9", mono("\u2713\u00E9")},
        {transforms::base64Decode, "SGVsbG8", mono("Hello")},
        {transforms::base64Decode, "\u00A0SGVs\u3000bG8=\u2028", mono("Hello")},
        {transforms::base64Decode, "SGVs \xCC\x81" "bG8=", mono("Hello")},  // a space with its mark
        {transforms::base64Decode, "fn5-Pz8_", mono("~~~???")},
        {transforms::base64Decode, "/w==", failure("Decoded 1 bytes, but they aren't UTF-8 text.")},
    };
    for (const auto& c : cases) {
        const Outcome got = c.transform(c.input);
        EXPECT_EQ(got, c.expected) << testing::PrintToString(c.input) << " gave " << testing::PrintToString(got.text);
    }

    for (const auto& [n, reading] :
         std::vector<std::pair<int, std::string>>{{229, "under a minute"}, {230, "about 1 min"}, {345, "about 2 min"}}) {
        EXPECT_TRUE(transforms::stats(words(n)).ends_with("\nReading time: " + reading)) << n;
    }
    for (const char* bad : {"100%", "%zz", "%4", "%FF", "%E2%9C"}) {
        EXPECT_EQ(transforms::urlDecode(bad), failure(kBadEscape)) << bad;
    }
    for (const std::string& bad : std::vector<std::string>{"", " \r\n\t\u00A0", "SGVsb", "SGV*bG8=", "SG==bG8=",
                                                           "SGVsb\u00E98=", std::string("SGVs\0bG8=", 9)}) {
        EXPECT_EQ(transforms::base64Decode(bad), failure(kBadBase64)) << testing::PrintToString(bad);
    }
}

TEST(Transforms, Base64RoundTripsAnyText) {
    for (const std::string text : {"a", "ab", "abc", "line\r\n", "na\u00EFve \u2713 \U0001F44D\U0001F3FD", "\t  \n"}) {
        EXPECT_EQ(transforms::base64Decode(transforms::base64Encode(text).text), mono(text)) << text;
    }
}

}  // namespace
}  // namespace tavlets
