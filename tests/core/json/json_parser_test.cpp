#include "json/json_storage.hpp"
#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tavlets {
namespace {

struct Failure {
    std::string text;
    std::string message;
    std::int64_t offset;
};

void PrintTo(const Failure& f, std::ostream* os) { *os << ::testing::PrintToString(f.text); }

class ParserFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(ParserFailure, ReportsMessageAndOffset)
{
    const Failure& f = GetParam();
    const auto result = JSONParser::parse(f.text);
    ASSERT_FALSE(result.ok()) << f.text;
    EXPECT_EQ(result.error().message, f.message) << f.text;
    EXPECT_EQ(result.error().offset, f.offset) << f.text;
    // The 64-bit record form must fail identically.
    EXPECT_EQ(parseJSONWide(f.text).error(), result.error()) << f.text;
}

const std::string kValue = "Unexpected end of input — expected a value";
const std::string kMissingBracket = "Unexpected end of input — missing ']'";
const std::string kMissingBrace = "Unexpected end of input — missing '}'";
const std::string kUnclosed = "String is missing its closing quote";
const std::string kHex = "Invalid \\u escape — needs 4 hex digits";
const std::string kExtra = "Unexpected extra content after the JSON value";
const std::string kSingle = "Strings must use double quotes, not single quotes";

INSTANTIATE_TEST_SUITE_P(
    Messages, ParserFailure,
    ::testing::Values(
        // End of input where a value belongs.
        Failure{"", kValue, 0}, Failure{" \n\t\r ", kValue, 5}, Failure{"[", kValue, 1},
        Failure{"[1,", kValue, 3}, Failure{"[1, ", kValue, 4}, Failure{"{\"a\":", kValue, 5},
        // Containers left open: arrays report the bracket, objects the brace.
        Failure{"[1,2", kMissingBracket, 4}, Failure{"[1 ", kMissingBracket, 3},
        Failure{"{", kMissingBrace, 1}, Failure{"{ \n", kMissingBrace, 3},
        Failure{"{\"a\":1", kMissingBrace, 6}, Failure{"{\"a\":1,", kMissingBrace, 7},
        Failure{"{\"a\":1, ", kMissingBrace, 8},
        // Commas and separators.
        Failure{"[1,]", "Trailing comma before ']'", 3}, Failure{"[1, \n]", "Trailing comma before ']'", 5},
        Failure{"{\"a\":1,}", "Trailing comma before '}'", 7},
        Failure{"[1 2]", "Expected ',' or ']' — Unexpected '2'", 3},
        Failure{"[1}", "Expected ',' or ']' — Unexpected '}'", 2},
        Failure{"[1 'a']", "Expected ',' or ']' — " + kSingle, 3},
        Failure{"[1 \xC3\xA9]", "Expected ',' or ']' — Unexpected character", 3},
        Failure{"[,1]", "Expected a value but found ','", 1},
        Failure{"[1,,2]", "Expected a value but found ','", 3},
        Failure{"[}", "Expected a value but found '}'", 1},
        Failure{"]", "Expected a value but found ']'", 0},
        Failure{"{\"a\":}", "Expected a value but found '}'", 5},
        Failure{"{\"a\":1 \"b\":2}", "Expected ',' or '}' — Unexpected '\"'", 7},
        Failure{"{\"a\":1]", "Expected ',' or '}' — Unexpected ']'", 6},
        // Keys.
        Failure{"{'a':1}", kSingle, 1}, Failure{"{\"a\":1, 'b':2}", kSingle, 8},
        Failure{"{a:1}", "Expected a double-quoted key — Unexpected 'a'", 1},
        Failure{"{,}", "Expected a double-quoted key — Unexpected ','", 1},
        Failure{"{\"a\":1,,}", "Expected a double-quoted key — Unexpected ','", 7},
        Failure{"{1:2}", "Expected a double-quoted key — Unexpected '1'", 1},
        Failure{"{\"a\"", "Expected ':' after key — Unexpected end of input", 4},
        Failure{"{\"a\" 1}", "Expected ':' after key — Unexpected '1'", 5},
        Failure{"{\"a\"\t\x01}", "Expected ':' after key — Unexpected character", 5},
        // Strings.
        Failure{"\"abc", kUnclosed, 0}, Failure{"[1, \"abc", kUnclosed, 4},
        Failure{"[\"a\nb\"]", kUnclosed, 3}, Failure{"\"a\rb\"", kUnclosed, 2},
        Failure{"\"\\", kUnclosed, 0}, Failure{"\"abc\\\"", kUnclosed, 0},
        Failure{"\"a\tb\"", "Unescaped control character in string", 2},
        Failure{std::string("\"a\0b\"", 5), "Unescaped control character in string", 2},
        Failure{"\"\\x\"", "Invalid escape sequence '\\x'", 2},
        Failure{"\"\\'\"", "Invalid escape sequence '\\''", 2},
        Failure{"\"\\\xC3\xA9\"", "Invalid escape sequence '\\\xC3\x83'", 2},
        Failure{"\"\\u12G4\"", kHex, 5}, Failure{"\"\\u\"", kHex, 3}, Failure{"\"\\u12", kHex, 5},
        Failure{"\"\\uABCg\"", kHex, 6},
        // Numbers.
        Failure{"[01]", "Numbers can't have leading zeros", 2}, Failure{"-01", "Numbers can't have leading zeros", 2},
        Failure{"-", "Expected a digit in number", 1}, Failure{"-a", "Expected a digit in number", 1},
        Failure{"[-]", "Expected a digit in number", 2},
        Failure{"1.", "Expected a digit after the decimal point", 2},
        Failure{"1.e5", "Expected a digit after the decimal point", 2},
        Failure{"1e+", "Expected a digit in the exponent", 3}, Failure{"0E", "Expected a digit in the exponent", 2},
        Failure{"1e-x", "Expected a digit in the exponent", 3},
        Failure{".5", "Unexpected '.'", 0}, Failure{"+1", "Unexpected '+'", 0},
        Failure{"12abc", kExtra, 2}, Failure{"0x1", kExtra, 1}, Failure{"1.5.2", kExtra, 3},
        // Literals are chosen by their first byte.
        Failure{"tru", "Invalid literal — did you mean 'true'?", 0},
        Failure{"nope", "Invalid literal — did you mean 'null'?", 0},
        Failure{"[1, fals]", "Invalid literal — did you mean 'false'?", 4},
        Failure{"True", "Unexpected 'T'", 0}, Failure{"trueish", kExtra, 4},
        // Anything else where a value belongs.
        Failure{"'a'", kSingle, 0}, Failure{"[1,'a']", kSingle, 3},
        Failure{"\xEF\xBB\xBF{}", "Unexpected character", 0}, Failure{"[\x7F]", "Unexpected character", 1},
        Failure{"\x01", "Unexpected character", 0},
        // After the value.
        Failure{"1 2", kExtra, 2}, Failure{"[]]", kExtra, 2}, Failure{"{} \n {}", kExtra, 5},
        Failure{std::string("null\0", 5), kExtra, 4}));

// Containers nested `depth` deep around `inner`.
std::string nested(int depth, const std::string& inner)
{
    return std::string(std::size_t(depth), '[') + inner + std::string(std::size_t(depth), ']');
}

std::string nestedObjects(int depth, const std::string& inner)
{
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "{\"k\":";
    return s + inner + std::string(std::size_t(depth), '}');
}

TEST(JSONParser, NestingLimit)
{
    EXPECT_TRUE(JSONParser::parse(nested(401, "")).ok());
    EXPECT_TRUE(JSONParser::parse(nested(400, "1")).ok());
    EXPECT_TRUE(JSONParser::parse(nested(400, "{}")).ok());
    EXPECT_TRUE(JSONParser::parse(nestedObjects(400, "{}")).ok());

    const struct {
        std::string text;
        std::int64_t offset;
    } deep[] = {
        {nested(402, ""), 401},
        {nested(401, "1"), 401},
        {nested(401, "\"x\""), 401},
        {nestedObjects(401, "[]"), 401 * 5},
        {nested(100000, ""), 401},
    };
    for (const auto& d : deep) {
        const auto r = JSONParser::parse(d.text);
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.error(), (JSONSyntaxError{d.offset, "Nesting is too deep"}));
    }
}

