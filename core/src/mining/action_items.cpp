#include "mining/action_items_internal.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <unordered_set>

#include <tavlets/dates.hpp>
#include <tavlets/names.hpp>

#include "mining/mining_shared.hpp"

namespace tavlets::mining {

namespace {

const text::Regex& triggerRegex() {
    static const text::Regex r(
        "\\b(todo|to-do|to do|action item|action:|follow[- ]?up|needs? to|have to|has to|must|should|"
        "make sure|don'?t forget|remember to|please|can you|could you|would you|will you|i'?ll|i will|"
        "we'?ll|we will|let'?s|going to|gonna|deadline|due|asap|assigned to|reminder|"
        "by (eod|eow|end of|monday|tuesday|wednesday|thursday|friday|tomorrow|tonight))\\b",
        true);
    return r;
}
const text::Regex& requestRegex() {
    static const text::Regex r("\\b(can you|could you|would you|will you|please|need to|needs to)\\b", true);
    return r;
}
const text::Regex& taskPrefixRegex() {
    static const text::Regex r("^(todo|to-do|action item|action|task)s?\\s*[:-]\\s*", true);
    return r;
}
const text::Regex& deadlineRegex() {
    static const text::Regex r(
        "\\b(asap|eod|eow|end of (the )?(day|week|month|quarter)|next (week|month)|this (week|month)|tonight|"
        "today)\\b",
        true);
    return r;
}
const text::Regex& mentionRegex() {
    static const text::Regex r("@[A-Za-z][\\w.-]*");
    return r;
}
const text::Regex& addressRegex() {
    static const text::Regex r("^(?:hey |hi |ok |okay )?([A-Z][a-z]+)[,:] ");
    return r;
}
const text::Regex& greetingRegex() {
    static const text::Regex r("^(?i:hey |hi |ok |okay )");
    return r;
}
const text::Regex& firstPersonRegex() {
    static const text::Regex r("\\b(i'?ll|i will|i can|i'?m going to|i need to|i have to|i'?d)\\b", true);
    return r;
}

bool isAsciiWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The alternatives of a case-insensitive pattern of ASCII words with "\b" on both ends, spelled
// out, for a byte-level test that answers for the pattern on most texts without running it.
//
// Case-insensitive matching compares case foldings, and only a few non-ASCII code points fold to
// something with ASCII letters (the Kelvin sign to "k", "\u017F" to "s", "\u00DF" to "ss", the
// "fi"-style ligatures...). A text without them can match only on ASCII bytes that spell a word of
// the list in either case. Next to such a spelling, "\b" is decided by an ASCII neighbour alone;
// a non-ASCII neighbour (a letter, a combining mark) is left to the pattern.
class WordList {
public:
    explicit WordList(std::initializer_list<std::string_view> words) : words_(words) {
        // Grouped by their first two letters, so a position is compared only with the words
        // that start the way it does.
        std::stable_sort(words_.begin(), words_.end(),
                         [](std::string_view a, std::string_view b) { return index(a[0], a[1]) < index(b[0], b[1]); });
        firstWord_.fill(kNone);
        for (std::size_t k = words_.size(); k-- > 0;) {
            const std::string_view w = words_[k];
            firstWord_[index(w[0], w[1])] = static_cast<std::uint8_t>(k);
            firstBytes_[static_cast<unsigned char>(w[0])] = true;
            firstBytes_[static_cast<unsigned char>(w[0] - 'a' + 'A')] = true;
        }
        // The lead bytes of the code points that fold to ASCII letters (see foldsToAscii).
        for (const unsigned char b : {0xC3, 0xC4, 0xC5, 0xC7, 0xE1, 0xE2, 0xEF}) foldLeads_[b] = true;
    }

    // true or false when the bytes decide; nullopt when the pattern must.
    std::optional<bool> find(std::string_view s) const {
        const std::size_t n = s.size();
        bool undecided = false;
        bool folding = false;  // a code point that folds to ASCII letters
        for (std::size_t i = 0; i < n; ++i) {
            const auto b = static_cast<unsigned char>(s[i]);
            if (b >= 0x80) {
                if (!folding && foldLeads_[b]) {
                    std::size_t k = i;
                    folding = mining::foldsToAscii(text::decodeAt(s, k));
                }
                continue;
            }
            if (!firstBytes_[b] || (i > 0 && isAsciiWordByte(s[i - 1])) || i + 1 >= n) continue;
            const std::size_t start = index(s[i], s[i + 1]);
            if (firstWord_[start] == kNone) continue;
            for (std::size_t k = firstWord_[start]; k < words_.size(); ++k) {
                const std::string_view w = words_[k];
                if (index(w[0], w[1]) != start) break;
                if (n - i < w.size() || !sameLetters(s.substr(i, w.size()), w)) continue;
                const std::size_t end = i + w.size();
                const bool asciiBefore = i == 0 || static_cast<unsigned char>(s[i - 1]) < 0x80;
                const bool asciiAfter = end == n || static_cast<unsigned char>(s[end]) < 0x80;
                if (!asciiBefore || !asciiAfter) {
                    undecided = true;
                    continue;
                }
                const bool wordAfter = end < n && isAsciiWordByte(s[end]);
                // "\b" after a word letter needs a non-word after it; after "action:" it needs a word.
                if (w.back() == ':' ? wordAfter : !wordAfter) return true;
            }
        }
        if (undecided) return std::nullopt;
        if (folding) {
            // A match through such code points folds, code point by code point, to a word of the
            // list; so when the folded text holds none of them anywhere, there is none.
            if (appearsIn(foldedSkeleton(s))) return std::nullopt;
        }
        return false;
    }

private:
    // Whether a word of the list appears anywhere in lower-case text, word boundaries or not.
    bool appearsIn(std::string_view lower) const {
        for (std::size_t i = 0; i + 1 < lower.size(); ++i) {
            const std::size_t start = index(lower[i], lower[i + 1]);
            if (firstWord_[start] == kNone) continue;
            for (std::size_t k = firstWord_[start]; k < words_.size() && index(words_[k][0], words_[k][1]) == start; ++k)
                if (lower.substr(i).starts_with(words_[k])) return true;
        }
        return false;
    }

