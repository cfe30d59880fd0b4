#include "mining/action_items_internal.hpp"

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

// The trigger pattern's alternatives spelled out. On ASCII text, case-insensitive matching and
// "\b" reduce to plain byte tests, so most units of a long transcript are judged without the
// regular-expression engine; text with other characters goes to the pattern itself.
constexpr std::string_view kTriggerWords[] = {
    "todo", "to-do", "to do", "action item", "action:", "followup", "follow-up", "follow up", "need to",
    "needs to", "have to", "has to", "must", "should", "make sure", "don't forget", "dont forget",
    "remember to", "please", "can you", "could you", "would you", "will you", "i'll", "ill", "i will",
    "we'll", "well", "we will", "let's", "lets", "going to", "gonna", "deadline", "due", "asap",
    "assigned to", "reminder", "by eod", "by eow", "by end of", "by monday", "by tuesday", "by wednesday",
    "by thursday", "by friday", "by tomorrow", "by tonight"};

bool isAsciiWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::optional<bool> asciiTrigger(std::string_view w) {
    std::string lower(w);
    for (char& c : lower) {
        if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    for (std::string_view word : kTriggerWords) {
        for (std::size_t at = lower.find(word); at != std::string::npos; at = lower.find(word, at + 1)) {
            if (at > 0 && isAsciiWordByte(lower[at - 1])) continue;
            std::size_t end = at + word.size();
            bool wordAfter = end < lower.size() && isAsciiWordByte(lower[end]);
            // "\b" after a word letter needs a non-word after it; after "action:" it needs a word.
            if (word.back() == ':' ? wordAfter : !wordAfter) return true;
        }
    }
    return false;
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

std::string straightenApostrophes(std::string_view s) {
    static constexpr std::string_view curly = "\u2019";
    std::string out;
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

bool hasTriggerByPattern(std::string_view w) { return triggerRegex().search(w); }

bool hasTrigger(std::string_view w) {
    if (auto ascii = asciiTrigger(w)) return *ascii;
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
    for (const TextMining::Unit& unit : TextMining::units(input)) {
        const std::string w = straightenApostrophes(unit.text);
        if (!unit.unchecked && !hasTrigger(w)) continue;
        if (TextMining::wordCount(w) < kMinimumWords) continue;
        if (!unit.unchecked && !w.empty() && w.back() == '?' && !requestRegex().search(w)) continue;
        if (!seen.insert(text::lowercased(w)).second) continue;

        std::string item = taskPrefixRegex().removingFirstMatch(w);
        if (text::characterCount(item) > kItemLimit) {
            item = std::string(text::prefixCharacters(item, kItemLimit - 3));
            item += "\u2026";
        }
        std::string line = "\u2610 " + item;

        std::vector<std::string> details;
        if (auto who = owner(unit, w, services.names)) details.push_back("Owner: " + *who);
        std::optional<std::string_view> due;
        if (services.dates != nullptr) {
            if (auto r = services.dates(w)) due = std::string_view(w).substr(r->begin, r->end - r->begin);
        }
        if (!due) {
            if (auto m = deadlineRegex().firstMatch(w)) due = std::string_view(w).substr(m->begin, m->end - m->begin);
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
        if (items.size() == kMaximumItems) break;
    }

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
