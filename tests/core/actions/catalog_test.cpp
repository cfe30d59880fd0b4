#include <tavlets/actions.hpp>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text_mining.hpp>

#include "test_cases.hpp"

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
    const std::map<std::string, Analysis> analyses = {{"plain", kPlain}, {"json", kJSON}, {"all", kAll}};
    for (const auto& row : readCases("catalog_runs.tsv")) {
        const Outcome expected{row.at(4), row.at(3).find("failure") != std::string::npos, row[3].find("mono") != std::string::npos};
        EXPECT_EQ(run(analyses.at(row.at(0)), row.at(1), row.at(2)), expected) << row[1] << " on " << testing::PrintToString(row[2]);
    }
    // These hand the untrimmed text to their engines.
    const std::string notes = "\nAnn: We shipped the beta.\nBob: Please send the notes by Friday.\nAnn: Sure.\n ";
    const std::string code = "  f(\"x);\n";
    EXPECT_EQ(run(kAll, "text.tldr", notes), TextMining::tldr(notes));
    EXPECT_EQ(run(kAll, "text.actions", notes), TextMining::actionItems(notes));
    EXPECT_EQ(run(kAll, "code.brackets", code), BracketCheck::run(code));
}

}  // namespace
}  // namespace tavlets
