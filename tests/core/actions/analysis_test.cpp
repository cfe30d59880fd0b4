#include <tavlets/actions.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"
#include "core/test_random.hpp"

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
    std::vector<std::pair<std::string, std::string>> cases = {
        {sentences(4, 79), "Text"}, {sentences(4, 80), "Long text / chat"},
        {sentences(5, 49), "Text"}, {sentences(5, 50), "Long text / chat"},
    };
    for (const auto& row : readCases("classification.tsv")) cases.emplace_back(row.at(0), row.at(1));
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
    Random random{7};
    for (int round = 0; round < 6000; ++round) {
        const std::string s = random.glue(pieces, 7);
        ASSERT_EQ(analysis::hasKeywordLine(s), pattern.search(s)) << testing::PrintToString(s);
    }
    const std::string far = "x" + repeated("\n \r\n", 200000);
    EXPECT_TRUE(analysis::hasKeywordLine(far + "return y"));
    EXPECT_FALSE(analysis::hasKeywordLine(far + "returns y"));
}

}  // namespace
}  // namespace tavlets
