// Inputs that once broke the table converter, found by fuzzing.

#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tavlets {
namespace {

std::set<std::string> keysOfFirstObject(const std::string& json) {
    const JSONParseResult parsed = JSONParser::parse(json);
    EXPECT_TRUE(parsed.ok()) << json;
    std::set<std::string> keys;
    if (!parsed.ok() || parsed.node().size() == 0) return keys;
    const JSONNode object = parsed.node().element(0);
    for (std::size_t i = 0; i < object.size(); ++i) keys.insert(std::string(object.key(i)));
    return keys;
}

// Headers that differ only in ill-formed bytes read the same once printed (each such byte is
// U+FFFD), so they must be told apart before printing, not after.
TEST(TableFuzzRegressions, HeadersThatPrintAlikeStayDistinctKeys) {
    const struct {
        const char* text;
        std::set<std::string> keys;
    } cases[] = {
        {"\xff,\xfe\n1,2", {"\"\xef\xbf\xbd\"", "\"\xef\xbf\xbd_2\""}},
        {"a\xff,a\xc0,a\n1,2,3", {"\"a\xef\xbf\xbd\"", "\"a\xef\xbf\xbd_2\"", "\"a\""}},
    };
    for (const auto& c : cases) {
        const Delimited::Rows rows = Delimited::parse(c.text, ',');
        ASSERT_EQ(rows.size(), 2u) << c.text;
        EXPECT_EQ(keysOfFirstObject(Delimited::json(rows)), c.keys) << c.text;
    }
}

}  // namespace
}  // namespace tavlets
