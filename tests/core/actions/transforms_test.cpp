#include <tavlets/transforms.hpp>

#include <functional>
#include <string>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

const std::string kBadEscape = "That text has an invalid % escape and can't be URL-decoded.";
const std::string kBadBase64 = "That isn't valid Base64.";

Outcome plain(std::string text) { return Outcome{std::move(text), false, false}; }
Outcome mono(std::string text) { return Outcome{std::move(text), false, true}; }
Outcome failure(std::string text) { return Outcome{std::move(text), true, false}; }

std::string words(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += i == 0 ? "word" : " word";
    return out + ".";
}

struct Case {
    const char* name;
    std::function<Outcome(std::string_view)> transform;
    std::string input;
    Outcome expected;
};

class Transform : public testing::TestWithParam<Case> {};

TEST_P(Transform, GivesExactOutcome) {
    EXPECT_EQ(GetParam().transform(GetParam().input), GetParam().expected);
}

std::string caseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

const auto sentenceCase = [](std::string_view s) { return plain(transforms::sentenceCase(s)); };
const auto trim = [](std::string_view s) { return plain(transforms::trim(s)); };
const auto stats = [](std::string_view s) { return plain(transforms::stats(s)); };

INSTANTIATE_TEST_SUITE_P(EmptyInput, Transform, testing::Values(
    Case{"Uppercase", transforms::uppercase, "", plain("")},
    Case{"Lowercase", transforms::lowercase, "", plain("")},
    Case{"TitleCase", transforms::titleCase, "", plain("")},
    Case{"SentenceCase", sentenceCase, "", plain("")},
    Case{"Trim", trim, "", plain("")},
    Case{"Stats", stats, "", plain("0 words\n0 characters (0 without spaces)\n0 sentences, 0 lines\n"
                                   "Reading time: under a minute")},
    Case{"UrlDecode", transforms::urlDecode, "", mono("")},
    Case{"Base64Encode", transforms::base64Encode, "", mono("")},
    Case{"Base64Decode", transforms::base64Decode, "", failure(kBadBase64)},
    Case{"Base64DecodeOnlyWhitespace", transforms::base64Decode, " \r\n\t\u00A0", failure(kBadBase64)}
), caseName);

INSTANTIATE_TEST_SUITE_P(CaseChanges, Transform, testing::Values(
    Case{"UppercaseGrowsSharpS", transforms::uppercase, "  straße\n", plain("  STRASSE\n")},
    Case{"LowercaseKeepsSpacing", transforms::lowercase, " ÀB Ç\r\n", plain(" àb ç\r\n")},
    Case{"TitleCaseWordByWord", transforms::titleCase, "hello wORLD\nnew\tline", plain("Hello World\nNew\tLine")},
    Case{"SentenceCaseExample", sentenceCase, "HELLO. WORLD? yes!", plain("Hello. World? Yes!")},
    Case{"SentenceAfterQuote", sentenceCase, "\"hi there.\" 'ok'", plain("\"Hi there.\" 'Ok'")},
    Case{"DigitDoesNotUseUpCapital", sentenceCase, "1st place", plain("1St place")},
    Case{"Abbreviation", sentenceCase, "e.g. this", plain("E.G. This")},
    Case{"DecimalPoint", sentenceCase, "3.5 apples", plain("3.5 Apples")},
    Case{"LineFeedStartsSentence", sentenceCase, "one\ntwo", plain("One\nTwo")},
    Case{"CrLfDoesNotStartSentence", sentenceCase, "one\r\ntwo", plain("One\r\ntwo")},
    Case{"NonAsciiLineFeed", sentenceCase, "\xC3\xA9\r\nb\nc", plain("\xC3\x89\r\nb\nC")},
    Case{"LetterWithCombiningMark", sentenceCase, "E\xCC\x81T\xC3\x89. \xC3\xA9t\xC3\xA9",
         plain("E\xCC\x81t\xC3\xA9. \xC3\x89t\xC3\xA9")},
    Case{"SharpSCapitalizedToSS", sentenceCase, "ß.", plain("SS.")}
), caseName);

INSTANTIATE_TEST_SUITE_P(Trim, Transform, testing::Values(
    Case{"BlankLineSurvives", trim, "  a  \n\n   b \t", plain("a\n\nb")},
    Case{"CrLfIsTwoSeparators", trim, "a\r\nb", plain("a\n\nb")},
    Case{"OuterBlankLinesGo", trim, "\n \n\t x y \n \n", plain("x y")},
    Case{"UnicodeSpacesAndSeparators", trim, "\u00A0a\u3000\u2028b\u0085c", plain("a\nb\nc")},
    Case{"InnerSpacesUntouched", trim, "a  b", plain("a  b")},
    Case{"OnlyWhitespace", trim, " \t\r\n\u2029 ", plain("")}
), caseName);

