#include <tavlets/actions.hpp>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text_mining.hpp>

namespace tavlets {
namespace {

using JS = Analysis::JSONState;
const Analysis kPlain{};
const Analysis kJSON{JS::valid, {}, false, false};
const Analysis kAll{JS::invalid, ';', true, true};

Outcome run(const Analysis& analysis, const std::string& id, const std::string& input) {
    for (const auto& t : ActionCatalog::actions(analysis))
        if (t.id == id) return t.run(input);
    ADD_FAILURE() << "no entry " << id;
    return {};
}

TEST(ActionCatalog, GroupsInOrderWithUniqueIds) {
    const std::vector<std::pair<Analysis, std::size_t>> sizes = {
        {kPlain, 9}, {kJSON, 12}, {{JS::invalid, {}, false, false}, 12}, {{JS::none, '\t', false, false}, 11},
        {{JS::none, {}, false, true}, 11}, {{JS::none, {}, true, false}, 10}, {kAll, 17}};
    for (const auto& [analysis, size] : sizes) {
        const auto list = ActionCatalog::actions(analysis);
        std::set<std::string> ids;
        for (const auto& t : list) ids.insert(t.id);
        EXPECT_EQ(list.size(), size);
        EXPECT_EQ(ids.size(), size);
        EXPECT_EQ(list[size - 9].title, "UPPERCASE");
        EXPECT_EQ(list.back().id, "b64.decode");
    }
    std::vector<std::string> order;
    for (const auto& t : ActionCatalog::actions(kAll)) order.push_back(t.id);
    EXPECT_EQ(std::vector(order.begin(), order.begin() + 8),
              (std::vector<std::string>{"json.format", "json.minify", "json.error", "csv.md", "csv.json",
                                        "text.tldr", "text.actions", "code.brackets"}));
}

TEST(ActionCatalog, EveryRunOnClipboardText) {
    const std::string report =  // counted from the first non-blank line
        "Syntax error at line 1, column 9\nTrailing comma before '}'\n\n1 | {\"a\": 1,}\n            ^";
    const std::string notYet = "This isn't valid JSON yet. Use \u201CFind syntax error\u201D to see where.\n\n";
    const std::string broken = "\n\n{\"a\": 1,}\n", valid = " \n{\"a\": [1], \"b\": {}}\n";
    const std::string notes = "\nAnn: We shipped the beta.\nBob: Please send the notes by Friday.\nAnn: Sure.\n ";
    const std::string code = "  f(\"x);\n";
    const std::vector<std::tuple<Analysis, std::string, std::string, Outcome>> cases = {
        {kJSON, "json.format", valid, {"{\n  \"a\": [\n    1\n  ],\n  \"b\": {}\n}", false, true}},
        {kJSON, "json.minify", valid, {"{\"a\":[1],\"b\":{}}", false, true}},
        {kJSON, "json.error", valid, {"\u2713 Valid JSON \u2014 no syntax errors found.", false, false}},
        {kAll, "json.format", broken, {notYet + report, true, true}},
        {kAll, "json.error", broken, {report, false, true}},
        // ';' was fixed when the list was built; detecting again would pick ','.
        {kAll, "csv.md", "x,y;z\n1,2;3\n", {"| x,y | z   |\n| --- | --- |\n| 1,2 | 3   |", false, true}},
        {kAll, "csv.json", " a;b\n1;x", {"[\n  {\n    \"a\": 1,\n    \"b\": \"x\"\n  }\n]", false, true}},
        {kAll, "csv.md", " \n ", {"There's no table here to convert.", true, false}},
        {kAll, "text.tldr", notes, TextMining::tldr(notes)},
        {kAll, "text.actions", notes, TextMining::actionItems(notes)},
        {kAll, "code.brackets", code, BracketCheck::run(code)},
        {kPlain, "case.upper", " a\u00df\n", {" ASS\n", false, false}},
        {kPlain, "case.lower", " \u00C0B\n", {" \u00E0b\n", false, false}},
        {kPlain, "case.title", "hello wORLD\n", {"Hello World\n", false, false}},
        {kPlain, "case.sentence", "HI. YOU?\n", {"Hi. You?\n", false, false}},
        {kPlain, "trim", "  a  \n\n b \t", {"a\n\nb", false, false}},
        {kPlain, "count", " Hi\n", {"1 word\n4 characters (2 without spaces)\n1 sentence, 1 line\n"
                                    "Reading time: under a minute", false, false}},
        {kPlain, "url.decode", "  a%20b+c\n", {"a b+c", false, true}},
        {kPlain, "b64.encode", "abc\n", {"YWJjCg==", false, true}},
        {kPlain, "b64.decode", " SGVs bG8=\n", {"Hello", false, true}},
    };
    for (const auto& [analysis, id, input, expected] : cases) EXPECT_EQ(run(analysis, id, input), expected) << id;
}

}  // namespace
}  // namespace tavlets
