#pragma once
// Tab-, comma- or semicolon-separated tables: recognise, split with quoting, convert.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlets {

struct Delimited {
    using Row = std::vector<std::string>;
    using Rows = std::vector<Row>;

    // The delimiter ('\t', ',' or ';', in that order of preference) of a regular table of at
    // least two rows of at least two cells each, or none. The text is already trimmed.
    static std::optional<char> detect(std::string_view text);
    static Rows parse(std::string_view text, char delimiter);
    // Needs at least one row; the first row is the header.
    static std::string markdown(const Rows& rows);
    // A pretty-printed JSON array of objects keyed by the first row.
    static std::string json(const Rows& rows);
    // One cell as a JSON value token: a number or true/false/null as written, else a string.
    static std::string scalar(std::string_view cell);
};

}  // namespace tavlets