TEST(JSONParser, LoneScalarsAreDocuments)
{
    for (std::string token : {"0", "-0", "-0.50E+3", "1e5", "123456789012345678901234567890", "\"\"",
                              "\"\\u0000\\/\\uD800\"", "true", "false", "null", "\"caf\xC3\xA9 \xF0\x9F\x98\x80\""}) {
        const auto r = JSONParser::parse(" \t\r\n" + token + "\n ");
        ASSERT_TRUE(r.ok()) << token << ": " << r.error().message;
        EXPECT_EQ(r.node().kind(), JSONNode::Kind::leaf);
        EXPECT_EQ(r.node().text(), token);
        EXPECT_EQ(r.node().size(), 0u);
    }
}

TEST(JSONParser, TreeKeepsOrderDuplicatesAndTokens)
{
    const auto r = JSONParser::parse(R"( { "b" : [ 1 , -0.50E+3 , [] ] , "a" : { } , "b" : "x\/\u00e9" } )");
    ASSERT_TRUE(r.ok());
    const JSONNode root = r.node();
    ASSERT_EQ(root.kind(), JSONNode::Kind::object);
    ASSERT_EQ(root.size(), 3u);
    EXPECT_EQ(root.key(0), "\"b\"");
    EXPECT_EQ(root.key(1), "\"a\"");
    EXPECT_EQ(root.key(2), "\"b\"");

    const JSONNode list = root.value(0);
    ASSERT_EQ(list.kind(), JSONNode::Kind::array);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.element(0).text(), "1");
    EXPECT_EQ(list.element(1).text(), "-0.50E+3");
    EXPECT_EQ(list.element(2).kind(), JSONNode::Kind::array);
    EXPECT_EQ(list.element(2).size(), 0u);

    EXPECT_EQ(root.value(1).kind(), JSONNode::Kind::object);
    EXPECT_EQ(root.value(1).size(), 0u);
    EXPECT_EQ(root.value(2).text(), R"("x\/\u00e9")");
}

