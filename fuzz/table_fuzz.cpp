// Delimited tables on any text: detection agrees with parsing, Markdown has one line per row plus
// the separator, and the JSON output always parses, with one object per data row.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const bool valid = text::isValidUTF8(text);

    const std::string_view trimmed = text::trim(text);
    const auto detected = Delimited::detect(trimmed);
    if (detected) {
        FUZZ_CHECK(*detected == '\t' || *detected == ',' || *detected == ';');
        const Delimited::Rows rows = Delimited::parse(trimmed, *detected);
        FUZZ_CHECK(rows.size() >= 2 && rows[0].size() >= 2);
        for (const auto& row : rows) FUZZ_CHECK(row.size() == rows[0].size());
    }

    for (const char delimiter : {'\t', ',', ';'}) {
        const Delimited::Rows rows = Delimited::parse(text, delimiter);
        for (const auto& row : rows) {
            FUZZ_CHECK(!row.empty());
            FUZZ_CHECK(!(row.size() == 1 && row[0].empty()));
        }

        if (!rows.empty()) {
            const std::string md = Delimited::markdown(rows);
            FUZZ_CHECK_SHOW(static_cast<std::size_t>(std::count(md.begin(), md.end(), '\n')) == rows.size(), md);
            FUZZ_CHECK_SHOW(md.rfind("| ", 0) == 0 && md.size() >= 2 && md.substr(md.size() - 2) == " |", md);
            if (valid) FUZZ_CHECK_SHOW(text::isValidUTF8(md), md);
        }

        const std::string json = Delimited::json(rows);
        const JSONParseResult parsed = JSONParser::parse(json);
        FUZZ_CHECK_SHOW(parsed.ok(), json);
        const JSONNode& array = parsed.node();
        if (rows.empty()) {
            FUZZ_CHECK(json == "[]");
            continue;
        }
        FUZZ_CHECK(array.kind() == JSONNode::Kind::array);
        FUZZ_CHECK(array.size() == rows.size() - 1);
        for (std::size_t i = 0; i < array.size(); ++i) {
            FUZZ_CHECK(array.element(i).kind() == JSONNode::Kind::object);
            FUZZ_CHECK(array.element(i).size() == rows[0].size());
        }
        // Keys are unique within each object.
        if (array.size() > 0) {
            const JSONNode first = array.element(0);
            for (std::size_t a = 0; a < first.size() && a < 64; ++a)
                for (std::size_t b = a + 1; b < first.size() && b < 64; ++b) FUZZ_CHECK(first.key(a) != first.key(b));
        }
        if (valid) FUZZ_CHECK_SHOW(text::isValidUTF8(json), json);
    }

    // Every cell types to one JSON value token.
    const std::string scalar = Delimited::scalar(text);
    const JSONParseResult token = JSONParser::parse(scalar);
    FUZZ_CHECK_SHOW(token.ok() && token.node().kind() == JSONNode::Kind::leaf, scalar);
    return 0;
}
