// A run whose cancellation flag is already set stops at the engine's first check: on a large
// input its result is cut short (and would be thrown away). Without the flag, or with it clear,
// the same calls give the whole result.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <tavlets/bracket_check.hpp>
#include <tavlets/cancel.hpp>
#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text_mining.hpp>
#include <tavlets/transforms.hpp>

#include "test_cases.hpp"

namespace tavlets {
namespace {

// Runs work with a flag set to `cancel`.
std::string runWith(bool cancel, const std::function<std::string()>& work) {
    const std::atomic<bool> flag{cancel};
    const CancelScope scope(&flag);
    return work();
}

TEST(CancelTest, EveryLongEngineStopsEarly) {
    constexpr std::size_t kSize = 1024 * 1024;
    const auto big = [](std::string_view piece) { return repeated(piece, kSize / piece.size() + 1); };  // kSize bytes or a little more
    const std::string prose = big("  Stra\u00DFe caf\u00E9 na\u00EFve \u03A3\u039F\u03A6\u039F\u03A3 ok. Second one here!\n");
    const std::string percent = big("caf%C3%A9%20");
    const std::string base64 = transforms::base64Encode(prose).text;
    const std::string code = big("f(a[1], {x: \"y\"}); // ok\n") + ")";
    const std::string notes = prose + "Please send the deck to Dana.\n";
    const std::string csv = "a,b,c\n" + big("1,\"two, 2\",caf\u00E9\n");
    const std::string json = "[" + big("{\"k\": [1, 2.5, \"v\"]}, ") + "null]";
    const JSONParseResult parsed = JSONParser::parse(json);  // parsed whole, then printed under the flag
    ASSERT_TRUE(parsed.ok());

    const std::vector<std::pair<const char*, std::function<std::string()>>> engines = {
        {"uppercase", [&] { return transforms::uppercase(prose).text; }},
        {"lowercase", [&] { return transforms::lowercase(prose).text; }},
        {"title case", [&] { return transforms::titleCase(prose).text; }},
        {"sentence case", [&] { return transforms::sentenceCase(prose); }},
        {"trim", [&] { return transforms::trim(prose); }},
        {"count words", [&] { return transforms::stats(prose); }},
        {"URL decode", [&] { return transforms::urlDecode(percent).text; }},
        {"Base64 encode", [&] { return transforms::base64Encode(prose).text; }},
        {"Base64 decode", [&] { return transforms::base64Decode(base64).text; }},
        {"bracket check", [&] { return BracketCheck::run(code).text; }},
        {"table parse", [&] { return std::to_string(Delimited::parse(csv, ',').size()); }},
        {"Markdown table", [&] { return Delimited::markdown(Delimited::parse(csv, ',')); }},
        {"table JSON", [&] { return Delimited::json(Delimited::parse(csv, ',')); }},
        {"JSON parse", [&] { return std::to_string(JSONParser::parse(json).ok()); }},
        {"JSON pretty", [&] { return JSONTools::pretty(parsed.node(), 0); }},
        {"JSON minify", [&] { return JSONTools::minify(parsed.node()); }},
        {"TL;DR", [&] { return TextMining::tldr(prose).text; }},
        {"action items", [&] { return TextMining::actionItems(notes).text; }},
        {"word count", [&] { return std::to_string(TextMining::wordCount(prose)); }},
    };
    for (const auto& [name, work] : engines) {
        SCOPED_TRACE(name);
        const std::string whole = runWith(false, work);
        const std::string cut = runWith(true, work);
        EXPECT_NE(cut, whole);
        EXPECT_LT(cut.size(), kSize / 4);
        EXPECT_EQ(work(), whole);  // no flag installed at all
    }
}

}  // namespace
}  // namespace tavlets
