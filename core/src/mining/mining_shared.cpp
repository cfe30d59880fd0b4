#include "mining/mining_shared.hpp"

#include <array>
#include <string>
#include <utility>
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

std::size_t skipWhiteSpace(std::string_view s, std::size_t i) {
    while (i < s.size()) {
        std::size_t k = i;
        if (!text::hasWhiteSpaceProperty(text::decodeAt(s, k))) break;
        i = k;
    }
    return i;
}

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

bool isNameCharacter(char32_t c) {
    return c == '.' || c == '\'' || c == 0x2019 || c == '-' || text::isLetter(c);
}

bool isAsciiUpper(std::string_view s, std::size_t i) { return i < s.size() && s[i] >= 'A' && s[i] <= 'Z'; }

// The part of the head pattern from "@?" on, at i: the speaker's one to three capitalised words,
// the colon and one white-space character. Each name word takes every name character that
// follows, as only a space or the colon may come after it, so nothing is left to backtrack over.
std::optional<std::pair<std::size_t, std::size_t>> speakerAt(std::string_view s, std::size_t i) {
    if (i < s.size() && s[i] == '@') ++i;
    if (!isAsciiUpper(s, i)) return std::nullopt;
    const std::size_t begin = i;
    for (std::size_t words = 1;; ++words) {
        ++i;
        while (i < s.size()) {
            std::size_t k = i;
            if (!isNameCharacter(text::decodeAt(s, k))) break;
            i = k;
        }
        if (i < s.size() && s[i] == ':') {
            std::size_t k = i + 1;
            if (k < s.size() && text::hasWhiteSpaceProperty(text::decodeAt(s, k))) return std::make_pair(begin, i);
            return std::nullopt;
        }
        if (words == 3 || i + 1 >= s.size() || s[i] != ' ' || !isAsciiUpper(s, i + 1)) return std::nullopt;
        ++i;
    }
}

// "\d" at i: the position after the digit, or none.
std::optional<std::size_t> digitAt(std::string_view s, std::size_t i) {
    if (i >= s.size()) return std::nullopt;
    if (!text::isDecimalDigit(text::decodeAt(s, i))) return std::nullopt;
    return i;
}

// The clock-time prefix at i; calls speakerAt where the speaker may start, in the pattern's
// order (an "AM" or "PM" first taken as part of the time, then as the speaker's name).
std::optional<std::pair<std::size_t, std::size_t>> afterClock(std::string_view s, std::size_t i) {
    if (i < s.size() && s[i] == '(') ++i;
    auto d = digitAt(s, i);
    if (!d) return std::nullopt;
    i = *d;
    if (auto second = digitAt(s, i)) i = *second;
    if (i >= s.size() || s[i] != ':') return std::nullopt;
    for (int k = 0; k < 2; ++k) {
        d = digitAt(s, i + (k == 0 ? 1 : 0));
        if (!d) return std::nullopt;
        i = *d;
    }
    if (i < s.size() && s[i] == ':') {
        const auto first = digitAt(s, i + 1);
        const auto second = first ? digitAt(s, *first) : std::nullopt;
        if (second) i = *second;
    }
    i = skipWhiteSpace(s, i);
    std::array<std::size_t, 2> starts{i, i};
    std::size_t count = 1;
    if (i + 1 < s.size() && std::string_view("AaPp").find(s[i]) != std::string_view::npos &&
        (s[i + 1] == 'M' || s[i + 1] == 'm')) {
        starts[0] = i + 2;
        count = 2;
    }
    for (std::size_t c = 0; c < count; ++c) {
        std::size_t k = starts[c];
        if (k < s.size() && s[k] == ')') ++k;
        k = skipWhiteSpace(s, k);
        if (k < s.size() && s[k] == '-') {
            ++k;
        } else if (s.substr(k).starts_with("\u2013")) {
            k += 3;
        }
        k = skipWhiteSpace(s, k);
        if (auto speaker = speakerAt(s, k)) return speaker;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::pair<std::size_t, std::size_t>> speakerHead(std::string_view s) {
    const std::size_t p = skipWhiteSpace(s, 0);
    if (p < s.size() && s[p] == '[') {
        // "[" then one to thirty code points up to the first "]".
        std::size_t i = p + 1;
        std::size_t count = 0;
        while (i < s.size() && s[i] != ']' && count <= 30) {
            text::decodeAt(s, i);
            ++count;
        }
        if (count < 1 || count > 30 || i >= s.size() || s[i] != ']') return std::nullopt;
        return speakerAt(s, skipWhiteSpace(s, i + 1));
    }
    if (p < s.size() && (s[p] == '(' || static_cast<unsigned char>(s[p]) >= 0x80 || (s[p] >= '0' && s[p] <= '9'))) {
        if (auto speaker = afterClock(s, p)) return speaker;
    }
    return speakerAt(s, p);
}

std::optional<std::pair<std::size_t, std::size_t>> speakerHeadByPattern(std::string_view subject) {
    const auto match = speakerHeadRegex().firstMatch(subject);
    if (!match || match->groups.empty()) return std::nullopt;
    return match->groups[0];
}

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
    const auto group = speakerHead(line.substr(0, end));
    if (!group) return std::nullopt;
    const std::string_view speaker = line.substr(group->first, group->second - group->first);
    if (isNotSpeaker(speaker)) return std::nullopt;
    // group->second is the colon.
    return ChatLine{speaker, line.substr(skipWhiteSpace(line, group->second + 1))};
}

}  // namespace tavlets::mining
