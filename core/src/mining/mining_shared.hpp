#pragma once
// Process-wide constants shared by the text-mining engines, built once on first use.

#include <string_view>

#include <tavlets/text.hpp>

namespace tavlets::mining {

// A chat line: optional timestamp prefix, optional "@", the speaker (group 1), ": ", the message
// (group 2).
const text::Regex& speakerRegex();
// Words that look like a speaker but head a note ("TODO", "NOTE", ...); compared upper-cased.
bool isNotSpeaker(std::string_view candidate);
// Lower-case English stop words, exact comparison.
bool isStopWord(std::string_view lowerCaseWord);

}  // namespace tavlets::mining
