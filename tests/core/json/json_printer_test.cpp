#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tavlets {
namespace {

JSONNode parsed(const std::string& text)
{
    const auto r = JSONParser::parse(text);
    EXPECT_TRUE(r.ok()) << text << ": " << r.error().message;
    return r.node();
}

TEST(JSONPrinters, Layout)
{
    const struct {
        std::string source;
        int indent;
        std::string pretty;
        std::string minified;
    } cases[] = {
        {R"({"a": [1, 2], "b": {}})", 0, "{\n  \"a\": [\n    1,\n    2\n  ],\n  \"b\": {}\n}",
         R"({"a":[1,2],"b":{}})"},
        {" -0.50E+3 ", 0, "-0.50E+3", "-0.50E+3"},
        {"\"a  b\"", 3, "\"a  b\"", "\"a  b\""},
        {"[ ]", 0, "[]", "[]"},
        {"{ }", 2, "{}", "{}"},
        {R"({"k": [], "o": {}})", 0, "{\n  \"k\": [],\n  \"o\": {}\n}", R"({"k":[],"o":{}})"},
        {R"({"a":1})", 1, "{\n    \"a\": 1\n  }", R"({"a":1})"},
        {"[[[]],{\"x\":[true]}]", 0, "[\n  [\n    []\n  ],\n  {\n    \"x\": [\n      true\n    ]\n  }\n]",
         "[[[]],{\"x\":[true]}]"},
        {"[\"a b\" , \" \" ,\"\\t\"]", 0, "[\n  \"a b\",\n  \" \",\n  \"\\t\"\n]", "[\"a b\",\" \",\"\\t\"]"},
        {"[1]", -3, "[\n  1\n]", "[1]"},
    };
    for (const auto& c : cases) {
        const JSONNode node = parsed(c.source);
        EXPECT_EQ(JSONTools::pretty(node, c.indent), c.pretty) << c.source;
        EXPECT_EQ(JSONTools::minify(node), c.minified) << c.source;
    }
}

TEST(JSONPrinters, SubtreesPrintOnTheirOwn)
{
    const JSONNode root = parsed(R"({"a":{"b":[1,{"c":null}]}})");
    EXPECT_EQ(JSONTools::minify(root.value(0).value(0)), R"([1,{"c":null}])");
    EXPECT_EQ(JSONTools::pretty(root.value(0).value(0).element(1)), "{\n  \"c\": null\n}");
}

// Every token survives parse and print byte for byte; printing the printed text again changes
// nothing.
TEST(JSONPrinters, RoundTripsKeepTokens)
{
    const std::string doc =
        "{\"num\\u0062ers\": [0, -0, 1.50, -0.50E+3, 1e-7, 2E+08, 123456789012345678901234567890],\n"
        " \"strings\": [\"\", \"\\/\\\\\\\"\\b\\f\\n\\r\\t\", \"\\uD83D\\uDE00\", \"\\u0000\", \"caf\xC3\xA9\","
        " \"\xF0\x9F\x98\x80 \xE6\x97\xA5\xE6\x9C\xAC\", \"  spaced  \"],\n"
        " \"words\": [true, false, null], \"dup\": 1, \"dup\": 2, \"deep\": [[[{\"x\": [{}]}]]]}";
    const std::string minified =
        "{\"num\\u0062ers\":[0,-0,1.50,-0.50E+3,1e-7,2E+08,123456789012345678901234567890],"
        "\"strings\":[\"\",\"\\/\\\\\\\"\\b\\f\\n\\r\\t\",\"\\uD83D\\uDE00\",\"\\u0000\",\"caf\xC3\xA9\","
        "\"\xF0\x9F\x98\x80 \xE6\x97\xA5\xE6\x9C\xAC\",\"  spaced  \"],"
        "\"words\":[true,false,null],\"dup\":1,\"dup\":2,\"deep\":[[[{\"x\":[{}]}]]]}";
    const JSONNode node = parsed(doc);
    EXPECT_EQ(JSONTools::minify(node), minified);

    const std::string pretty = JSONTools::pretty(node);
    EXPECT_EQ(JSONTools::minify(parsed(pretty)), minified);
    EXPECT_EQ(JSONTools::pretty(parsed(pretty)), pretty);
    EXPECT_EQ(JSONTools::pretty(parsed(minified)), pretty);
}

TEST(JSONPrinters, BuiltTrees)
{
    const JSONNode row = JSONNode::object({
        {JSONTools::quote("name"), JSONNode::leaf(JSONTools::quote("Ada \"the\" first"))},
        {JSONTools::quote("age"), JSONNode::leaf("36")},
        {JSONTools::quote("tags"), JSONNode::array({})},
        {JSONTools::quote("parsed"), parsed(R"({"x": [1, 2]})").value(0)},
        {JSONTools::quote("scalar"), parsed("[false]").element(0)},
    });
    const JSONNode table = JSONNode::array({row, row, JSONNode::leaf("null")});

    EXPECT_EQ(JSONTools::minify(table),
              R"([{"name":"Ada \"the\" first","age":36,"tags":[],"parsed":[1,2],"scalar":false},)"
              R"({"name":"Ada \"the\" first","age":36,"tags":[],"parsed":[1,2],"scalar":false},null])");
    EXPECT_EQ(JSONTools::pretty(row, 0),
              "{\n  \"name\": \"Ada \\\"the\\\" first\",\n  \"age\": 36,\n  \"tags\": [],\n"
              "  \"parsed\": [\n    1,\n    2\n  ],\n  \"scalar\": false\n}");

    ASSERT_EQ(table.size(), 3u);
    EXPECT_EQ(table.kind(), JSONNode::Kind::array);
    EXPECT_EQ(table.element(0).kind(), JSONNode::Kind::object);
    EXPECT_EQ(table.element(0).key(1), "\"age\"");
    EXPECT_EQ(table.element(0).value(1).text(), "36");
    EXPECT_EQ(table.element(1).value(3).element(1).text(), "2");
    EXPECT_EQ(table.element(2).text(), "null");

    // What prints must parse back to the same text.
    EXPECT_EQ(JSONTools::minify(parsed(JSONTools::pretty(table))), JSONTools::minify(table));
}