TEST(JSONParser, NodesOutliveTheResultAndTheInput)
{
    JSONNode inner = JSONNode::leaf("0");
    {
        std::string text = R"({"a":[10,20,30]})";
        const auto r = JSONParser::parse(text);
        inner = r.node().value(0);
        text.assign(text.size(), 'x');
    }
    ASSERT_EQ(inner.size(), 3u);
    EXPECT_EQ(inner.element(2).text(), "30");
}

TEST(JSONParser, OutOfRangeAccessGivesAnEmptyLeaf)
{
    const auto r = JSONParser::parse(R"({"a":[1]})");
    ASSERT_TRUE(r.ok());
    const JSONNode root = r.node();
    EXPECT_EQ(root.text(), "");
    EXPECT_EQ(root.key(1), "");
    EXPECT_EQ(root.value(1).kind(), JSONNode::Kind::leaf);
    EXPECT_EQ(root.value(1).text(), "");
    EXPECT_EQ(root.element(0).text(), "");  // an object has members, not elements
    EXPECT_EQ(root.value(0).element(1).size(), 0u);
    EXPECT_EQ(root.value(0).key(0), "");
}

TEST(JSONParser, WideRecordsBuildTheSameTree)
{
    const std::string doc = R"({"a":[1,{"b":null}],"c":"d","e":[[],{}]})";
    const auto narrow = JSONParser::parse(doc);
    const auto wide = parseJSONWide(doc);
    ASSERT_TRUE(narrow.ok());
    ASSERT_TRUE(wide.ok());
    EXPECT_EQ(JSONTools::pretty(wide.node()), JSONTools::pretty(narrow.node()));
    EXPECT_EQ(wide.node().value(0).element(1).key(0), "\"b\"");
}

}  // namespace
}  // namespace tavlets