    // The text with ASCII letters lower-cased, the code points that fold to ASCII letters replaced
    // by their folding's ASCII letters, and every other non-ASCII byte by 0x80.
    std::string foldedSkeleton(std::string_view s) const {
        std::string out;
        out.reserve(s.size() + 8);
        for (std::size_t i = 0; i < s.size();) {
            const auto b = static_cast<unsigned char>(s[i]);
            if (b < 0x80) {
                out += lower(s[i++]);
                continue;
            }
            if (!foldLeads_[b]) {
                out += '\x80';
                ++i;
                continue;
            }
            const char32_t c = text::decodeAt(s, i);
            switch (c) {
                case 0xDF: case 0x1E9E: out += "ss"; break;
                case 0x17F: out += 's'; break;
                case 0x212A: out += 'k'; break;
                case 0x130: out += "i\x80"; break;
                case 0x149: out += "\x80n"; break;
                case 0x1F0: out += "j\x80"; break;
                case 0x1E96: out += "h\x80"; break;
                case 0x1E97: out += "t\x80"; break;
                case 0x1E98: out += "w\x80"; break;
                case 0x1E99: out += "y\x80"; break;
                case 0x1E9A: out += "a\x80"; break;
                case 0xFB00: out += "ff"; break;
                case 0xFB01: out += "fi"; break;
                case 0xFB02: out += "fl"; break;
                case 0xFB03: out += "ffi"; break;
                case 0xFB04: out += "ffl"; break;
                case 0xFB05: case 0xFB06: out += "st"; break;
                default: out += '\x80'; break;
            }
        }
        return out;
    }

    static char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
    static std::size_t index(char a, char b) {
        return static_cast<std::size_t>(static_cast<unsigned char>(lower(a))) << 8 |
               static_cast<unsigned char>(lower(b));
    }
    static bool sameLetters(std::string_view text, std::string_view lowerWord) {
        for (std::size_t k = 0; k < lowerWord.size(); ++k)
            if (lower(text[k]) != lowerWord[k]) return false;
        return true;
    }

    static constexpr std::uint8_t kNone = 0xFF;
    std::vector<std::string_view> words_;
    std::array<std::uint8_t, 65536> firstWord_{};  // by first two letters, lower-cased
    std::array<bool, 256> firstBytes_{};  // first letters in either case
    std::array<bool, 256> foldLeads_{};
};

const WordList& triggerWords() {
    static const WordList list{
        "todo", "to-do", "to do", "action item", "action:", "followup", "follow-up", "follow up", "need to",
        "needs to", "have to", "has to", "must", "should", "make sure", "don't forget", "dont forget",
        "remember to", "please", "can you", "could you", "would you", "will you", "i'll", "ill", "i will",
        "we'll", "well", "we will", "let's", "lets", "going to", "gonna", "deadline", "due", "asap",
        "assigned to", "reminder", "by eod", "by eow", "by end of", "by monday", "by tuesday", "by wednesday",
        "by thursday", "by friday", "by tomorrow", "by tonight"};
    return list;
}

const WordList& requestWords() {
    static const WordList list{"can you", "could you", "would you", "will you", "please", "need to", "needs to"};
    return list;
}


constexpr std::string_view kNoItems =
    "No action items found. I look for to-dos, requests (\"can you\u2026\"), commitments (\"I'll\u2026\"), "
    "\"need to\", deadlines and unchecked [ ] boxes.";
constexpr std::size_t kMinimumWords = 3;
constexpr std::size_t kMaximumItems = 15;
constexpr std::size_t kItemLimit = 200;

// Sentence openers the address rule would otherwise take for a name.
bool isNonOwnerWord(std::string_view w) {
    return w == "Please" || w == "Also" || w == "Yes" || w == "No" || w == "Thanks";
}

// The text with curly apostrophes made straight, in `out`; the text itself when it has none.
std::string_view straightenApostrophes(std::string_view s, std::string& out) {
    static constexpr std::string_view curly = "\u2019";
    if (s.find(curly) == std::string_view::npos) return s;
    out.clear();
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t at = s.find(curly, i);
        if (at == std::string_view::npos) {
            out.append(s.substr(i));
            break;
        }
        out.append(s.substr(i, at - i));
        out.push_back('\'');
        i = at + curly.size();
    }
    return out;
}

std::string_view trimAddress(std::string_view s) {
    auto strip = [](char c) { return c == ',' || c == ':' || c == ' '; };
    while (!s.empty() && strip(s.front())) s.remove_prefix(1);
    while (!s.empty() && strip(s.back())) s.remove_suffix(1);
    return s;
}

std::optional<text::Range> sharedDetectorMatch(std::string_view s) {
    return text::DateDetector::shared()->firstMatch(s);
}

}  // namespace

