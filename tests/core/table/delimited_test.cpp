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

TEST(DelimitedTest, Parse) {
    const struct {
        const char* name;
        std::string input;
        char delimiter;
        Rows rows;
    } cases[] = {
        {"SpacesKept", "a, b", ',', {{"a", " b"}}},
        {"QuotedDelimiter", "\"x,y\",z", ',', {{"x,y", "z"}}},
        {"DoubledQuote", "\"say \"\"hi\"\"\",x", ',', {{"say \"hi\"", "x"}}},
        {"QuoteInsideCellIsText", "ab\"c,d", ',', {{"ab\"c", "d"}}},
        {"TextAfterClosingQuoteJoins", "\"ab\"c,d", ',', {{"abc", "d"}}},
        {"TrailingDelimiter", "a,b,", ',', {{"a", "b", ""}}},
        {"OnlyDelimiter", ",", ',', {{"", ""}}},
        {"EmptyQuotedCellIsNoRow", "\"\"", ',', {}},
        {"LineEnds", "a,b\r\nc,d\re,f\ng,h", ',', {{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}}},
        {"TrailingBreakAddsNoRow", "a,b\n", ',', {{"a", "b"}}},
        {"BlankLinesSkipped", "a,b\n\n\r\n\"\"\nc,d", ',', {{"a", "b"}, {"c", "d"}}},
        {"SpacesLineIsARow", "a,b\n  \nc,d", ',', {{"a", "b"}, {"  "}, {"c", "d"}}},
        {"QuotedLineBreaksKept", "\"1\r\n2\",x\ny,z", ',', {{"1\r\n2", "x"}, {"y", "z"}}},
        {"UnclosedQuoteSwallowsRest", "a,\"b\nc,d", ',', {{"a", "b\nc,d"}}},
        {"LoneOpeningQuoteAtEnd", "a,b\n\"", ',', {{"a", "b"}}},
        {"QuoteAfterEmptyQuotedCellReopens", "\"\"\"a\"", ',', {{"\"a"}}},
        {"OtherLineSeparatorsAreText", "a\u2028b,c\u0085d", ',', {{"a\u2028b", "c\u0085d"}}},
        {"Semicolon", "let x = 1;\nlet y = 2;", ';', {{"let x = 1", ""}, {"let y = 2", ""}}},
        // A quote or delimiter that carries a combining mark is a different character.
        {"QuoteWithMarkIsText", "\"\u0301a,b", ',', {{"\"\u0301a", "b"}}},
        {"DelimiterWithMarkIsText", "a,\u0301b,c", ',', {{"a,\u0301b", "c"}}},
        {"ClosingQuoteWithMarkStaysQuoted", "\"x\"\u0301,y\nz", ',', {{"x\"\u0301,y\nz"}}},
        {"DoubledQuoteWithMarkCloses", "\"x\"\"\u0301,y", ',', {{"x\"\u0301", "y"}}},
        {"PrependJoinsDelimiter", "a\u0600,b,c", ',', {{"a\u0600,b", "c"}}},
        {"MarkAfterLineEndIsText", "a,b\n\u0301c,d", ',', {{"a", "b"}, {"\u0301c", "d"}}},
        {"EmojiSequences",
         "\U0001F44D\U0001F3FD,\U0001F468\u200D\U0001F469\u200D\U0001F467",
         ',',
         {{"\U0001F44D\U0001F3FD", "\U0001F468\u200D\U0001F469\u200D\U0001F467"}}},
        {"InvalidUTF8KeptAsBytes",
         "\xff,\xed\xa0\x80\n\xc3,\"",
         ',',
         {{"\xff", "\xed\xa0\x80"}, {"\xc3", ""}}}};
    for (const auto& c : cases) EXPECT_EQ(Delimited::parse(c.input, c.delimiter), c.rows) << c.name;
}

TEST(DelimitedTest, Detect) {
    const struct {
        const char* name;
        std::string input;
        std::optional<char> delimiter;
    } cases[] = {{"OneLine", "a,b", std::nullopt},
                 {"TwoLines", "a,b\nc,d", ','},
                 {"RaggedRows", "a,b\nc", std::nullopt},
                 {"OneCellRows", "a\nb", std::nullopt},
                 {"BlankLinesBetween", "a,b\n\n\nc,d", ','},
                 {"SpacesLineBreaks", "a,b\n   \nc,d", std::nullopt},
                 {"TabWinsOverComma", "a,1\tb,2\nc,3\td,4", '\t'},
                 {"SemicolonCode", "let x = 1;\nlet y = 2;", ';'},
                 {"QuotedBreakIsOneRow", "\"a\nb\",c", std::nullopt},
                 {"OnlyOtherNewlines", "a,b\u2028c,d", std::nullopt},
                 {"UnclosedQuote", "a,b\n\"c,d\ne,f", std::nullopt},
                 {"MarkedDelimitersOnly", "a,\u0301b\nc,\u0301d", std::nullopt}};
    for (const auto& c : cases) {
        EXPECT_EQ(Delimited::detect(c.input), c.delimiter) << c.name;
        EXPECT_EQ(referenceDetect(c.input), c.delimiter) << c.name;
    }
}

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
        const int length = static_cast<int>(random() % 30);
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

