#include <tavlets/user_actions.hpp>

#include <cerrno>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "test_cases.hpp"

namespace tavlets {
namespace {

using Kind = ContentKind;

std::string where(const std::vector<ConfigProblem>& problems) {
    std::string out;
    for (const auto& p : problems) out += std::to_string(p.line) + ":" + std::to_string(p.column) + " " + p.message + "\n";
    return out;
}

TEST(UserActionsFile, ReadsSoundEntriesInFileOrderWithDefaults) {
    const auto config = parseUserActions(R"(# mine
[[action]]
title = "Sort lines"
symbol = "arrow.up.arrow.down"
when = ["text", "long-text"]
match = '^\s*<'
run = ["sort", "-u"]
timeout = 3
mono = false

[[action]]
title = "  Keys  "
run = ["jq", "keys"]
)");
    ASSERT_TRUE(config.problems.empty()) << where(config.problems);
    ASSERT_EQ(config.actions.size(), 2u);
    const auto fields = [](const UserAction& a) {
        return std::tuple(a.index, a.title, a.symbol, a.when, a.match, a.regex != nullptr, a.run, a.timeoutSeconds, a.mono);
    };
    EXPECT_EQ(fields(config.actions[0]), std::tuple(1, "Sort lines", "arrow.up.arrow.down", std::vector<Kind>{Kind::text, Kind::longText},
                                                    "^\\s*<", true, std::vector<std::string>{"sort", "-u"}, 3, false));
    EXPECT_EQ(fields(config.actions[1]), std::tuple(2, "Keys", "", std::vector<Kind>{Kind::any}, "", false,
                                                    std::vector<std::string>{"jq", "keys"}, 10, true));
}

TEST(UserActionsFile, EachMistakeIsPlacedAndOnlyItsEntryIsSkipped) {
    for (const auto& row : readCases("user_actions_mistakes.tsv")) {
        SCOPED_TRACE(row.at(0));
        const auto config = parseUserActions(row[0]);
        ASSERT_EQ(config.problems.size(), 1u) << where(config.problems);
        EXPECT_EQ(config.problems[0].line, std::stoi(row.at(1))) << where(config.problems);
        EXPECT_EQ(config.problems[0].column, std::stoi(row.at(2))) << where(config.problems);
        EXPECT_THAT(config.problems[0].message, testing::HasSubstr(row.at(3)));
        if (row.at(4) == "kept") {
            ASSERT_EQ(config.actions.size(), 1u);
            EXPECT_EQ(config.actions[0].title, "Good");
        } else {
            EXPECT_TRUE(config.actions.empty());
        }
    }
}

TEST(UserActionsFile, SeveralMistakesAreListedInFileOrder) {
    const auto config = parseUserActions("[[action]]\nzz = 1\naa = 2\ntitle = \"T\"\nrun = [\"a\"]\n");
    ASSERT_EQ(config.problems.size(), 2u);
    EXPECT_EQ(config.problems[0].line, 2);
    EXPECT_EQ(config.problems[1].line, 3);
    EXPECT_TRUE(parseUserActions("").actions.empty() && parseUserActions("").problems.empty());
}

// Nesting deep enough to overflow the parser's stack is refused before parsing, at its place.
TEST(UserActionsFile, PathologicalNestingIsAProblemNotACrash) {
    const std::string good = "[[action]]\ntitle = \"Good\"\nrun = [\"true\"]\n";
    const struct {
        const char* name;
        std::string file;
        int line, column;  // 0: not refused
        bool keepsGood;
    } cases[] = {
        {"dotted header", "[" + repeated("a.", 50'000) + "a]\n" + good, 1, 129, false},
        {"dotted key after an entry", good + "[[action]]\n" + repeated("a.", 50'000) + "a = 1\n", 5, 130, true},
        {"nested lists", good + "[[action]]\ntitle = \"T\"\nrun = " + repeated("[", 100'000) + "\n", 6, 71, true},
        {"nested inline tables", "x = " + repeated("{a=", 100'000) + "\n", 1, 197, false},
        {"deep in a string or a comment",
         "[[action]]\ntitle = \"" + repeated("[a.", 1000) + "\"\nrun = ['''\n" + repeated("{[.", 1000) + "''']  # " +
             repeated("a.", 1000) + "\n",
         0, 0, true},
        {"sixty-four levels", "[" + repeated("a.", 63) + "a]\n", 0, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto config = parseUserActions(c.file);
        const bool refused = !config.problems.empty() &&
                             config.problems[0].message.find("levels deep") != std::string::npos;
        EXPECT_EQ(refused, c.line != 0) << where(config.problems);
        if (refused) {
            EXPECT_EQ(config.problems[0].line, c.line);
            EXPECT_EQ(config.problems[0].column, c.column);
        }
        EXPECT_EQ(config.actions.size(), c.keepsGood ? 1u : 0u) << where(config.problems);
    }
}

TEST(UserActionsFile, OnlyTheOwnerMayWriteIt) {
    EXPECT_EQ(unsafeConfigReason(1000, 0600, 1000), std::nullopt);
    EXPECT_EQ(unsafeConfigReason(1000, 0644, 1000), std::nullopt);
    EXPECT_EQ(unsafeConfigReason(1000, 0444, 1000), std::nullopt);
    for (unsigned mode : {0620u, 0602u, 0666u}) EXPECT_THAT(unsafeConfigReason(1000, mode, 1000).value_or(""),
                                                            testing::HasSubstr("other users may change it"));
    EXPECT_THAT(unsafeConfigReason(0, 0644, 1000).value_or(""), testing::HasSubstr("belongs to another user"));
}

Analysis analysisOf(Kind kind) {
    Analysis a;
    switch (kind) {
    case Kind::json: a.json = Analysis::JSONState::valid; break;
    case Kind::jsonInvalid: a.json = Analysis::JSONState::invalid; break;
    case Kind::table: a.delimiter = ','; break;
    case Kind::code: a.isCode = true; break;
    case Kind::longText: a.isLongText = true; break;
    case Kind::text:
    case Kind::any: break;
    }
    return a;
}

TEST(UserActionsMatching, WhenTimesKinds) {
    const Kind kinds[] = {Kind::json, Kind::jsonInvalid, Kind::table, Kind::code, Kind::longText, Kind::text};
    for (const Kind asked : kinds) {
        for (const Kind actual : kinds) {
            EXPECT_EQ(isKind(analysisOf(actual), asked), asked == actual) << int(asked) << " " << int(actual);
            EXPECT_TRUE(isKind(analysisOf(actual), Kind::any));
        }
    }
    UserAction action;
    action.when = {Kind::json, Kind::code};
    EXPECT_TRUE(action.appliesTo(analysisOf(Kind::code), "x"));
    EXPECT_TRUE(action.appliesTo(analysisOf(Kind::json), "x"));
    EXPECT_FALSE(action.appliesTo(analysisOf(Kind::text), "x"));
    EXPECT_EQ(contentKindNamed("long-text"), Kind::longText);
    EXPECT_EQ(contentKindNamed("JSON"), std::nullopt);
}

TEST(UserActionsMatching, MatchSearchesTheTrimmedText) {
    const auto config = parseUserActions(
        "[[action]]\ntitle = \"XML\"\nmatch = '^\\s*<'\nrun = [\"x\"]\n"
        "[[action]]\ntitle = \"Ends\"\nmatch = 'b$'\nrun = [\"x\"]\n"
        "[[action]]\ntitle = \"Catastrophic\"\nmatch = '(a+)+$'\nrun = [\"x\"]\n");
    ASSERT_EQ(config.actions.size(), 3u) << where(config.problems);
    const Analysis text;
    const struct { const char* text; bool xml, ends; } cases[] = {
        {"\n\n  <a/>", true, false}, {"a <b", false, true}, {"ab  \n", false, true}, {"\xff<", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(config.actions[0].appliesTo(text, c.text), c.xml) << c.text;
        EXPECT_EQ(config.actions[1].appliesTo(text, c.text), c.ends) << c.text;
    }
    // A runaway pattern counts as no match instead of holding the panel.
    EXPECT_FALSE(config.actions[2].appliesTo(text, std::string(40, 'a') + "!"));
}

TEST(UserActionsRunning, EndingsBecomeOutcomes) {
    UserAction action;
    action.run = {"jq", "keys"};
    action.timeoutSeconds = 5;
    using E = CommandResult::Ending;
    const std::map<std::string, E> endings = {{"exited", E::exited}, {"signalled", E::signalled}, {"not started", E::notStarted},
        {"timed out", E::timedOut}, {"too much output", E::tooMuchOutput}, {"cancelled", E::cancelled}};
    const std::map<std::string, int> codes = {{"ENOENT", ENOENT}, {"EACCES", EACCES}};
    for (const auto& row : readCases("command_endings.tsv")) {
        const CommandResult result{endings.at(row.at(0)), codes.count(row.at(1)) ? codes.at(row[1]) : std::stoi(row[1]), row.at(2), row.at(3)};
        EXPECT_EQ(outcomeOf(action, result), (Outcome{row.at(5), row.at(4) == "failure", row[4] == "mono"})) << row[5];
    }
    action.timeoutSeconds = 1;
    EXPECT_EQ(outcomeOf(action, {E::timedOut, 0, "", ""}).text, "The command took longer than 1 second.");
    action.mono = false;
    EXPECT_FALSE(outcomeOf(action, {E::exited, 0, "x", ""}).mono);
}

TEST(UserActionsRunning, OnlyApplyingEntriesBecomeActionsThatPassTheUntrimmedText) {
    const auto config = parseUserActions(
        "[[action]]\ntitle = \"Sort\"\nsymbol = \"s\"\nrun = [\"sort\"]\ntimeout = 2\n"
        "[[action]]\ntitle = \"Keys\"\nwhen = [\"json\"]\nrun = [\"jq\", \"keys\"]\n"
        "[[action]]\ntitle = \"Shout\"\nwhen = [\"text\"]\nrun = [\"tr\", \"a-z\", \"A-Z\"]\n");
    ASSERT_EQ(config.actions.size(), 3u);
    std::vector<CommandRequest> seen;
    const CommandRunner runner = [&](const CommandRequest& r) {
        seen.push_back({r.argv, {}, r.timeout, r.outputLimit});
        return CommandResult{CommandResult::Ending::exited, 0, std::string(r.input), ""};
    };
    const auto tavlets = userTavlets(config.actions, Analysis{}, " b\na \n", runner);
    ASSERT_EQ(tavlets.size(), 2u);
    EXPECT_EQ(tavlets[0].id, "user.1");
    EXPECT_EQ(tavlets[0].title, "Sort");
    EXPECT_EQ(tavlets[0].symbol, "s");
    EXPECT_EQ(tavlets[1].id, "user.3");
    EXPECT_EQ(tavlets[0].run(" b\na \n"), (Outcome{" b\na \n", false, true}));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].argv, (std::vector<std::string>{"sort"}));
    EXPECT_EQ(seen[0].timeout, std::chrono::seconds(2));
    EXPECT_EQ(seen[0].outputLimit, kCommandOutputLimit);
}

}  // namespace
}  // namespace tavlets
