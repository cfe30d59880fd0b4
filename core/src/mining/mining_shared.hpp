#pragma once
// Process-wide constants shared by the text-mining engines, built once on first use.

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
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

// The speaker test of one line (no line ends in it; whitespace at its ends does not count): the
// speaker and the message of a chat line, as slices of the line, or none when the line is not a
// chat line. The same answer as speakerRegex with the speaker not in the note heads, in time
// that does not grow with the length of a line's message.
struct ChatLine {
    std::string_view speaker;
    std::string_view message;
};
std::optional<ChatLine> chatLine(std::string_view line);

// The speaker head pattern's speaker (byte range, ending at the colon) in a subject, matched by
// hand: the same answer as the regular expression, which the second asks.
std::optional<std::pair<std::size_t, std::size_t>> speakerHead(std::string_view subject);
std::optional<std::pair<std::size_t, std::size_t>> speakerHeadByPattern(std::string_view subject);

// A unit of TextMining::units as slices of the text it came from.
struct UnitView {
    std::string_view text;
    std::string_view speaker;
    bool hasSpeaker = false;
    bool unchecked = false;
};

// Calls f with every unit of TextMining::units in order, until f returns false. Returns false
// when it stopped before the end (f asked to, or the run was cancelled).
bool forEachUnit(std::string_view text, const std::function<bool(const UnitView&)>& f);

// The word count of TextMining::wordCount, but it stops counting at limit (a caller that only asks
// "at least limit words?" need not read a huge text to its end).
std::size_t wordCountUpTo(std::string_view text, std::size_t limit);

// The index of the first character at or after i without the White_Space property.
std::size_t skipWhiteSpace(std::string_view s, std::size_t i);

}  // namespace tavlets::mining
