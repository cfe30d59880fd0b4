#include <tavlets/bracket_check.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

const std::string kBalanced = "✓ All brackets and quotes are balanced.";

// The report for the given problems, in the order the checker must list them.
std::string found(const std::vector<std::string>& problems) {
    std::string out = "Found " + std::to_string(problems.size()) + (problems.size() == 1 ? " problem:\n" : " problems:\n");
    for (const auto& p : problems) out += "\n• " + p;
    return out;
}

struct Case {
    const char* name;
    std::string input;
    std::string expected;
};

class BracketReport : public testing::TestWithParam<Case> {};

TEST_P(BracketReport, MatchesExactly) {
    const Outcome outcome = BracketCheck::run(GetParam().input);
    EXPECT_EQ(outcome.text, GetParam().expected);
    EXPECT_FALSE(outcome.isError);
    EXPECT_FALSE(outcome.mono);
}

std::string caseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Balance, BracketReport, testing::Values(
    Case{"Empty", "", kBalanced},
    Case{"NoBrackets", "just words here", kBalanced},
    Case{"Nested", "f(a[1], {b: (c)})", kBalanced},
    Case{"ExtraCloser", "a)", found({"Line 1, column 2: extra closing ')' with no matching opener"})},
    Case{"CrossedPairs", "([)]", found({
        "Line 1, column 3: found ')' but '[' from line 1, column 2 is still open",
        "Line 1, column 4: extra closing ']' with no matching opener"})},
    Case{"MismatchWithoutMatchingOpener", "foo(bar]", found({
        "Line 1, column 8: found ']' but '(' from line 1, column 4 is still open",
        "Line 1, column 4: '(' is never closed (expected ')')"})},
    Case{"RecoveryDropsInnerOpeners", "{ ( [ }\n)", found({
        "Line 1, column 7: found '}' but '[' from line 1, column 5 is still open",
        "Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"FunctionExample", "function f(a) {\n  if (a[0] > 1 {\n    return \"x;\n}", found({
        "Unclosed \" quote opened at line 3, column 12",
        "Line 2, column 6: '(' is never closed (expected ')')",
        "Line 1, column 15: '{' is never closed (expected '}')"})},
    Case{"NeverClosedInnermostFirst", "(\n [\n  {", found({
        "Line 3, column 3: '{' is never closed (expected '}')",
        "Line 2, column 2: '[' is never closed (expected ']')",
        "Line 1, column 1: '(' is never closed (expected ')')"})},
    Case{"TabIsOneColumn", "\t\t)", found({"Line 1, column 3: extra closing ')' with no matching opener"})}
), caseName);

INSTANTIATE_TEST_SUITE_P(CommentsAndStrings, BracketReport, testing::Values(
    Case{"LineComment", "// ( [ {\nx", kBalanced},
    Case{"LineCommentEndsAtLineFeed", "// (\n)", found({"Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"BlockComment", "/* ( \" ' */ ()", kBalanced},
    Case{"BlockCommentDoesNotCloseItself", "/*/ ( */ )", found({"Line 1, column 10: extra closing ')' with no matching opener"})},
    Case{"OpenBlockCommentHidesRest", "( /* ) \" ", found({"Line 1, column 1: '(' is never closed (expected ')')"})},
    Case{"HashSpaceComment", "# (\n", kBalanced},
    Case{"ShebangAtLineStart", "  #!/bin/sh (", kBalanced},
    Case{"ShebangAfterCode", "x #!(", found({"Line 1, column 5: '(' is never closed (expected ')')"})},
    Case{"HashBracketIsCode", "#(", found({"Line 1, column 2: '(' is never closed (expected ')')"})},
    Case{"HashIncludeIsCode", "#include <a> (", found({"Line 1, column 14: '(' is never closed (expected ')')"})},
    Case{"ApostropheInProse", "don't (x)\n(y", found({
        "Unclosed ' quote opened at line 1, column 4",
        "Line 2, column 1: '(' is never closed (expected ')')"})},
    Case{"EscapedQuote", R"(s = "a \" ( b"; ())", kBalanced},
    Case{"BackslashDoesNotHideLineFeed", "\"a\\\n)", found({
        "Unclosed \" quote opened at line 1, column 1",
        "Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"BacktickSpansLines", "`a\n(\n` ()", kBalanced},
    Case{"UnclosedBacktick", "x\n  `a\n(", found({"Unclosed ` quote opened at line 2, column 3"})},
    Case{"StringEndsAtTextEnd", "(\"abc", found({
        "Unclosed \" quote opened at line 1, column 2",
        "Line 1, column 1: '(' is never closed (expected ')')"})},
    Case{"TripleQuoteSpansLines", "\"\"\"\n( \\\"\"\" \n\"\"\" ()", kBalanced},
    Case{"UnclosedTripleQuote", "(\n'''abc\n)", found({
        "Unclosed triple quote ''' opened at line 2, column 1",
        "Line 1, column 1: '(' is never closed (expected ')')"})},
    // Three backticks are an empty string and the start of another, which then runs to the end.
    Case{"TripleBacktickIsNotTriple", "```\n(", found({"Unclosed ` quote opened at line 1, column 3"})}
), caseName);

INSTANTIATE_TEST_SUITE_P(Characters, BracketReport, testing::Values(
    // A bracket carrying a combining mark is a different character.
    Case{"BracketWithCombiningMark", "(\xCC\x81 x", kBalanced},
    Case{"QuoteWithCombiningMark", "\"\xCC\x81 (", found({"Line 1, column 3: '(' is never closed (expected ')')"})},
    Case{"ColumnsCountCharacters", "é👍🏽 )", found({"Line 1, column 4: extra closing ')' with no matching opener"})},
    Case{"InvalidUTF8", "\xFF\xFE (", found({"Line 1, column 4: '(' is never closed (expected ')')"})},
    // CR LF ends a line like a line feed: lines and columns, comments and strings.
    Case{"CrLfCountsLines", "a\r\nb\r\n  )", found({"Line 3, column 3: extra closing ')' with no matching opener"})},
    Case{"CrLfEndsLineComment", "// (\r\n)", found({"Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"CrLfEndsDoubleQuote", "\"a\r\n)", found({
        "Unclosed \" quote opened at line 1, column 1",
        "Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"CrLfAfterBackslash", "'a\\\r\n)", found({
        "Unclosed ' quote opened at line 1, column 1",
        "Line 2, column 1: extra closing ')' with no matching opener"})},
    Case{"CrLfShebang", "x\r\n#! (", kBalanced},
    Case{"LoneCarriageReturnIsOrdinary", "a\r)", found({"Line 1, column 3: extra closing ')' with no matching opener"})},
    Case{"LoneCarriageReturnKeepsStringOpen", "\"a\r)\"", kBalanced}
), caseName);

TEST(BracketCheck, CountsOneProblemSingular) {
    EXPECT_EQ(BracketCheck::run("]").text, "Found 1 problem:\n\n• Line 1, column 1: extra closing ']' with no matching opener");
}

TEST(BracketCheck, ShowsTwentyOfTwentyFiveInOrder) {
    // 20 extra closers on line 1, then 5 never-closed openers on line 2.
    const std::string input = std::string(20, ')') + "\n(((((";
    std::vector<std::string> shown;
    for (int column = 1; column <= 20; ++column) {
        shown.push_back("Line 1, column " + std::to_string(column) + ": extra closing ')' with no matching opener");
    }
    std::string expected = found(shown);
    expected.replace(0, expected.find(':'), "Found 25 problems");
    expected += "\n… and 5 more";
    EXPECT_EQ(BracketCheck::run(input).text, expected);
}

TEST(BracketCheck, NeverClosedFillTheRemainingLinesInnermostFirst) {
    const std::string input = std::string(18, ')') + "\n(((((";
    const std::string text = BracketCheck::run(input).text;
    EXPECT_EQ(text.substr(0, text.find('\n')), "Found 23 problems:");
    EXPECT_NE(text.find("• Line 2, column 5: '(' is never closed (expected ')')\n"
                        "• Line 2, column 4: '(' is never closed (expected ')')\n… and 3 more"),
              std::string::npos);
}

TEST(BracketCheck, LongRunsOfMismatchesAreCountedExactly) {
    // Every "]" mismatches the "(" on top, and no "[" is open, so nothing is removed.
    constexpr int kOpen = 200000;
    constexpr int kMismatches = 200000;
    const std::string input = std::string(kOpen, '(') + std::string(kMismatches, ']');
    const std::string text = BracketCheck::run(input).text;
    const int total = kOpen + kMismatches;
    EXPECT_EQ(text.substr(0, text.find('\n')), "Found " + std::to_string(total) + " problems:");
    EXPECT_NE(text.find("• Line 1, column 200001: found ']' but '(' from line 1, column 200000 is still open"),
              std::string::npos);
    EXPECT_TRUE(text.ends_with("\n… and " + std::to_string(total - 20) + " more"));
}

TEST(BracketCheck, RecoveryAfterDeepNesting) {
    // "[" then many "(": one "]" removes every "(" and the "[", leaving a balanced text.
    const std::string input = "[" + std::string(100000, '(') + "]";
    EXPECT_EQ(BracketCheck::run(input).text,
              found({"Line 1, column 100002: found ']' but '(' from line 1, column 100001 is still open"}));
}

}  // namespace
}  // namespace tavlets