bool foldsToAscii(char32_t c) {
    return c == 0xDF || c == 0x130 || c == 0x149 || c == 0x17F || c == 0x1F0 || (c >= 0x1E96 && c <= 0x1E9A) ||
           c == 0x1E9E || c == 0x212A || (c >= 0xFB00 && c <= 0xFB06);
}

bool hasTriggerByPattern(std::string_view w) { return triggerRegex().search(w); }

bool hasRequestByPattern(std::string_view w) { return requestRegex().search(w); }

bool hasRequest(std::string_view w) {
    if (auto decided = requestWords().find(w)) return *decided;
    return hasRequestByPattern(w);
}

bool hasTrigger(std::string_view w) {
    if (auto decided = triggerWords().find(w)) return *decided;
    return hasTriggerByPattern(w);
}

ItemServices defaultItemServices() {
    ItemServices services;
    services.names = &text::personalNames;
    if (text::DateDetector::shared() != nullptr) services.dates = &sharedDetectorMatch;
    return services;
}

std::optional<std::string> owner(const TextMining::Unit& unit, std::string_view w, NameFinder names) {
    if (auto m = mentionRegex().firstMatch(w)) return std::string(w.substr(m->begin + 1, m->end - m->begin - 1));

    if (auto m = addressRegex().firstMatch(w)) {
        std::string address = greetingRegex().removingFirstMatch(w.substr(m->begin, m->end - m->begin));
        std::string_view candidate = trimAddress(address);
        if (!isNotSpeaker(candidate) && !isNonOwnerWord(candidate)) return std::string(candidate);
    }

    if (unit.speaker && firstPersonRegex().search(w)) return unit.speaker;

    if (names != nullptr) {
        for (std::string& name : names(w))
            if (!unit.speaker || name != *unit.speaker) return std::move(name);
    }
    return std::nullopt;
}

Outcome actionItems(std::string_view input, const ItemServices& services) {
    std::vector<std::string> items;
    std::unordered_set<std::string> seen;
    std::string straightened;
    forEachUnit(input, [&](const UnitView& view) {
        const std::string_view w = straightenApostrophes(view.text, straightened);
        if (!view.unchecked && !hasTrigger(w)) return true;
        if (wordCountUpTo(w, kMinimumWords) < kMinimumWords) return true;
        if (!view.unchecked && !w.empty() && w.back() == '?' && !hasRequest(w)) return true;
        if (!seen.insert(text::lowercased(w)).second) return true;

        const TextMining::Unit unit{view.hasSpeaker ? std::optional<std::string>(view.speaker) : std::nullopt,
                                    std::string(view.text), view.unchecked};
        std::string item = taskPrefixRegex().removingFirstMatch(w);
        if (text::prefixCharacters(item, kItemLimit).size() < item.size()) {  // more than the limit
            item = std::string(text::prefixCharacters(item, kItemLimit - 3));
            item += "\u2026";
        }
        std::string line = "\u2610 " + item;

        std::vector<std::string> details;
        if (auto who = owner(unit, w, services.names)) details.push_back("Owner: " + *who);
        std::optional<std::string_view> due;
        if (services.dates != nullptr) {
            if (auto r = services.dates(w)) due = w.substr(r->begin, r->end - r->begin);
        }
        if (!due) {
            if (auto m = deadlineRegex().firstMatch(w)) due = w.substr(m->begin, m->end - m->begin);
        }
        if (due) details.push_back("Due: " + std::string(*due));
        if (!details.empty()) {
            line += "  \u2014 ";
            for (std::size_t i = 0; i < details.size(); ++i) {
                if (i > 0) line += " \u00B7 ";
                line += details[i];
            }
        }
        items.push_back(std::move(line));
        return items.size() < kMaximumItems;
    });

    if (items.empty()) return Outcome{std::string(kNoItems), true, false};
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += '\n';
        out += items[i];
    }
    return Outcome{std::move(out), false, false};
}

}  // namespace tavlets::mining

namespace tavlets {

Outcome TextMining::actionItems(std::string_view text) {
    return mining::actionItems(text, mining::defaultItemServices());
}

std::optional<std::string> TextMining::owner(const Unit& unit, std::string_view text) {
    return mining::owner(unit, text, &text::personalNames);
}

std::vector<std::string> TextMining::names(std::string_view text) { return text::personalNames(text); }

}  // namespace tavlets
