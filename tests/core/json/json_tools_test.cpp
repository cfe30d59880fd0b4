#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <string>

#include "test_cases.hpp"

namespace tavlets {
namespace {

JSONNode parsed(const std::string& text) {
    const auto r = JSONParser::parse(text);
    EXPECT_TRUE(r.ok()) << text << ": " << r.error().message;
    return r.node();
}

TEST(JSONTools, Table) {
    StringFunctions functions = {
        {"minify", [](const std::string& s) { return JSONTools::minify(parsed(s)); }},
        {"reprinted", [](const std::string& s) {  // printed pretty, read back; printing it again changes nothing
             const std::string pretty = JSONTools::pretty(parsed(s));
             EXPECT_EQ(JSONTools::pretty(parsed(pretty)), pretty);
             return JSONTools::minify(parsed(pretty));
         }},
        {"quote", [](const std::string& s) {
             const std::string quoted = JSONTools::quote(s);
             EXPECT_EQ(JSONParser::parse(quoted).node().text(), quoted);
             return quoted;
         }},
    };
    for (int indent : {-3, 0, 1, 2, 3})
        functions["pretty " + std::to_string(indent)] = [indent](const std::string& s) { return JSONTools::pretty(parsed(s), indent); };
    checkFunctions("json_functions.tsv", functions);
}

// Trees built by hand mix fresh leaves with parsed subtrees.
TEST(JSONPrinters, BuiltTrees) {
    const JSONNode row = JSONNode::object({
        {JSONTools::quote("name"), JSONNode::leaf(JSONTools::quote("Ada \"the\" first"))},
        {JSONTools::quote("tags"), JSONNode::array({})},
        {JSONTools::quote("parsed"), parsed(R"({"x": [1, 2]})").value(0)},
    });
    const JSONNode table = JSONNode::array({row, row, JSONNode::leaf("null")});
    EXPECT_EQ(JSONTools::minify(table), R"([{"name":"Ada \"the\" first","tags":[],"parsed":[1,2]},)"
                                        R"({"name":"Ada \"the\" first","tags":[],"parsed":[1,2]},null])");
    EXPECT_EQ(JSONTools::pretty(row),
              "{\n  \"name\": \"Ada \\\"the\\\" first\",\n  \"tags\": [],\n  \"parsed\": [\n    1,\n    2\n  ]\n}");
    EXPECT_EQ(table.element(1).value(2).element(1).text(), "2");
}

// Built trees have no nesting limit: printing and releasing them must not recurse.
TEST(JSONPrinters, VeryDeepBuiltTreesPrintAndRelease) {
    JSONNode arrays = JSONNode::leaf("1");
    for (int i = 0; i < 3000; ++i)
        arrays = JSONNode::array({arrays});
    EXPECT_EQ(JSONTools::pretty(arrays).size(), 6001 + 2 * 3000u * 3001);
    JSONNode mixed = JSONNode::leaf("1");
    for (int i = 0; i < 100000; ++i)
        mixed = i % 2 ? JSONNode::array({mixed}) : JSONNode::object({{"\"k\"", mixed}});
    EXPECT_EQ(JSONTools::minify(mixed).size(), 1 + 50000 * 8u);
    // A subtree still referenced from outside survives its parent's release.
    JSONNode kept = JSONNode::array({JSONNode::leaf("2")});
    { const JSONNode parent = JSONNode::array({kept, kept}); }
    EXPECT_EQ(JSONTools::minify(kept), "[2]");
}

TEST(JSONDescribe, ReportLayout) {
    for (const auto& row : readCases("json_reports.tsv"))
        EXPECT_EQ(JSONTools::describe({std::stoll(row.at(0)), "M"}, row.at(1)), row.at(2)) << ::testing::PrintToString(row[1]);
}

}  // namespace
}  // namespace tavlets
