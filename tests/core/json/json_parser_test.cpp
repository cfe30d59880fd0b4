#include "tavlets/json.hpp"

#include <gtest/gtest.h>

namespace tavlets {
namespace {

TEST(JSONParser, Smoke)
{
    auto r = JSONParser::parse(R"({"a": [1, 2], "b": {}})");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(JSONTools::minify(r.node()), R"({"a":[1,2],"b":{}})");
}

}  // namespace
}  // namespace tavlets
