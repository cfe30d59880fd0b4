#include <tavlets/actions.hpp>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text_mining.hpp>

namespace tavlets {
namespace {

using JS = Analysis::JSONState;

Analysis json(JS state) { return Analysis{state, std::nullopt, false, false}; }
Analysis table(char d) { return Analysis{JS::none, d, false, false}; }
Analysis longText() { return Analysis{JS::none, std::nullopt, false, true}; }
Analysis code() { return Analysis{JS::none, std::nullopt, true, false}; }

const std::vector<std::string> kAlways = {"case.upper", "case.lower",  "case.title", "case.sentence", "trim",
                                          "count",      "url.decode",  "b64.encode", "b64.decode"};

std::vector<std::string> with(std::vector<std::string> head) {
    head.insert(head.end(), kAlways.begin(), kAlways.end());
    return head;
}

std::vector<std::string> idsOf(const std::vector<Tavlet>& list) {
    std::vector<std::string> ids;
    for (const auto& t : list) ids.push_back(t.id);
    return ids;
}

const Tavlet& find(const std::vector<Tavlet>& list, const std::string& id) {
    for (const auto& t : list)
        if (t.id == id) return t;
    throw std::runtime_error("no entry " + id);
}

TEST(ActionCatalog, GroupsInOrderWithUniqueIds) {
    const std::vector<std::string> jsonIds = {"json.format", "json.minify", "json.error"};
    struct Case {
        Analysis analysis;
        std::vector<std::string> ids;
    };
    const std::vector<Case> cases = {
        {Analysis{}, kAlways},
        {json(JS::valid), with(jsonIds)},
        {json(JS::invalid), with(jsonIds)},
        {table('\t'), with({"csv.md", "csv.json"})},
        {longText(), with({"text.tldr", "text.actions"})},
        {code(), with({"code.brackets"})},
        {Analysis{JS::none, std::nullopt, true, true}, with({"text.tldr", "text.actions", "code.brackets"})},
        {Analysis{JS::invalid, ';', true, true},
         with({"json.format", "json.minify", "json.error", "csv.md", "csv.json", "text.tldr", "text.actions",
               "code.brackets"})},
    };
    for (const auto& c : cases) {
        const auto list = ActionCatalog::actions(c.analysis);
        EXPECT_EQ(idsOf(list), c.ids) << c.analysis.label();
        EXPECT_EQ(std::set<std::string>(c.ids.begin(), c.ids.end()).size(), list.size());
        for (const auto& t : list) EXPECT_TRUE(t.run && !t.title.empty() && !t.symbol.empty()) << t.id;
    }
    const auto plain = ActionCatalog::actions(Analysis{});
    EXPECT_EQ(plain.front().title, "UPPERCASE");
    EXPECT_EQ(find(ActionCatalog::actions(code()), "code.brackets").title, "Find unbalanced brackets & quotes");
}

const std::string kTrailingCommaReport =
    "Syntax error at line 1, column 9\nTrailing comma before '}'\n\n1 | {\"a\": 1,}\n            ^";
const std::string kNotYet = "This isn't valid JSON yet. Use \u201CFind syntax error\u201D to see where.\n\n";

TEST(ActionCatalog, RunsOnTheClipboardText) {
    const std::string validJSON = "\n\n  {\"a\": [1, 2], \"b\": {}}\n";
    const std::string brokenJSON = "\n\n{\"a\": 1,}\n";  // blank lines before do not count
    struct Case {
        Analysis analysis;
        std::string id;
        std::string input;
        Outcome expected;
    };
    const std::vector<Case> cases = {
        {json(JS::valid), "json.format", validJSON, {"{\n  \"a\": [\n    1,\n    2\n  ],\n  \"b\": {}\n}", false, true}},
        {json(JS::valid), "json.minify", validJSON, {"{\"a\":[1,2],\"b\":{}}", false, true}},
        {json(JS::valid), "json.error", validJSON, {"\u2713 Valid JSON \u2014 no syntax errors found.", false, false}},
        {json(JS::invalid), "json.format", brokenJSON, {kNotYet + kTrailingCommaReport, true, true}},
        {json(JS::invalid), "json.minify", brokenJSON, {kNotYet + kTrailingCommaReport, true, true}},
        {json(JS::invalid), "json.error", brokenJSON, {kTrailingCommaReport, false, true}},
        {table(','), "csv.md", "\nname,age\nAnn,30\n\"Bob|Jr\",7\n",
         {"| name    | age |\n| ------- | --- |\n| Ann     | 30  |\n| Bob\\|Jr | 7   |", false, true}},
        {table(','), "csv.json", " name,age,,name\nAnn, 30,true, x\n",
         {"[\n  {\n    \"name\": \"Ann\",\n    \"age\": 30,\n    \"column3\": true,\n    \"name_2\": \" x\"\n  }\n]",
          false, true}},
        // The captured delimiter is used, not detected again (',' would win detection here).
        {table(';'), "csv.md", "x,y;z\n1,2;3", {"| x,y | z   |\n| --- | --- |\n| 1,2 | 3   |", false, true}},
        {Analysis{}, "case.upper", "  hello world\n", {"  HELLO WORLD\n", false, false}},
        {Analysis{}, "case.lower", " \u00C0B\n", {" \u00E0b\n", false, false}},
        {Analysis{}, "case.title", "hello wORLD\n", {"Hello World\n", false, false}},
        {Analysis{}, "case.sentence", "HELLO. WORLD? yes!", {"Hello. World? Yes!", false, false}},
        {Analysis{}, "trim", "  a  \n\n   b \t", {"a\n\nb", false, false}},
        {Analysis{}, "count", "Hello world",
         {"2 words\n11 characters (10 without spaces)\n1 sentence, 1 line\nReading time: under a minute", false,
          false}},
        {Analysis{}, "url.decode", "  a%20b+c\n", {"a b+c", false, true}},
        {Analysis{}, "url.decode", "%zz", {"That text has an invalid % escape and can't be URL-decoded.", true, false}},
        {Analysis{}, "b64.encode", "abc\n", {"YWJjCg==", false, true}},
        {Analysis{}, "b64.decode", " SGVs bG8=\n", {"Hello", false, true}},
        {Analysis{}, "b64.decode", "%%%", {"That isn't valid Base64.", true, false}},
    };
    for (const auto& c : cases) {
        const auto list = ActionCatalog::actions(c.analysis);
        EXPECT_EQ(find(list, c.id).run(c.input), c.expected) << c.id << " on " << c.input;
    }
}

TEST(ActionCatalog, EngineOutcomesPassUnchangedOnUntrimmedText) {
    const auto list = ActionCatalog::actions(Analysis{JS::none, std::nullopt, true, true});
    const std::string notes =
        "\n  Ann: We shipped the beta on Monday and the feedback was good.\n"
        "Bob: Please send the release notes to the team by Friday.\n"
        "Ann: I will update the roadmap tomorrow.\n  ";
    const std::string source = "  int main() {\n  return f(\"x);\n}\n";
    EXPECT_EQ(find(list, "text.tldr").run(notes), TextMining::tldr(notes));
    EXPECT_EQ(find(list, "text.actions").run(notes), TextMining::actionItems(notes));
    EXPECT_EQ(find(list, "code.brackets").run(source), BracketCheck::run(source));
}

TEST(ActionCatalog, TableEntriesSurviveTextWithoutRows) {
    const auto list = ActionCatalog::actions(table(','));
    for (const std::string input : {"", " \n\t "}) {
        const Outcome md = find(list, "csv.md").run(input);
        EXPECT_TRUE(md.isError);
        EXPECT_FALSE(md.text.empty());
        EXPECT_FALSE(find(list, "csv.json").run(input).isError);
    }
}

}  // namespace
}  // namespace tavlets
