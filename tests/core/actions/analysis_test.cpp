#include <tavlets/actions.hpp>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/text.hpp>

#include "actions/analysis_internal.hpp"

namespace tavlets {
namespace {

using JSONState = Analysis::JSONState;

// `count` sentences of `words` words in all: a word ends a sentence where it completes another
// count-th of the text.
std::string sentences(int count, int words) {
    std::string s;
    for (int i = 1; i <= words; ++i) s += i * count / words > (i - 1) * count / words ? "Word. " : "Word ";
    return s;
}

TEST(Analysis, Classifies) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\n\r\n  \t{\"a\": [1, 2]}\u3000\n", "JSON"},
        {"{\"a\": 1,}", "JSON (has errors)"},
        {"{abc}", "JSON (has errors)"},                  // no quote, but closed
        {"{\"a\": 1,\n\"b\": 2,\n", "JSON (has errors)"},  // a quote wins over the table look
        {"[1, 2", "Text"},
        {"{\u0301\"a\": 1}", "Text"},  // a brace carrying a mark is no brace
        {"[1,2\n3,4", "CSV data"},     // broken JSON without a sign of it falls through
        {"name,age\nAnn,30", "CSV data"},
        {"a\tb\nc\td", "Tab-separated data"},
        {"let x = 1;\nlet y = 2;", "CSV data"},
        {"if (a == b) {\ngo();\n}", "Code"},
        {"import os\nprint(x)", "Text"},
        {"import f(x\nlet y = 2\nreturn z", "Text"},  // one bracket only
        {"import foo(bar)\nbaz()\nqux()", "Code"},
        {"fn x() -> y", "Code"},
        {"fn x() ->\u0301 y", "Text"},
        {"go(a) == b && c => d", "Text"},  // operators count only with a keyword
        {"a() {\u00A0\n  }\t", "Code"},
        {"a() \u0600;\nb() {", "Text"},  // a prefix character takes the semicolon into it
        {"Alice: hi\nBob: hello\nTODO: lunch", "Text"},
        {"Ann: a\nBo: b\n[9:01] Cy: c", "Long text / chat"},
        {sentences(4, 79), "Text"},
        {sentences(4, 80), "Long text / chat"},
        {sentences(5, 49), "Text"},
        {sentences(5, 50), "Long text / chat"},
        {" \n\t\u2028 ", "Text"},
        // Nothing a clipboard can hold makes classification fail.
        {std::string("{\"a\0\": 1}", 9), "JSON (has errors)"},
        {std::string("a\0,b\nc,d\0", 9), "CSV data"},
        {"[\xed\xa0\x80]", "JSON (has errors)"},
        {"if (\xff) {\n\xed\xa0\x80;\n}", "Code"},
    };
    for (const auto& [input, label] : cases) {
        SCOPED_TRACE(testing::PrintToString(input));
        const Analysis analysis = Analysis::of(input);
        EXPECT_EQ(analysis.label(), label);
        EXPECT_LE((analysis.json != JSONState::none) + analysis.delimiter.has_value() + analysis.isCode +
                      analysis.isLongText,
                  1);
    }
}

TEST(Analysis, LabelJoinsParts) {
    EXPECT_EQ((Analysis{JSONState::invalid, '\t', true, true}.label()),
              "JSON (has errors) \u00B7 Tab-separated data \u00B7 Code \u00B7 Long text / chat");
}

// The one-pass keyword search must find exactly what the multi-line pattern finds.
TEST(Analysis, KeywordSearchAgreesWithPattern) {
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
        for (int i = static_cast<int>(random() % 8); i > 0; --i) s += pieces[random() % pieces.size()];
        ASSERT_EQ(analysis::hasKeywordLine(s), pattern.search(s)) << testing::PrintToString(s);
    }
    std::string far = "x";
    for (int i = 0; i < 200000; ++i) far += "\n \r\n";
    EXPECT_TRUE(analysis::hasKeywordLine(far + "return y"));
    EXPECT_FALSE(analysis::hasKeywordLine(far + "returns y"));
}

}  // namespace
}  // namespace tavlets
