#include <tavlets/delimited.hpp>

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/json.hpp>
#include <tavlets/text.hpp>

namespace tavlets {
namespace {

using Rows = Delimited::Rows;

// The cell rules written plainly over user-perceived characters, as the yardstick for the fast
// byte scanner.
Rows referenceParse(std::string_view s, char delimiter) {
    std::vector<std::string> chars;
    text::CharacterIterator it(s);
    while (auto c = it.next()) chars.emplace_back(*c);
    const std::string quote = "\"", delim(1, delimiter);

    Rows rows;
    Delimited::Row row;
    std::string cell;
    bool inQuotes = false;
    const auto endRow = [&] {
        row.push_back(cell);
        cell.clear();
        if (!(row.size() == 1 && row[0].empty())) rows.push_back(row);
        row.clear();
    };
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const std::string& c = chars[i];
        if (inQuotes) {
            if (c != quote) {
                cell += c;
            } else if (i + 1 < chars.size() && chars[i + 1] == quote) {
                cell += quote;
                ++i;
            } else {
                inQuotes = false;
            }
        } else if (c == quote && cell.empty()) {
            inQuotes = true;
        } else if (c == delim) {
            row.push_back(cell);
            cell.clear();
        } else if (c == "\n" || c == "\r" || c == "\r\n") {
            endRow();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.empty()) endRow();
    return rows;
}

std::optional<char> referenceDetect(std::string_view s) {
    if (text::splitLines(s).size() < 2) return std::nullopt;
    for (char candidate : {'\t', ',', ';'}) {
        if (s.find(candidate) == std::string_view::npos) continue;
        const Rows rows = Delimited::parse(s, candidate);
        if (rows.size() < 2 || rows[0].size() < 2) continue;
        bool regular = true;
        for (const auto& row : rows) regular = regular && row.size() == rows[0].size();
        if (regular) return candidate;
    }
    return std::nullopt;
}

struct ParseCase {
    const char* name;
    std::string input;
    char delimiter;
    Rows rows;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, Cells) {
    const ParseCase& c = GetParam();
    EXPECT_EQ(Delimited::parse(c.input, c.delimiter), c.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Delimited, ParseTest,
    testing::Values(
        ParseCase{"SpacesKept", "a, b", ',', {{"a", " b"}}},
        ParseCase{"QuotedDelimiter", "\"x,y\",z", ',', {{"x,y", "z"}}},
        ParseCase{"DoubledQuote", "\"say \"\"hi\"\"\",x", ',', {{"say \"hi\"", "x"}}},
        ParseCase{"QuoteInsideCellIsText", "ab\"c,d", ',', {{"ab\"c", "d"}}},
        ParseCase{"TextAfterClosingQuoteJoins", "\"ab\"c,d", ',', {{"abc", "d"}}},
        ParseCase{"TrailingDelimiter", "a,b,", ',', {{"a", "b", ""}}},
        ParseCase{"OnlyDelimiter", ",", ',', {{"", ""}}},
        ParseCase{"EmptyQuotedCellIsNoRow", "\"\"", ',', {}},
        ParseCase{"Empty", "", ',', {}},
        ParseCase{"LineEnds", "a,b\r\nc,d\re,f\ng,h", ',',
                  {{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}},
        ParseCase{"TrailingBreakAddsNoRow", "a,b\n", ',', {{"a", "b"}}},
        ParseCase{"BlankLinesSkipped", "a,b\n\n\r\n\"\"\nc,d", ',', {{"a", "b"}, {"c", "d"}}},
        ParseCase{"SpacesLineIsARow", "a,b\n  \nc,d", ',', {{"a", "b"}, {"  "}, {"c", "d"}}},
        ParseCase{"QuotedLineBreaksKept", "\"1\r\n2\",x\ny,z", ',', {{"1\r\n2", "x"}, {"y", "z"}}},
        ParseCase{"UnclosedQuoteSwallowsRest", "a,\"b\nc,d", ',', {{"a", "b\nc,d"}}},
        ParseCase{"LoneOpeningQuoteAtEnd", "a,b\n\"", ',', {{"a", "b"}}},
        ParseCase{"ClosingQuoteAtEnd", "\"a\"", ',', {{"a"}}},
        ParseCase{"QuoteAfterEmptyQuotedCellReopens", "\"\"\"a\"", ',', {{"\"a"}}},
        ParseCase{"OtherLineSeparatorsAreText", "a\u2028b,c\u0085d", ',', {{"a\u2028b", "c\u0085d"}}},
        ParseCase{"Semicolon", "let x = 1;\nlet y = 2;", ';', {{"let x = 1", ""}, {"let y = 2", ""}}},
        ParseCase{"Tab", "a\tb,c\nd\te", '\t', {{"a", "b,c"}, {"d", "e"}}},
        // A quote or delimiter that carries a combining mark is a different character.
        ParseCase{"QuoteWithMarkIsText", "\"\u0301a,b", ',', {{"\"\u0301a", "b"}}},
        ParseCase{"DelimiterWithMarkIsText", "a,\u0301b,c", ',', {{"a,\u0301b", "c"}}},
        ParseCase{"ClosingQuoteWithMarkStaysQuoted", "\"x\"\u0301,y\nz", ',', {{"x\"\u0301,y\nz"}}},
        ParseCase{"DoubledQuoteWithMarkCloses", "\"x\"\"\u0301,y", ',', {{"x\"\u0301", "y"}}},
        ParseCase{"PrependJoinsDelimiter", "a\u0600,b,c", ',', {{"a\u0600,b", "c"}}},
        ParseCase{"MarkAfterLineEndIsText", "a,b\n\u0301c,d", ',', {{"a", "b"}, {"\u0301c", "d"}}},
        ParseCase{"EmojiSequences", "\U0001F44D\U0001F3FD,\U0001F468\u200D\U0001F469\u200D\U0001F467",
                  ',', {{"\U0001F44D\U0001F3FD", "\U0001F468\u200D\U0001F469\u200D\U0001F467"}}},
        ParseCase{"NulBytes", std::string("a\0b,c", 5), ',', {{std::string("a\0b", 3), "c"}}},
        ParseCase{"InvalidUTF8KeptAsBytes", "\xff,\xed\xa0\x80\n\xc3,\"", ',',
                  {{"\xff", "\xed\xa0\x80"}, {"\xc3", ""}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct DetectCase {
    const char* name;
    std::string input;
    std::optional<char> delimiter;
};

void PrintTo(const DetectCase& c, std::ostream* os) { *os << c.name; }

class DetectTest : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectTest, Delimiter) {
    const DetectCase& c = GetParam();
    EXPECT_EQ(Delimited::detect(c.input), c.delimiter);
    EXPECT_EQ(referenceDetect(c.input), c.delimiter);
}

INSTANTIATE_TEST_SUITE_P(
    Delimited, DetectTest,
    testing::Values(DetectCase{"OneLine", "a,b", std::nullopt},
                    DetectCase{"TwoLines", "a,b\nc,d", ','},
                    DetectCase{"RaggedRows", "a,b\nc", std::nullopt},
                    DetectCase{"OneCellRows", "a\nb", std::nullopt},
                    DetectCase{"BlankLinesBetween", "a,b\n\n\nc,d", ','},
                    DetectCase{"SpacesLineBreaks", "a,b\n   \nc,d", std::nullopt},
                    DetectCase{"TabWinsOverComma", "a,1\tb,2\nc,3\td,4", '\t'},
                    DetectCase{"CommaWhenTabsRagged", "a\tb,c\nd,e", ','},
                    DetectCase{"SemicolonCode", "let x = 1;\nlet y = 2;", ';'},
                    DetectCase{"CR", "a;b\rc;d", ';'},
                    DetectCase{"QuotedBreakIsOneRow", "\"a\nb\",c", std::nullopt},
                    DetectCase{"OnlyOtherNewlines", "a,b\u2028c,d", std::nullopt},
                    DetectCase{"HeaderOnlyOneCell", "a\nb,c\nd,e", std::nullopt},
                    DetectCase{"UnclosedQuote", "a,b\n\"c,d\ne,f", std::nullopt},
                    DetectCase{"MarkedDelimitersOnly", "a,\u0301b\nc,\u0301d", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// Random texts over the characters that matter: the fast scanner and the plain character walk
// must agree on every cell, and detection must agree with parsing.
TEST(DelimitedTest, ScannerAgreesWithCharacterWalk) {
    const std::vector<std::string> pieces = {
        "\"", "\"", ",", ",", ";", "\t", "\n", "\r", "\r\n", "a", "b ", "\u0301", "\u0600",
        "\u200D", "\u0903", "\u00E9", "\U0001F44D", "\U0001F3FD", "\U0001F1EB", "\xff", "\xc3",
        "\xed\xa0\x80", std::string(1, '\0'), "\u2028"};
    std::mt19937 random(20261206);
    for (int round = 0; round < 4000; ++round) {
        std::string s;
        const int length = static_cast<int>(random() % 14);
        for (int i = 0; i < length; ++i) s += pieces[random() % pieces.size()];
        for (char d : {',', ';', '\t'}) {
            ASSERT_EQ(Delimited::parse(s, d), referenceParse(s, d)) << testing::PrintToString(s);
        }
        ASSERT_EQ(Delimited::detect(s), referenceDetect(s)) << testing::PrintToString(s);
    }
}

TEST(DelimitedTest, MarkdownTable) {
    const Rows rows = {{"name", "age"}, {"Ann", "30"}, {"Bob|Jr", "7"}};
    EXPECT_EQ(Delimited::markdown(rows),
              "| name    | age |\n"
              "| ------- | --- |\n"
              "| Ann     | 30  |\n"
              "| Bob\\|Jr | 7   |");
}

struct MarkdownCase {
    const char* name;
    Rows rows;
    std::string markdown;
};

void PrintTo(const MarkdownCase& c, std::ostream* os) { *os << c.name; }

class MarkdownTest : public testing::TestWithParam<MarkdownCase> {};

TEST_P(MarkdownTest, Text) { EXPECT_EQ(Delimited::markdown(GetParam().rows), GetParam().markdown); }

INSTANTIATE_TEST_SUITE_P(
    Delimited, MarkdownTest,
    testing::Values(
        MarkdownCase{"ShortRowsPadded", {{"a", "b", "c"}, {"1"}},
                     "| a   | b   | c   |\n| --- | --- | --- |\n| 1   |     |     |"},
        MarkdownCase{"LineBreaksBecomeOneSpace", {{"h"}, {"one\ntwo"}, {"x\r\ny"}, {"p\rq"}},
                     "| h       |\n| ------- |\n| one two |\n| x y     |\n| pq      |"},
        MarkdownCase{"CellsTrimmed", {{" \tkey\u3000 "}, {"  v  "}}, "| key |\n| --- |\n| v   |"},
        MarkdownCase{"WideCharactersCountOnce",
                     {{"\U0001F600", "e\u0301e\u0301e\u0301e\u0301"}, {"\U0001F468\u200D\U0001F469", "x"}},
                     "| \U0001F600   | e\u0301e\u0301e\u0301e\u0301 |\n| --- | ---- |\n"
                     "| \U0001F468\u200D\U0001F469   | x    |"},
        MarkdownCase{"InvalidBytesWrittenAsReplacement", {{"\xff"}, {"a\xc3"}},
                     "| \uFFFD   |\n| --- |\n| a\uFFFD  |"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DelimitedTest, JsonObjectsKeyedByHeader) {
    EXPECT_EQ(Delimited::json(Delimited::parse("name,age,,name\nAnn, 30,true, x", ',')),
              "[\n"
              "  {\n"
              "    \"name\": \"Ann\",\n"
              "    \"age\": 30,\n"
              "    \"column3\": true,\n"
              "    \"name_2\": \" x\"\n"
              "  }\n"
              "]");
}

struct JsonCase {
    const char* name;
    Rows rows;
    std::string json;
};

void PrintTo(const JsonCase& c, std::ostream* os) { *os << c.name; }

class JsonTest : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonTest, Text) { EXPECT_EQ(Delimited::json(GetParam().rows), GetParam().json); }

INSTANTIATE_TEST_SUITE_P(
    Delimited, JsonTest,
    testing::Values(
        JsonCase{"NoRows", {}, "[]"},
        JsonCase{"HeaderOnly", {{"a", "b"}}, "[]"},
        JsonCase{"RepeatedKeys", {{"a", "a", " a ", "a_2"}, {"1", "2", "3", "4"}},
                 "[\n  {\n    \"a\": 1,\n    \"a_2\": 2,\n    \"a_3\": 3,\n    \"a_2_2\": 4\n  }\n]"},
        JsonCase{"ShortRowFilledLongRowCut", {{"a", "b"}, {"1"}, {"1", "2", "3"}},
                 "[\n  {\n    \"a\": 1,\n    \"b\": \"\"\n  },\n  {\n    \"a\": 1,\n    \"b\": 2\n  }\n]"},
        JsonCase{"QuotesEscaped", {{"k\"ey"}, {"line\none"}},
                 "[\n  {\n    \"k\\\"ey\": \"line\\none\"\n  }\n]"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ScalarCase {
    std::string cell;
    std::string value;
};

void PrintTo(const ScalarCase& c, std::ostream* os) { *os << testing::PrintToString(c.cell); }

class ScalarTest : public testing::TestWithParam<ScalarCase> {};

TEST_P(ScalarTest, Value) { EXPECT_EQ(Delimited::scalar(GetParam().cell), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Delimited, ScalarTest,
    testing::Values(ScalarCase{" 42 ", "42"}, ScalarCase{"42 apples", "\"42 apples\""},
                    ScalarCase{"-0", "-0"}, ScalarCase{"1e5", "1e5"}, ScalarCase{"2.50", "2.50"},
                    ScalarCase{"-1.5E+10", "-1.5E+10"}, ScalarCase{"0", "0"},
                    ScalarCase{"007", "\"007\""}, ScalarCase{"1.", "\"1.\""}, ScalarCase{".5", "\".5\""},
                    ScalarCase{"+1", "\"+1\""}, ScalarCase{"1,000", "\"1,000\""},
                    ScalarCase{"1e", "\"1e\""}, ScalarCase{"-", "\"-\""},
                    ScalarCase{"TRUE", "\"TRUE\""}, ScalarCase{"Null", "\"Null\""},
                    ScalarCase{"\ttrue\u00A0", "true"}, ScalarCase{"false", "false"},
                    ScalarCase{"null", "null"}, ScalarCase{" yes ", "\" yes \""}, ScalarCase{"", "\"\""},
                    // Digits of other scripts are no JSON number.
                    ScalarCase{"1\u0662", "\"1\u0662\""},
                    // A line break is not trimmed, so the cell is text.
                    ScalarCase{"42\n", "\"42\\n\""}));

// Every output must stay well-formed JSON, whatever bytes the cells hold.
TEST(DelimitedTest, JsonOfHostileCellsParses) {
    const std::string input = std::string("a\0,\xff,\xed\xa0\x80\n", 9) + "\"\u0301x,\U0001F600\u200D,1\u0662\n";
    for (char d : {',', ';', '\t'}) {
        const Rows rows = Delimited::parse(input, d);
        const std::string json = Delimited::json(rows);
        EXPECT_TRUE(JSONParser::parse(json).ok()) << json;
        if (!rows.empty()) {
            EXPECT_TRUE(text::isValidUTF8(Delimited::markdown(rows)));
        }
    }
}

}  // namespace
}  // namespace tavlets