TEST(JSONPrinters, BuiltTreesNestBeyondTheParserLimit)
{
    JSONNode node = JSONNode::leaf("1");
    const int depth = 3000;
    for (int i = 0; i < depth; ++i)
        node = JSONNode::array({node});
    const std::string minified = JSONTools::minify(node);
    EXPECT_EQ(minified, std::string(depth, '[') + "1" + std::string(depth, ']'));
    EXPECT_EQ(JSONTools::pretty(node).size(), minified.size() + 2 * std::size_t(depth) * (depth + 1));
}

TEST(JSONPrinters, VeryDeepBuiltTreesPrintAndRelease)
{
    const int depth = 100000;
    {
        JSONNode node = JSONNode::leaf("1");
        for (int i = 0; i < depth; ++i)
            node = i % 2 ? JSONNode::array({node}) : JSONNode::object({{"\"k\"", node}});
        EXPECT_EQ(JSONTools::minify(node).size(), 1 + std::size_t(depth / 2) * 2 + std::size_t(depth / 2) * 6);
    }
    // A subtree still referenced from outside survives its parent's release.
    JSONNode kept = JSONNode::array({JSONNode::leaf("2")});
    { const JSONNode parent = JSONNode::array({kept, kept}); }
    EXPECT_EQ(JSONTools::minify(kept), "[2]");
}

TEST(JSONTools, Quote)
{
    const struct {
        std::string in;
        std::string out;
    } cases[] = {
        {"", "\"\""},
        {"plain text", "\"plain text\""},
        {"a\tb\nc\"d\\e", "\"a\\tb\\nc\\\"d\\\\e\""},
        {"\r", "\"\\r\""},
        {std::string(1, '\0'), "\"\\u0000\""},
        {"\x1B[0m\x1F", "\"\\u001b[0m\\u001f\""},
        {"\b\f", "\"\\u0008\\u000c\""},
        {"/ \x7F caf\xC3\xA9 \xF0\x9F\x98\x80", "\"/ \x7F caf\xC3\xA9 \xF0\x9F\x98\x80\""},
        {"\xEF\xBF\xBD", "\"\xEF\xBF\xBD\""},
        // Ill-formed bytes become U+FFFD so the token stays valid UTF-8.
        {"a\xFF" "b", "\"a\xEF\xBF\xBD" "b\""},
        {"\xC3", "\"\xEF\xBF\xBD\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JSONTools::quote(c.in), c.out);
        const auto r = JSONParser::parse(c.out);
        ASSERT_TRUE(r.ok()) << c.out;
        EXPECT_EQ(r.node().text(), c.out);
    }
}

}  // namespace
}  // namespace tavlets
