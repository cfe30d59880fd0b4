#include <tavlets/bracket_check.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

const std::string kBalanced = "✓ All brackets and quotes are balanced.";

std::string found(const std::vector<std::string>& problems) {
    std::string out = "Found " + std::to_string(problems.size()) + " problems:\n";
    for (const auto& p : problems) out += "\n• " + p;
    return out;
}

std::string extra(int line, int column, char closer = ')') {
    return "Line " + std::to_string(line) + ", column " + std::to_string(column) + ": extra closing '" + closer +
           "' with no matching opener";
}

std::string neverClosed(int line, int column) {
    return "Line " + std::to_string(line) + ", column " + std::to_string(column) + ": '(' is never closed (expected ')')";
}

std::string one(const std::string& problem) { return "Found 1 problem:\n\n• " + problem; }

TEST(BracketCheck, Reports) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", kBalanced},
        {"f(a[1], {b: (c)})", kBalanced},
        {"a)", "Found 1 problem:\n\n• Line 1, column 2: extra closing ')' with no matching opener"},
        {"\t\t)", one(extra(1, 3))},
        {"([)]", found({"Line 1, column 3: found ')' but '[' from line 1, column 2 is still open", extra(1, 4, ']')})},
        {"foo(bar]", found({"Line 1, column 8: found ']' but '(' from line 1, column 4 is still open",
                            neverClosed(1, 4)})},
        {"{ ( [ }\n)", found({"Line 1, column 7: found '}' but '[' from line 1, column 5 is still open", extra(2, 1)})},
        {"function f(a) {\n  if (a[0] > 1 {\n    return \"x;\n}",
         found({"Unclosed \" quote opened at line 3, column 12", neverClosed(2, 6),
                "Line 1, column 15: '{' is never closed (expected '}')"})},
        // Comments and strings.
        {"// ( [ {\n)", one(extra(2, 1))},
        {"/* ( \" ' */ ()", kBalanced},
        {"/*/ ( */ )", one(extra(1, 10))},
        {"( /* ) \" ", one(neverClosed(1, 1))},
        {"# (\n", kBalanced},
        {"  #!/bin/sh (", kBalanced},
        {"x #!(\n\xC3\xA9 #!(", found({neverClosed(2, 5), neverClosed(1, 5)})},  // a shebang only starts a line
        {"#include <a> (", one(neverClosed(1, 14))},
        {"don't (x)\n(y", found({"Unclosed ' quote opened at line 1, column 4", neverClosed(2, 1)})},
        {R"(s = "a \" ( b"; ())", kBalanced},
        {"\"a\\\n)", found({"Unclosed \" quote opened at line 1, column 1", extra(2, 1)})},
        {"`a\n(\n` ()", kBalanced},
        {"x\n  `a\n(", one("Unclosed ` quote opened at line 2, column 3")},
        {"\"\"\"\n( \\\"\"\" \n\"\"\" ()", kBalanced},
        {"(\n'''abc\n)", found({"Unclosed triple quote ''' opened at line 2, column 1", neverClosed(1, 1)})},
        // Three backticks are an empty string and the start of another, which runs to the end.
        {"```\n(", one("Unclosed ` quote opened at line 1, column 3")},
        // Characters, not bytes: a bracket or quote carrying a mark is another character.
        {"(\xCC\x81 x", kBalanced},
        {"\"\xCC\x81 (", one(neverClosed(1, 3))},
        {"é👍🏽 )", one(extra(1, 4))},
        {"\xFF\xFE (", one(neverClosed(1, 4))},
        // CR LF ends a line like a line feed; a lone CR does not.
        {"a\r\n// (\r\n  )", one(extra(3, 3))},
        {"\"a\r\n'b\\\r\n)",
         found({"Unclosed \" quote opened at line 1, column 1", "Unclosed ' quote opened at line 2, column 1",
                extra(3, 1)})},
        {"x\r\n#! (", kBalanced},
        {"\"a\r)\"\r)", one(extra(1, 7))},
    };
    for (const auto& [input, expected] : cases) {
        const Outcome outcome = BracketCheck::run(input);
        EXPECT_EQ(outcome, (Outcome{expected, false, false})) << testing::PrintToString(input) << "\n" << outcome.text;
    }
}

// Twenty problems are listed, the never-closed openers after the rest, innermost first.
TEST(BracketCheck, ListsTwentyProblems) {
    for (const int closers : {20, 18, 15}) {
        std::string expected = "Found " + std::to_string(closers + 5) + " problems:\n";
        for (int column = 1; column <= closers; ++column) expected += "\n• " + extra(1, column);
        for (int column = 5; column > closers - 15; --column) expected += "\n• " + neverClosed(2, column);
        if (closers > 15) expected += "\n… and " + std::to_string(closers - 15) + " more";
        EXPECT_EQ(BracketCheck::run(std::string(closers, ')') + "\n(((((").text, expected);
    }
}

TEST(BracketCheck, LongRunsStayExact) {
    // Every "]" mismatches the "(" on top and no "[" is open, so nothing is removed.
    const std::string text = BracketCheck::run(std::string(200000, '(') + std::string(200000, ']')).text;
    EXPECT_TRUE(text.starts_with("Found 400000 problems:\n\n• Line 1, column 200001: found ']' but '(' from line 1, "
                                 "column 200000 is still open\n"));
    EXPECT_TRUE(text.ends_with("\n… and 399980 more"));
    // One "]" drops every "(" above the "[" and the "[" with them.
    EXPECT_EQ(BracketCheck::run("[" + std::string(100000, '(') + "]").text,
              "Found 1 problem:\n\n• Line 1, column 100002: found ']' but '(' from line 1, column 100001 is still open");
}

}  // namespace
}  // namespace tavlets
