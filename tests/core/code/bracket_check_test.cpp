#include <tavlets/bracket_check.hpp>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"

namespace tavlets {
namespace {

std::string extra(int line, int column, char closer = ')') {
    return "Line " + std::to_string(line) + ", column " + std::to_string(column) + ": extra closing '" + closer +
           "' with no matching opener";
}

std::string neverClosed(int line, int column) {
    return "Line " + std::to_string(line) + ", column " + std::to_string(column) + ": '(' is never closed (expected ')')";
}

TEST(BracketCheck, Reports) {
    for (const auto& row : readCases("bracket_reports.tsv")) {
        const Outcome outcome = BracketCheck::run(row.at(0));
        EXPECT_EQ(outcome, (Outcome{row.at(1), false, false})) << testing::PrintToString(row[0]) << "\n" << outcome.text;
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
