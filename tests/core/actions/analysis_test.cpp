#include <tavlets/actions.hpp>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "actions/analysis_internal.hpp"

namespace tavlets {
namespace {

using JSONState = Analysis::JSONState;

struct ClassifyCase {
    const char* name;
    std::string input;
    std::string label;
};

void PrintTo(const ClassifyCase& c, std::ostream* os) { *os << c.name; }

class ClassifyTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTest, Label) {
    const Analysis analysis = Analysis::of(GetParam().input);
    EXPECT_EQ(analysis.label(), GetParam().label);
    // At most one facet fires.
    const int facets = (analysis.json != JSONState::none) + analysis.delimiter.has_value() +
                       analysis.isCode + analysis.isLongText;
    EXPECT_LE(facets, 1);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ClassifyTest,
    testing::Values(
        ClassifyCase{"ValidJson", "{\"a\": 1}", "JSON"},
        ClassifyCase{"BrokenJsonWithQuote", "{\"a\": 1,}", "JSON (has errors)"},
        ClassifyCase{"UnclosedArrayIsText", "[1, 2", "Text"},
        ClassifyCase{"CommaTable", "name,age\nAnn,30", "CSV data"},
        ClassifyCase{"TabTable", "a\tb\nc\td", "Tab-separated data"},
        ClassifyCase{"KeywordCode", "if (a == b) {\ngo();\n}", "Code"},
        ClassifyCase{"StructuralCode", "main() {\nrun();\n}", "Code"},
        ClassifyCase{"KeywordWithoutShape", "import os\nprint(x)", "Text"},
        ClassifyCase{"SemicolonLinesAreATable", "let x = 1;\nlet y = 2;", "CSV data"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, ClassifyTest,
    testing::Values(
        ClassifyCase{"TrimmedBeforeJsonTest", "\n\r\n  \t{\"a\": [1, 2]}\u3000\n", "JSON"},
        ClassifyCase{"OpenBraceWordIsText", "{abc", "Text"},
        ClassifyCase{"ClosedBraceWordIsBrokenJson", "{abc}", "JSON (has errors)"},
        ClassifyCase{"SingleQuotesAreBrokenJson", "{'a': 1}", "JSON (has errors)"},
        ClassifyCase{"JsonLookWinsOverTable", "{\"a\": 1,\n\"b\": 2,\n", "JSON (has errors)"},
        ClassifyCase{"BrokenArrayFallsThroughToTable", "[1,2\n3,4", "CSV data"},
        ClassifyCase{"BraceWithMarkIsNoJson", "{\u0301\"a\": 1}", "Text"},
        ClassifyCase{"SingleLineIsNoTable", "a,b", "Text"},
        ClassifyCase{"OneBracketIsNoCode", "import f(x\nlet y = 2\nreturn z", "Text"},
        ClassifyCase{"CapitalImportIsNoKeyword", "Import foo(bar)\nbaz()\nqux()", "Text"},
        ClassifyCase{"KeywordAndThreeLines", "import foo(bar)\nbaz()\nqux()", "Code"},
        ClassifyCase{"KeywordAndOperator", "fn x() -> y", "Code"},
        ClassifyCase{"OperatorWithMarkDoesNotCount", "fn x() ->\u0301 y", "Text"},
        ClassifyCase{"KeywordNeedsBoundary", "iffy (a) b\nclassy (c) d", "Text"},
        ClassifyCase{"IndentedKeyword", "x()\n\t  return (y) z\nw", "Code"},
        ClassifyCase{"OperatorsIgnoredWithoutKeyword", "go(a) == b && c => d", "Text"},
        ClassifyCase{"TwoStructuralLines", "a();\n}", "Code"},
        ClassifyCase{"StructuralLineTrimmed", "a() {\u00A0\n  }\t", "Code"},
        ClassifyCase{"SemicolonWithMarkIsNotStructural", "a();\u0301\nb() {", "Text"},
        ClassifyCase{"ThreeChatLines", "Alice: hi\nBob: hello\nCy: bye", "Long text / chat"},
        ClassifyCase{"TwoChatLines", "Alice: hi\nBob: hello\nTODO: lunch", "Text"},
        ClassifyCase{"Blank", " \n\t\u2028 ", "Text"}),
    [](const auto& info) { return std::string(info.param.name); });

// n words of prose without punctuation.
std::string prose(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i > 0) s += ' ';
        s += "word" + std::to_string(i);
    }
    return s;
}

struct LongTextCase {
    const char* name;
    std::string input;
    bool longText;
};

void PrintTo(const LongTextCase& c, std::ostream* os) { *os << c.name; }

class LongTextTest : public testing::TestWithParam<LongTextCase> {};

TEST_P(LongTextTest, Boundary) {
    EXPECT_EQ(Analysis::of(GetParam().input).isLongText, GetParam().longText);
}

// Two chat lines and four sentences in all; `words` words in all.
std::string chatAndProse(int words) {
    return "Alice: Here " + prose(20) + ".\nBob: There " + prose(20) + ".\nThen " + prose(18) +
           ".\nLast " + prose(words - 64) + ".";
}

// `count` sentences of `words` words in all, on one line.
std::string sentences(int count, int words) {
    std::string s;
    for (int i = 0; i < count; ++i) {
        const int n = words / count + (i < words % count ? 1 : 0);
        if (i > 0) s += ' ';
        s += "Start " + prose(n - 1) + ".";
    }
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Analysis, LongTextTest,
    testing::Values(LongTextCase{"SeventyNineWordsTwoChatLinesFourSentences", chatAndProse(79), false},
                    LongTextCase{"EightyWords", chatAndProse(80), true},
                    LongTextCase{"FiftyWordsFiveSentences", sentences(5, 50), true},
                    LongTextCase{"FortyNineWordsFiveSentences", sentences(5, 49), false},
                    LongTextCase{"SeventyNineWordsFourSentences", sentences(4, 79), false},
                    LongTextCase{"ThreeShortChatLines", "Ann: a\nBo: b\n[9:01] Cy: c", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AnalysisTest, LongTextFixturesHaveTheirShape) {
    EXPECT_EQ(TextMining::wordCount(chatAndProse(79)), 79u);
    EXPECT_EQ(TextMining::chatLineCount(chatAndProse(79)), 2u);
    EXPECT_EQ(TextMining::sentenceCount(chatAndProse(79)), 4u);
    EXPECT_EQ(TextMining::wordCount(sentences(5, 49)), 49u);
    EXPECT_EQ(TextMining::sentenceCount(sentences(5, 49)), 5u);
}

TEST(AnalysisTest, LabelJoinsParts) {
    EXPECT_EQ(Analysis{}.label(), "Text");
    EXPECT_EQ((Analysis{JSONState::valid, ',', false, false}.label()), "JSON \u00B7 CSV data");
    EXPECT_EQ((Analysis{JSONState::invalid, '\t', true, true}.label()),
              "JSON (has errors) \u00B7 Tab-separated data \u00B7 Code \u00B7 Long text / chat");
    EXPECT_EQ((Analysis{JSONState::none, std::nullopt, true, true}.label()), "Code \u00B7 Long text / chat");
}

// The one-pass keyword search must find exactly what the multi-line pattern finds.
TEST(AnalysisTest, KeywordSearchAgreesWithPattern) {
    const text::Regex pattern(
        "(?m)^\\s*(import|func|def|class|struct|enum|function|const|let|var|public|private|return|"
        "if|for|while|#include|package|using|fn|pub)\\b");
    const std::vector<std::string> pieces = {
        "import", "if", "fn", "pub", "#include", "Import", "function", "func", "x", "_", "1", "(",
        " ", " ", "\t", "\n", "\n", "\r", "\r\n", "\u0085", "\u000B", "\u000C", "\u2028", "\u2029",
        "\u00A0", "\u3000", "\u200B", "\u0301", "\u00E9", "\u00AD", "\u200D", "\u203F", "\u0660",
        "\U0001F600", "\xff", "\xed\xa0\x80", std::string(1, '\0')};
    std::mt19937 random(7);
    for (int round = 0; round < 6000; ++round) {
        std::string s;
        const int length = static_cast<int>(random() % 8);
        for (int i = 0; i < length; ++i) s += pieces[random() % pieces.size()];
        ASSERT_EQ(analysis::hasKeywordLine(s), pattern.search(s)) << testing::PrintToString(s);
    }
}

TEST(AnalysisTest, KeywordAfterManyBlankLines) {
    std::string s = "x";
    for (int i = 0; i < 200000; ++i) s += "\n \r\n";
    EXPECT_TRUE(analysis::hasKeywordLine(s + "return y"));
    EXPECT_FALSE(analysis::hasKeywordLine(s + "returns y"));
}

// Nothing a clipboard can hold makes classification fail.
TEST(AnalysisTest, HostileInput) {
    const std::vector<std::string> inputs = {
        std::string("{\"a\0\": 1}", 9), std::string("a\0,b\nc,d\0", 9), "\xff\xfe", "[\xed\xa0\x80]",
        "{\"\u00E9\": 1}", "\u0301\u0301", "a,\xff\nb,\xc3", "\U0001F468\u200D\U0001F469\u200D\U0001F467",
        "if (\xff) {\n\xed\xa0\x80;\n}", std::string(1, '\0'), "\xe2\x80"};
    const std::vector<std::string> labels = {
        "JSON (has errors)", "CSV data", "Text", "JSON (has errors)", "JSON", "Text", "CSV data", "Text", "Code",
        "Text", "Text"};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        EXPECT_EQ(Analysis::of(inputs[i]).label(), labels[i]) << testing::PrintToString(inputs[i]);
    }
}

}  // namespace
}  // namespace tavlets
