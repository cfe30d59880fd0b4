#include "json/json_storage.hpp"
#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_cases.hpp"

namespace tavlets {
namespace {

TEST(JSONParser, FailuresReportMessageAndOffset) {
    for (const auto& row : readCases("json_errors.tsv")) {
        const JSONSyntaxError expected{std::stoll(row.at(1)), row.at(2)};
        EXPECT_EQ(JSONParser::parse(row[0]).error(), expected) << ::testing::PrintToString(row[0]);
        EXPECT_EQ(parseJSONWide(row[0]).error(), expected) << "64-bit records: " << ::testing::PrintToString(row[0]);
    }
}

TEST(JSONParser, NestingLimit) {
    auto nest = [](int n, const std::string& inner, const std::string& open = "[", char close = ']') {
        return repeated(open, n) + inner + std::string(n, close);
    };
    for (const std::string& text : {nest(401, ""), nest(400, "1"), nest(400, "{}"), nest(400, "{}", "{\"k\":", '}')})
        EXPECT_TRUE(JSONParser::parse(text).ok());
    const std::pair<std::string, std::int64_t> tooDeep[] = {
        {nest(402, ""), 401}, {nest(401, "\"x\""), 401}, {nest(100000, ""), 401},
        {nest(401, "[]", "{\"k\":", '}'), 401 * 5}};
    for (const auto& [text, offset] : tooDeep)
        EXPECT_EQ(JSONParser::parse(text).error(), (JSONSyntaxError{offset, "Nesting is too deep"}));
}

TEST(JSONParser, TreeKeepsOrderDuplicatesAndTokens) {
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
TEST(JSONConformance, ParsingSuite) {
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
