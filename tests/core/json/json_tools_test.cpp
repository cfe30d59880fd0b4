#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/test_cases.hpp"

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

// Every token survives parse and print byte for byte; printing the printed text again changes
// nothing.
TEST(JSONPrinters, RoundTripsKeepTokens) {
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
    const std::string pretty = JSONTools::pretty(parsed(doc));
    EXPECT_EQ(JSONTools::minify(parsed(doc)), minified);
    EXPECT_EQ(JSONTools::minify(parsed(pretty)), minified);
    EXPECT_EQ(JSONTools::pretty(parsed(pretty)), pretty);
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

const std::string kEllipsis = "\xE2\x80\xA6";

// A line of n distinct-looking ASCII characters.
std::string ruler(std::size_t n) {
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += char('0' + i % 10 + (i / 10 % 2) * ('a' - '0'));
    return s;
}

// The expected report: position, message, the shown line and a caret `pad` characters into it.
std::string report(int line, int column, const std::string& shown, std::size_t pad, const std::string& message = "M") {
    const std::string gutter = std::to_string(line) + " | ";
    return "Syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) + "\n" + message +
           "\n\n" + gutter + shown + "\n" + std::string(gutter.size() + pad, ' ') + "^";
}

TEST(JSONDescribe, ReportLayout) {
    const std::string r100 = ruler(100), r150 = ruler(150);
    const struct {
        std::string text;
        std::int64_t offset;
        std::string expected;
    } cases[] = {
        {"x", 0, report(1, 1, "x", 0)},
        {"[1,\n", 4, report(2, 1, "", 0)},
        {"ab", 99, report(1, 3, "ab", 2)},
        {"ab", -5, report(1, 1, "ab", 0)},
        {"\"\xC3\xA9\"x", 4, report(1, 4, "\"\xC3\xA9\"x", 3)},
        {"e\xCC\x81xy", 3, report(1, 3, "e\xCC\x81xy", 2)},
        {"[1 x]\r\n", 3, report(1, 4, "[1 x]", 3)},
        {"\r\r[x]", 3, report(1, 4, "[x]", 3)},
        {"[\"\xFF\" x]", 5, report(1, 6, "[\"\xEF\xBF\xBD\" x]", 5)},
        {std::string(11, '\n') + "ab", 12, report(12, 2, "ab", 1)},
        {r100, 60, report(1, 61, r100, 60)},
        {r100, 61, report(1, 62, kEllipsis + r100.substr(21), 41)},
        {r150, 79, report(1, 80, kEllipsis + r150.substr(39, 99) + kEllipsis, 41)},
        {ruler(101), 5, report(1, 6, r100 + kEllipsis, 5)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JSONTools::describe({c.offset, "M"}, c.text), c.expected) << ::testing::PrintToString(c.text);
}

// The column counts code points; the shortening counts characters, so an accent before the
// error leaves one character fewer to drop.
TEST(JSONDescribe, ShorteningCountsCharacters) {
    std::string line;
    for (int i = 0; i < 70; ++i)
        line += "e\xCC\x81";  // 70 characters, 140 code points
    line += "X";
    // Column 141, caret index 140: drop 100 characters, which is the whole line.
    EXPECT_EQ(JSONTools::describe({std::int64_t(line.size() - 1), "M"}, line), report(1, 141, kEllipsis, 1));
}

}  // namespace
}  // namespace tavlets
