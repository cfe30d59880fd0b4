#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tavlets {
namespace {

// A line of n distinct-looking ASCII characters.
std::string ruler(std::size_t n)
{
    std::string s;
    for (std::size_t i = 0; i < n; ++i)
        s += char('0' + i % 10 + (i / 10 % 2) * ('a' - '0'));
    return s;
}

const std::string kEllipsis = "\xE2\x80\xA6";

TEST(JSONDescribe, ReportLayout)
{
    const std::string longLine = ruler(150);
    const std::string hundred = ruler(100);
    const struct {
        const char* name;
        std::string text;
        std::int64_t offset;
        std::string report;
    } cases[] = {
        {"start of text", "x", 0, "Syntax error at line 1, column 1\nM\n\n1 | x\n    ^"},
        {"end of one line", "{\"a\": 1,}", 8, "Syntax error at line 1, column 9\nM\n\n1 | {\"a\": 1,}\n            ^"},
        {"third line", "{\n  \"a\": 1\n  \"b\": 2\n}", 13,
         "Syntax error at line 3, column 3\nM\n\n3 |   \"b\": 2\n      ^"},
        {"after a final line feed", "[1,\n", 4, "Syntax error at line 2, column 1\nM\n\n2 | \n    ^"},
        {"empty text", "", 0, "Syntax error at line 1, column 1\nM\n\n1 | \n    ^"},
        {"offset past the end", "ab", 99, "Syntax error at line 1, column 3\nM\n\n1 | ab\n      ^"},
        {"negative offset", "ab", -5, "Syntax error at line 1, column 1\nM\n\n1 | ab\n    ^"},
        {"two-byte character", "\"\xC3\xA9\"x", 4, "Syntax error at line 1, column 4\nM\n\n1 | \"\xC3\xA9\"x\n       ^"},
        {"combining accent", "e\xCC\x81xy", 3, "Syntax error at line 1, column 3\nM\n\n1 | e\xCC\x81xy\n      ^"},
        {"wide characters", "\xE6\x97\xA5\xE6\x9C\xAC!", 6,
         "Syntax error at line 1, column 3\nM\n\n1 | \xE6\x97\xA5\xE6\x9C\xAC!\n      ^"},
        {"carriage returns", "[1 x]\r\n", 3, "Syntax error at line 1, column 4\nM\n\n1 | [1 x]\n       ^"},
        {"carriage return before the line", "\r\r[x]", 3,
         "Syntax error at line 1, column 4\nM\n\n1 | [x]\n       ^"},
        {"lone carriage return inside", "a\rb", 2, "Syntax error at line 1, column 3\nM\n\n1 | a\rb\n      ^"},
        {"ill-formed bytes", "[\"\xFF\" x]", 5, "Syntax error at line 1, column 6\nM\n\n1 | [\"\xEF\xBF\xBD\" x]\n         ^"},
        {"two-digit line", std::string(11, '\n') + "ab", 12,
         "Syntax error at line 12, column 2\nM\n\n12 | ab\n      ^"},
        {"column 61 keeps the left", hundred, 60,
         "Syntax error at line 1, column 61\nM\n\n1 | " + hundred + "\n" + std::string(4 + 60, ' ') + "^"},
        {"column 62 shortens the left", hundred, 61,
         "Syntax error at line 1, column 62\nM\n\n1 | " + kEllipsis + hundred.substr(21) + "\n" +
             std::string(4 + 41, ' ') + "^"},
        {"column 80 of 150", longLine, 79,
         "Syntax error at line 1, column 80\nM\n\n1 | " + kEllipsis + longLine.substr(39, 99) + kEllipsis + "\n" +
             std::string(4 + 41, ' ') + "^"},
        {"long line, error at its start", longLine, 0,
         "Syntax error at line 1, column 1\nM\n\n1 | " + longLine.substr(0, 100) + kEllipsis + "\n    ^"},
        {"error at the end of a long line", longLine + "\n", 150,
         "Syntax error at line 1, column 151\nM\n\n1 | " + kEllipsis + longLine.substr(110) + "\n" +
             std::string(4 + 41, ' ') + "^"},
        {"exactly 100 characters", hundred.substr(0, 100), 5,
         "Syntax error at line 1, column 6\nM\n\n1 | " + hundred + "\n" + std::string(4 + 5, ' ') + "^"},
        {"101 characters", ruler(101), 5,
         "Syntax error at line 1, column 6\nM\n\n1 | " + hundred + kEllipsis + "\n" + std::string(4 + 5, ' ') + "^"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JSONTools::describe({c.offset, "M"}, c.text), c.report) << c.name;
    }
}

// The column counts code points; the shortening counts characters, so an accent before the
// error leaves one character fewer to drop.
TEST(JSONDescribe, ShorteningCountsCharacters)
{
    std::string line;
    for (int i = 0; i < 70; ++i)
        line += "e\xCC\x81";  // 70 characters, 140 code points
    line += "X";
    const std::string report = JSONTools::describe({std::int64_t(line.size() - 1), "M"}, line);
    // Column 141, caret index 140: drop 100 characters, which is the whole line.
    std::string expected = "Syntax error at line 1, column 141\nM\n\n1 | " + kEllipsis + "\n" + std::string(4 + 1, ' ') + "^";
    EXPECT_EQ(report, expected);
}

TEST(JSONDescribe, ParserErrorsEndToEnd)
{
    const std::string text = "{\n  \"a\": 1\n  \"b\": 2\n}";
    const auto r = JSONParser::parse(text);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(JSONTools::describe(r.error(), text),
              "Syntax error at line 3, column 3\nExpected ',' or '}' \xE2\x80\x94 Unexpected '\"'\n\n3 |   \"b\": 2\n      ^");
}

}  // namespace
}  // namespace tavlets
