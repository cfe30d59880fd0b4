#pragma once
// The nine text actions offered for every clipboard text. The catalog wires them into its list;
// they are declared here so that they can be exercised on their own.

#include <string>
#include <string_view>

#include <tavlets/outcome.hpp>

namespace tavlets::transforms {

Outcome uppercase(std::string_view text);
Outcome lowercase(std::string_view text);
Outcome titleCase(std::string_view text);
std::string sentenceCase(std::string_view text);
std::string trim(std::string_view text);
std::string stats(std::string_view text);
Outcome urlDecode(std::string_view text);
Outcome base64Encode(std::string_view text);
Outcome base64Decode(std::string_view text);

}  // namespace tavlets::transforms
