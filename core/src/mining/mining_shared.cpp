#include "mining/mining_shared.hpp"

#include <array>
#include <string>
#include <unordered_set>

namespace tavlets::mining {

const text::Regex& speakerRegex() {
    // Optional "[tag]" or clock-time prefix, optional "@", one to three capitalised words as the
    // speaker, a colon, white space, the message.
    static const text::Regex regex(
        "^\\s*(?:\\[[^\\]]{1,30}\\]\\s*|\\(?\\d{1,2}:\\d{2}(?::\\d{2})?\\s*(?:[AaPp][Mm])?\\)?\\s*"
        "[-\u2013]?\\s*)?@?([A-Z][\\p{L}.'\u2019-]*(?: [A-Z][\\p{L}.'\u2019-]*){0,2}):\\s+(.+)$");
    return regex;
}

bool isNotSpeaker(std::string_view candidate) {
    static const std::unordered_set<std::string> heads = {
        "TODO", "NOTE",     "ACTION",      "FIXME",        "TASK",    "PS",
        "NB",   "FYI",      "RE",          "REMINDER",     "ACTION ITEM", "ACTION ITEMS",
        "SUMMARY", "AGENDA", "DEADLINE",   "DUE",          "TL;DR",   "NEXT STEPS",
    };
    return heads.count(text::uppercased(candidate)) > 0;
}

bool isStopWord(std::string_view lowerCaseWord) {
    static const std::unordered_set<std::string_view> words = {
        "the",   "and",   "that",  "this",  "with",  "for",   "are",   "was",   "were",  "have",
        "has",   "had",   "but",   "not",   "you",   "your",  "from",  "they",  "their", "will",
        "would", "could", "should", "about", "there", "what", "when",  "which", "then",  "than",
        "them",  "been",  "just",  "also",  "into",  "can",   "its",   "our",   "out",
    };
    return words.count(lowerCaseWord) > 0;
}

}  // namespace tavlets::mining

namespace tavlets::mining {

std::optional<ChatLine> chatLine(std::string_view trimmedLine) {
    if (trimmedLine.empty()) return std::nullopt;
    const auto match = speakerRegex().firstMatch(trimmedLine);
    if (!match) return std::nullopt;
    const auto speaker = match->group(trimmedLine, 1);
    const auto message = match->group(trimmedLine, 2);
    if (!speaker || !message || isNotSpeaker(*speaker)) return std::nullopt;
    return ChatLine{*speaker, *message};
}

}  // namespace tavlets::mining