INSTANTIATE_TEST_SUITE_P(Stats, Transform, testing::Values(
    Case{"HelloWorld", stats, "Hello world",
         plain("2 words\n11 characters (10 without spaces)\n1 sentence, 1 line\nReading time: under a minute")},
    Case{"Singulars", stats, "Hi",
         plain("1 word\n2 characters (2 without spaces)\n1 sentence, 1 line\nReading time: under a minute")},
    Case{"BlankLineNotCounted", stats, "One.\n  \nTwo.",
         plain("2 words\n12 characters (8 without spaces)\n2 sentences, 2 lines\nReading time: under a minute")},
    // CR LF is one character and a whitespace one; a letter with its accent is one character.
    Case{"CountsCharacters", stats, "e\xCC\x81 x\r\ny",
         plain("3 words\n5 characters (3 without spaces)\n2 sentences, 2 lines\nReading time: under a minute")},
    Case{"CrLfIsOneCharacter", stats, "a\r\nb",
         plain("2 words\n3 characters (2 without spaces)\n2 sentences, 2 lines\nReading time: under a minute")},
    Case{"JustUnderAMinute", stats, words(229), plain("229 words\n1145 characters (917 without spaces)\n"
                                                      "1 sentence, 1 line\nReading time: under a minute")},
    Case{"OneMinute", stats, words(230), plain("230 words\n1150 characters (921 without spaces)\n"
                                               "1 sentence, 1 line\nReading time: about 1 min")},
    Case{"HalfRoundsUp", stats, words(345), plain("345 words\n1725 characters (1381 without spaces)\n"
                                                  "1 sentence, 1 line\nReading time: about 2 min")}
), caseName);

INSTANTIATE_TEST_SUITE_P(UrlDecode, Transform, testing::Values(
    Case{"TrimsAndKeepsPlus", transforms::urlDecode, "  a%20b+c\n", mono("a b+c")},
    Case{"MultiByteEscape", transforms::urlDecode, "%E2%9C%93", mono("✓")},
    Case{"LowerCaseHex", transforms::urlDecode, "%c3%a9", mono("é")},
    Case{"TrailingPercent", transforms::urlDecode, "100%", failure(kBadEscape)},
    Case{"NotHex", transforms::urlDecode, "%zz", failure(kBadEscape)},
    Case{"OneDigit", transforms::urlDecode, "%4", failure(kBadEscape)},
    Case{"NotUtf8", transforms::urlDecode, "%FF", failure(kBadEscape)},
    Case{"HalfACharacter", transforms::urlDecode, "%E2%9C", failure(kBadEscape)}
), caseName);

INSTANTIATE_TEST_SUITE_P(Base64, Transform, testing::Values(
    Case{"EncodeAbc", transforms::base64Encode, "abc", mono("YWJj")},
    Case{"EncodeKeepsTrailingLineFeed", transforms::base64Encode, "abc\n", mono("YWJjCg==")},
    Case{"EncodeUtf8", transforms::base64Encode, "é", mono("w6k=")},
    Case{"DecodeAddsPadding", transforms::base64Decode, "SGVsbG8", mono("Hello")},
    Case{"DecodeRemovesInnerSpace", transforms::base64Decode, "SGVs bG8=", mono("Hello")},
    Case{"DecodeRemovesLineEnds", transforms::base64Decode, "\r\n SGVs\r\nbG8=\n", mono("Hello")},
    Case{"DecodeRemovesUnicodeSpaces", transforms::base64Decode, "\u00A0SGVs\u3000bG8=\u2028", mono("Hello")},
    Case{"DecodeUrlSafeText", transforms::base64Decode, "fn5-Pz8_", mono("~~~???")},
    // Whitespace goes by whole character: a space carrying a combining mark goes with its mark.
    Case{"DecodeRemovesSpaceWithMark", transforms::base64Decode, "SGVs \xCC\x81" "bG8=", mono("Hello")},
    Case{"NulIsNotWhitespace", transforms::base64Decode, std::string("SGVs\0bG8=", 9), failure(kBadBase64)},
    Case{"FiveCharacters", transforms::base64Decode, "SGVsb", failure(kBadBase64)},
    Case{"OutsideAlphabet", transforms::base64Decode, "SGV*bG8=", failure(kBadBase64)},
    Case{"PaddingInTheMiddle", transforms::base64Decode, "SG==bG8=", failure(kBadBase64)},
    Case{"NonAsciiLetter", transforms::base64Decode, "SGVsbé8=", failure(kBadBase64)},
    Case{"NotUtf8CountsBytes", transforms::base64Decode, "//79", failure("Decoded 3 bytes, but they aren't UTF-8 text.")},
    Case{"OneByteStillSaysBytes", transforms::base64Decode, "/w==", failure("Decoded 1 bytes, but they aren't UTF-8 text.")}
), caseName);

TEST(Base64, RoundTripsAnyText) {
    for (std::string text : {"", "a", "ab", "abc", "line\r\n", "naïve ✓ 👍🏽", "\t  \n"}) {
        const Outcome encoded = transforms::base64Encode(text);
        EXPECT_EQ(transforms::base64Decode(encoded.text).text, text.empty() ? kBadBase64 : text) << text;
    }
}

}  // namespace
}  // namespace tavlets
