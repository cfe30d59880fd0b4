#include <tavlets/transforms.hpp>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "test_cases.hpp"

namespace tavlets {
namespace {

// Uppercase, lowercase and title case, and plain cases of the others, run through the catalog's
// list in catalog_test.cpp.

Outcome mono(std::string text) { return Outcome{std::move(text), false, true}; }

std::string words(int n) {
    std::string out = "word";
    for (int i = 1; i < n; ++i) out += " word";
    return out + ".";
}

TEST(Transforms, GiveExactOutcomes) {
    const std::map<std::string, std::function<Outcome(std::string_view)>> actions = {
        {"sentence case", [](std::string_view s) { return Outcome{transforms::sentenceCase(s), false, false}; }},
        {"trim", [](std::string_view s) { return Outcome{transforms::trim(s), false, false}; }},
        {"count", [](std::string_view s) { return Outcome{transforms::stats(s), false, false}; }},
        {"url decode", transforms::urlDecode},
        {"base64 decode", transforms::base64Decode},
    };
    for (const auto& row : readCases("transforms.tsv")) {
        const Outcome expected{row.at(3), row.at(2) == "failure", row[2] == "mono"};
        const Outcome got = actions.at(row.at(0))(row.at(1));
        EXPECT_EQ(got, expected) << row[0] << " " << testing::PrintToString(row[1]) << " gave " << testing::PrintToString(got.text);
    }
    for (const auto& [n, reading] :
         std::vector<std::pair<int, std::string>>{{229, "under a minute"}, {230, "about 1 min"}, {345, "about 2 min"}}) {
        EXPECT_TRUE(transforms::stats(words(n)).ends_with("\nReading time: " + reading)) << n;
    }
}

TEST(Transforms, Base64RoundTripsAnyText) {
    for (const std::string text : {"a", "ab", "abc", "line\r\n", "na\u00EFve \u2713 \U0001F44D\U0001F3FD", "\t  \n"}) {
        EXPECT_EQ(transforms::base64Decode(transforms::base64Encode(text).text), mono(text)) << text;
    }
}

}  // namespace
}  // namespace tavlets
