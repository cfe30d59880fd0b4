#pragma once
// Finds date and time expressions in English free text: "Friday at 3pm", "tomorrow morning",
// "Dec 5", "2026-12-05", "in three weeks", "15:00". Bare numbers, version strings, prices and
// phone numbers are not dates.

#include <optional>
#include <string_view>

#include <tavlets/text.hpp>

namespace tavlets::text {

class DateDetector {
public:
    // The process-wide detector, built once on first use (thread-safe); null when it could not
    // be built, in which case callers go without dates.
    static const DateDetector* shared();

    // The first (leftmost) date or time expression of the text as a byte range, or none. A date
    // directly followed by a time, or a time by a date, is one range ("Friday at 3pm").
    // Letter case is ignored.
    std::optional<Range> firstMatch(std::string_view text) const;
    // The same answer from a plain search of the whole text with the pattern; slower on long
    // texts. Kept to check the fast path against.
    std::optional<Range> firstMatchByPattern(std::string_view text) const;

    DateDetector();
    ~DateDetector();
    DateDetector(const DateDetector&) = delete;
    DateDetector& operator=(const DateDetector&) = delete;

private:
    Regex regex_;            // the expressions, searched anywhere
    Regex anchoredAtStart_;  // the same, only at the start of the subject
    Regex anchoredAfter_;    // the same, right after the subject's first character
};

}  // namespace tavlets::text
