// Sentence and word tokens with ICU's English break rules.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <unicode/rbbi.h>

#include <climits>

namespace tavlets::text {

namespace {

bool onlyWhitespace(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (!isWhitespaceOrNewline(decodeAt(s, i))) return false;
    }
    return true;
}

template <typename Keep>
std::vector<Range> ranges(std::string_view s, BreakKind kind, Keep keep) {
    std::vector<Range> out;
    if (s.empty() || s.size() > static_cast<std::size_t>(INT32_MAX)) return out;
    Utf8Text text(s);
    auto it = newBreakIterator(kind);
    UErrorCode status = U_ZERO_ERROR;
    it->setText(text.get(), status);
    if (U_FAILURE(status)) return out;
    std::size_t prev = static_cast<std::size_t>(std::max<int32_t>(it->first(), 0));
    for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next()) {
        const auto cur = std::min(static_cast<std::size_t>(b), s.size());
        if (cur <= prev) continue;
        if (keep(*it, s.substr(prev, cur - prev))) out.push_back({prev, cur});
        prev = cur;
    }
    return out;
}

}  // namespace

std::vector<Range> sentenceRanges(std::string_view s) {
    return ranges(s, BreakKind::sentence,
                  [](const icu::BreakIterator&, std::string_view piece) { return !onlyWhitespace(piece); });
}

std::size_t sentenceCount(std::string_view s) { return sentenceRanges(s).size(); }

std::vector<Range> wordRanges(std::string_view s) {
    return ranges(s, BreakKind::word, [](const icu::BreakIterator& it, std::string_view) {
        // Rule statuses below UBRK_WORD_NONE_LIMIT mark spaces and punctuation.
        return it.getRuleStatus() >= UBRK_WORD_NONE_LIMIT;
    });
}

}  // namespace tavlets::text
