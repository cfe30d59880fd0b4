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

namespace {

// The chat-line pattern up to the white space after the speaker's colon. On a line trimmed of
// whitespace (and, being a line, free of line ends) the rest of the full pattern, "\s+(.+)$",
// always matches: the message is everything after the white-space run that follows the colon.
const text::Regex& speakerHeadRegex() {
    static const text::Regex regex(
        "^\\s*(?:\\[[^\\]]{1,30}\\]\\s*|\\(?\\d{1,2}:\\d{2}(?::\\d{2})?\\s*(?:[AaPp][Mm])?\\)?\\s*"
        "[-\u2013]?\\s*)?@?([A-Z][\\p{L}.'\u2019-]*(?: [A-Z][\\p{L}.'\u2019-]*){0,2}):\\s");
    return regex;
}

// ASCII characters that may appear in a chat line's head after its bracketed tag: white space,
// digits and colons of a clock time, parentheses, AM/PM, the dash, "@", the speaker's letters,
// periods, apostrophes and hyphens, and the colon.
bool mayBeInHead(unsigned char b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') ||
           b == ' ' || (b >= '\t' && b <= '\r') || b == '(' || b == ')' || b == '.' || b == '\'' ||
           b == '-' || b == '@' || b == ':';
}

std::size_t skipWhiteSpace(std::string_view s, std::size_t i) {
    while (i < s.size()) {
        std::size_t k = i;
        if (!text::hasWhiteSpaceProperty(text::decodeAt(s, k))) break;
        i = k;
    }
    return i;
}

}  // namespace

std::optional<ChatLine> chatLine(std::string_view untrimmed) {
    const std::string_view line = text::trim(untrimmed, text::CharClass::whitespace);

    // Every chat line has a colon followed by white space; most long lines have none.
    bool colonSpace = false;
    for (std::size_t at = line.find(':'); at != std::string_view::npos && !colonSpace;
         at = line.find(':', at + 1)) {
        colonSpace = skipWhiteSpace(line, at + 1) > at + 1;
    }
    if (!colonSpace) return std::nullopt;

    // The head ends within the first characters (a tag has at most 32, 128 bytes) or at the
    // first ASCII character after them that no part of a head can hold, or just after the first
    // colon after them, which can only be the speaker's. The pattern never looks further, so it
    // is given only that much of a long line.
    std::size_t end = line.size();
    for (std::size_t i = 128; i < line.size(); ++i) {
        const auto b = static_cast<unsigned char>(line[i]);
        if (b >= 0x80) continue;
        if (b == ':') {
            end = i + 1;
            if (end < line.size()) text::decodeAt(line, end);
            break;
        }
        if (!mayBeInHead(b)) {
            end = i;
            break;
        }
    }
    const auto match = speakerHeadRegex().firstMatch(line.substr(0, end));
    if (!match) return std::nullopt;
    const auto group = match->groups.empty() ? std::nullopt : match->groups[0];
    if (!group) return std::nullopt;
    const std::string_view speaker = line.substr(group->first, group->second - group->first);
    if (isNotSpeaker(speaker)) return std::nullopt;
    // group->second is the colon.
    return ChatLine{speaker, line.substr(skipWhiteSpace(line, group->second + 1))};
}

}  // namespace tavlets::mining