TEST(DelimitedTest, Markdown) {
    const struct {
        const char* name;
        Rows rows;
        std::string markdown;
    } cases[] = {
        {"ShortRowsPadded",
         {{"a", "b", "c"}, {"1"}},
         "| a   | b   | c   |\n| --- | --- | --- |\n| 1   |     |     |"},
        {"LineBreaksBecomeOneSpace",
         {{"h"}, {"one\ntwo"}, {"x\r\ny"}, {"p\rq"}},
         "| h       |\n| ------- |\n| one two |\n| x y     |\n| pq      |"},
        {"CellsTrimmed", {{" \tkey\u3000 "}, {"  v  "}}, "| key |\n| --- |\n| v   |"},
        {"WideCharactersCountOnce",
         {{"\U0001F600", "e\u0301e\u0301e\u0301e\u0301"}, {"\U0001F468\u200D\U0001F469", "x"}},
         "| \U0001F600   | e\u0301e\u0301e\u0301e\u0301 |\n| --- | ---- |\n"
         "| \U0001F468\u200D\U0001F469   | x    |"},
        {"InvalidBytesWrittenAsReplacement",
         {{"\xff"}, {"a\xc3"}},
         "| \uFFFD   |\n| --- |\n| a\uFFFD  |"}};
    for (const auto& c : cases) EXPECT_EQ(Delimited::markdown(c.rows), c.markdown) << c.name;
}

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

TEST(DelimitedTest, Json) {
    const struct {
        const char* name;
        Rows rows;
        std::string json;
    } cases[] = {
        {"NoRows", {}, "[]"},
        {"HeaderOnly", {{"a", "b"}}, "[]"},
        {"RepeatedKeys",
         {{"a", "a", " a ", "a_2"}, {"1", "2", "3", "4"}},
         "[\n  {\n    \"a\": 1,\n    \"a_2\": 2,\n    \"a_3\": 3,\n    \"a_2_2\": 4\n  }\n]"},
        {"ShortRowFilledLongRowCut",
         {{"a", "b"}, {"1"}, {"1", "2", "3"}},
         "[\n  {\n    \"a\": 1,\n    \"b\": \"\"\n  },\n  {\n    \"a\": 1,\n    \"b\": 2\n  }\n]"}};
    for (const auto& c : cases) EXPECT_EQ(Delimited::json(c.rows), c.json) << c.name;
}

TEST(DelimitedTest, Scalar) {
    const struct {
        std::string cell;
        std::string value;
    } cases[] = {{" 42 ", "42"},
                 {"42 apples", "\"42 apples\""},
                 {"-0", "-0"},
                 {"1e5", "1e5"},
                 {"2.50", "2.50"},
                 {"-1.5E+10", "-1.5E+10"},
                 {"0", "0"},
                 {"007", "\"007\""},
                 {"1.", "\"1.\""},
                 {".5", "\".5\""},
                 {"+1", "\"+1\""},
                 {"1,000", "\"1,000\""},
                 {"1e", "\"1e\""},
                 {"-", "\"-\""},
                 {"TRUE", "\"TRUE\""},
                 {"Null", "\"Null\""},
                 {"\ttrue\u00A0", "true"},
                 {"false", "false"},
                 {"null", "null"},
                 {" yes ", "\" yes \""},
                 {"", "\"\""},
                 // Digits of other scripts are no JSON number.
                 {"1\u0662", "\"1\u0662\""},
                 // A line break is not trimmed, so the cell is text.
                 {"42\n", "\"42\\n\""}};
    for (const auto& c : cases) {
        EXPECT_EQ(Delimited::scalar(c.cell), c.value) << testing::PrintToString(c.cell);
    }
}

// Every output must stay well-formed, whatever bytes the cells hold.
TEST(DelimitedTest, HostileCellsGiveWellFormedOutput) {
    const std::string input =
        std::string("a\0,\xff,\xed\xa0\x80\n", 9) + "\"\u0301x,\U0001F600\u200D,1\u0662\n";
    for (char d : {',', ';', '\t'}) {
        const Rows rows = Delimited::parse(input, d);
        const std::string json = Delimited::json(rows);
        EXPECT_TRUE(JSONParser::parse(json).ok()) << json;
        EXPECT_TRUE(text::isValidUTF8(Delimited::markdown(rows)));
    }
}

}  // namespace
}  // namespace tavlets
