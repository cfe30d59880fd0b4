// Delimited tables on any text: detection agrees with parsing, Markdown has one line per row plus
// the separator, and the JSON output always parses, with one object per data row.

#include <algorithm>
#include <optional>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

namespace {

// The splitting rules written out plainly for ASCII text, where every byte is one character
// except a carriage return followed by a line feed.
Delimited::Rows referenceParse(std::string_view s, char delimiter) {
    Delimited::Rows rows;
    Delimited::Row row;
    std::string cell;
    bool inQuotes = false;
    const auto endRow = [&] {
        row.push_back(std::move(cell));
        cell.clear();
        if (!(row.size() == 1 && row[0].empty())) rows.push_back(std::move(row));
        row.clear();
    };
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        const bool crlf = c == '\r' && i + 1 < s.size() && s[i + 1] == '\n';
        if (inQuotes) {
            if (c != '"') {
                cell += c;
                if (crlf) cell += s[++i];
            } else if (i + 1 < s.size() && s[i + 1] == '"') {
                cell += '"';
                ++i;
            } else {
                inQuotes = false;
            }
        } else if (c == '"' && cell.empty()) {
            inQuotes = true;
        } else if (c == delimiter) {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (crlf) ++i;
            endRow();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.empty()) endRow();
    return rows;
}

std::optional<char> referenceDetect(std::string_view s) {
    if (s.find_first_of("\n\v\f\r") == std::string_view::npos) return std::nullopt;
    for (const char candidate : {'\t', ',', ';'}) {
        if (s.find(candidate) == std::string_view::npos) continue;
        const Delimited::Rows rows = referenceParse(s, candidate);
        if (rows.size() < 2 || rows[0].size() < 2) continue;
        bool regular = true;
        for (const auto& row : rows) regular = regular && row.size() == rows[0].size();
        if (regular) return candidate;
    }
    return std::nullopt;
}

bool isASCII(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

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

    const bool ascii = isASCII(text);
    if (ascii) FUZZ_CHECK(detected == referenceDetect(trimmed));

    for (const char delimiter : {'\t', ',', ';'}) {
        const Delimited::Rows rows = Delimited::parse(text, delimiter);
        if (ascii) FUZZ_CHECK(rows == referenceParse(text, delimiter));
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
