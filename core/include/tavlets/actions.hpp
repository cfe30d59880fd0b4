#pragma once
// The engine's public face: the offered actions, the classification of a clipboard text and the
// catalog that turns a classification into actions. All text is UTF-8.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/outcome.hpp>

namespace tavlets {

// One offered action. `run` is synchronous and never throws.
struct Tavlet {
    std::string id;
    std::string title;
    std::string symbol;
    std::function<Outcome(std::string_view)> run;
};

// What kind of text is on the clipboard. `of` sets at most one facet.
struct Analysis {
    enum class JSONState { none, valid, invalid };

    JSONState json = JSONState::none;
    std::optional<char> delimiter;  // '\t', ',' or ';' for a regular table
    bool isCode = false;
    bool isLongText = false;

    static Analysis of(std::string_view text);
    // The panel header's one-line description, e.g. "JSON" or "CSV data".
    std::string label() const;

    bool operator==(const Analysis&) const = default;
};

struct ActionCatalog {
    // A fresh, ordered list on every call: the specialised groups whose condition holds, then the
    // nine text actions that are always offered.
    static std::vector<Tavlet> actions(const Analysis& analysis);
};

}  // namespace tavlets
