#include "tavlets/json.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tavlets {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The public parsing suite: y_ files must parse, n_ files must fail, i_ files may do either.
// Every file also goes through the printers or the report, which must not crash, and a document
// that parses must print to text that parses back to the same tokens.
TEST(JSONConformance, ParsingSuite)
{
    const fs::path dir = fs::path(TAVLETS_CONFORMANCE_DIR) / "json" / "test_parsing";
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no conformance suite at " << dir;

    std::vector<std::string> wrong;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".json")
            continue;
        ++files;
        const std::string text = readFile(entry.path());
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
        if (name.starts_with("y_") && !result.ok())
            wrong.push_back(name + " (rejected: " + result.error().message + ")");
        if (name.starts_with("n_") && result.ok())
            wrong.push_back(name + " (accepted)");
    }
    EXPECT_GT(files, 0);
    EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}

}  // namespace
}  // namespace tavlets
