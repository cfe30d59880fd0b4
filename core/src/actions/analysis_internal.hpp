#pragma once
// Pieces of the content classification that tests look at on their own.

#include <string_view>

namespace tavlets::analysis {

// The code heuristic of Analysis::of; t is already trimmed.
bool looksLikeCode(std::string_view t);
// Whether some line of t starts, after white space, with a code keyword followed by a word
// boundary: the multi-line pattern ^\s*(import|func|...|pub)\b, found in one linear pass.
bool hasKeywordLine(std::string_view t);

}  // namespace tavlets::analysis
