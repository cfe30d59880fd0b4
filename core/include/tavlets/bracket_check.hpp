#pragma once
// Unbalanced brackets and unclosed quotes in code or text, skipping comments and strings.

#include <string_view>

#include <tavlets/outcome.hpp>

namespace tavlets {

struct BracketCheck {
    // A report of every problem, or the all-balanced line. Findings are not errors.
    static Outcome run(std::string_view text);
};

}  // namespace tavlets
