#include "json/json_storage.hpp"
#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavlets {
namespace {

const std::string kValue = "Unexpected end of input — expected a value";
const std::string kBrace = "Unexpected end of input — missing '}'";
const std::string kUnclosed = "String is missing its closing quote";
const std::string kHex = "Invalid \\u escape — needs 4 hex digits";
const std::string kExtra = "Unexpected extra content after the JSON value";
const std::string kSingle = "Strings must use double quotes, not single quotes";

// One row per path through the parser's failure branches.
TEST(JSONParser, FailuresReportMessageAndOffset)
{
    const struct {
        std::string text;
        std::string message;
        std::int64_t offset;
    } cases[] = {
        {"", kValue, 0},
        {" \n\t\r ", kValue, 5},
        {"[", kValue, 1},
        {"[1, ", kValue, 4},
        {"[1 ", "Unexpected end of input — missing ']'", 3},
        {"{ \n", kBrace, 3},
        {"{\"a\":1", kBrace, 6},
        {"{\"a\":1, ", kBrace, 8},
        {"[1, \n]", "Trailing comma before ']'", 5},
        {"{\"a\":1,}", "Trailing comma before '}'", 7},
        {"[1}", "Expected ',' or ']' — Unexpected '}'", 2},
        {"[1 'a']", "Expected ',' or ']' — " + kSingle, 3},
        {"[1 \x7F]", "Expected ',' or ']' — Unexpected character", 3},
        {"{\"a\":1 \"b\":2}", "Expected ',' or '}' — Unexpected '\"'", 7},
        {"[,1]", "Expected a value but found ','", 1},
        {"]", "Expected a value but found ']'", 0},
        {"{'a':1}", kSingle, 1},
        {"{a:1}", "Expected a double-quoted key — Unexpected 'a'", 1},
        {"{\"a\"", "Expected ':' after key — Unexpected end of input", 4},
        {"{\"a\"\t\x01}", "Expected ':' after key — Unexpected character", 5},
        {"\"abc", kUnclosed, 0},
        {"[\"a\nb\"]", kUnclosed, 3},
        {"\"\\", kUnclosed, 0},
        {"\"abc\\\"", kUnclosed, 0},
        {std::string("\"a\0b\"", 5), "Unescaped control character in string", 2},
        {"\"\\x\"", "Invalid escape sequence '\\x'", 2},
        {"\"\\\xC3\xA9\"", "Invalid escape sequence '\\\xC3\x83'", 2},
        {"\"\\u12G4\"", kHex, 5},
        {"\"\\u12", kHex, 5},
        {"-01", "Numbers can't have leading zeros", 2},
        {"-", "Expected a digit in number", 1},
        {"1.", "Expected a digit after the decimal point", 2},
        {"1e+", "Expected a digit in the exponent", 3},
        {"tru", "Invalid literal — did you mean 'true'?", 0},
        {"nope", "Invalid literal — did you mean 'null'?", 0},
        {"[1, fals]", "Invalid literal — did you mean 'false'?", 4},
        {"True", "Unexpected 'T'", 0},
        {"'a'", kSingle, 0},
        {"0x1", kExtra, 1},
        {"{} \n {}", kExtra, 5},
        {std::string("null\0", 5), kExtra, 4},
    };
    for (const auto& c : cases) {
        const JSONSyntaxError expected{c.offset, c.message};
        EXPECT_EQ(JSONParser::parse(c.text).error(), expected) << ::testing::PrintToString(c.text);
        EXPECT_EQ(parseJSONWide(c.text).error(), expected) << "64-bit records: " << ::testing::PrintToString(c.text);
    }
}

TEST(JSONParser, NestingLimit)
{
    auto nest = [](int n, const std::string& inner, const std::string& open = "[", char close = ']') {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += open;
        return s + inner + std::string(n, close);
    };
    for (const std::string& text : {nest(401, ""), nest(400, "1"), nest(400, "{}"), nest(400, "{}", "{\"k\":", '}')})
        EXPECT_TRUE(JSONParser::parse(text).ok());
    const std::pair<std::string, std::int64_t> tooDeep[] = {
        {nest(402, ""), 401}, {nest(401, "\"x\""), 401}, {nest(100000, ""), 401},
        {nest(401, "[]", "{\"k\":", '}'), 401 * 5}};
    for (const auto& [text, offset] : tooDeep)
        EXPECT_EQ(JSONParser::parse(text).error(), (JSONSyntaxError{offset, "Nesting is too deep"}));
}

TEST(JSONParser, LoneScalarsAreDocuments)
{
    for (std::string token : {"0", "-0", "-0.50E+3", "123456789012345678901234567890", "\"\"", "\"\\u0000\\/\\uD800\"",
                              "true", "false", "null", "\"caf\xC3\xA9 \xF0\x9F\x98\x80\""}) {
        const auto r = JSONParser::parse(" \t\r\n" + token + "\n ");
        ASSERT_TRUE(r.ok()) << token << ": " << r.error().message;
        EXPECT_EQ(r.node().kind(), JSONNode::Kind::leaf);
        EXPECT_EQ(r.node().text(), token);
    }
}

TEST(JSONParser, TreeKeepsOrderDuplicatesAndTokens)
{
    const std::string doc = R"( { "b" : [ 1 , -0.50E+3 , [] ] , "a" : { } , "b" : "x\/\u00e9" } )";
    for (auto parse : {&JSONParser::parse, &parseJSONWide}) {
        std::string text = doc;
        const JSONNode root = parse(text).node(), list = root.value(0);
        text.assign(text.size(), 'x');  // nodes outlive both the result and the input
        ASSERT_EQ(root.size(), 3u);
        ASSERT_EQ(list.size(), 3u);
        EXPECT_EQ(root.key(0), "\"b\"");
        EXPECT_EQ(root.key(2), "\"b\"");
        EXPECT_EQ(list.element(1).text(), "-0.50E+3");
        EXPECT_EQ(list.element(2).kind(), JSONNode::Kind::array);
        EXPECT_EQ(root.value(1).kind(), JSONNode::Kind::object);
        EXPECT_EQ(root.value(2).text(), R"("x\/\u00e9")");
        // Out-of-range or wrong-kind access gives an empty leaf, never a crash.
        EXPECT_EQ(root.key(3), "");
        EXPECT_EQ(root.value(3).text(), "");
        EXPECT_EQ(root.element(0).size(), 0u);
        EXPECT_EQ(list.element(3).text(), "");
    }
}

// The public parsing suite: y_ files must parse, n_ files must fail, i_ files may do either.
// Every file also goes through the printers or the report, which must not crash, and a document
// that parses must print to text that parses back to the same tokens.
TEST(JSONConformance, ParsingSuite)
{
    const auto dir = std::filesystem::path(TAVLETS_CONFORMANCE_DIR) / "json" / "test_parsing";
    std::vector<std::string> wrong;
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        const auto result = JSONParser::parse(text);
        if (result.ok()) {
            const std::string minified = JSONTools::minify(result.node());
            const auto again = JSONParser::parse(JSONTools::pretty(result.node()));
            if (!again.ok() || JSONTools::minify(again.node()) != minified)
                wrong.push_back(name + " (does not survive printing)");
        } else {
            const auto& e = result.error();
            if (e.offset < 0 || e.offset > std::int64_t(text.size()) || e.message.empty())
                wrong.push_back(name + " (error out of range)");
            EXPECT_FALSE(JSONTools::describe(e, text).empty());
        }
        if (name[0] == (result.ok() ? 'n' : 'y'))
            wrong.push_back(name + (result.ok() ? " (accepted)" : " (rejected: " + result.error().message + ")"));
    }
    EXPECT_GT(files, 0);
    EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

}  // namespace
}  // namespace tavlets
