#include <tavlets/names.hpp>

#include <tavlets/cancel.hpp>

#include <array>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include <unicode/uchar.h>

namespace tavlets::text {

namespace names_data {
// Compiled in from data/names/*.txt (see core/CMakeLists.txt): one entry a line, "#" comments.
extern const std::string_view givenNames;
extern const std::string_view notNames;
extern const std::string_view wordNames;
extern const std::string_view placeNames;
}  // namespace names_data

namespace {

template <typename F>
void forEachEntry(std::string_view list, F&& f) {
    std::size_t i = 0;
    while (i < list.size()) {
        std::size_t end = list.find('\n', i);
        if (end == std::string_view::npos) end = list.size();
        std::string_view line = list.substr(i, end - i);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        if (!line.empty() && line.front() != '#') f(line);
        i = end + 1;
    }
}

const std::unordered_map<std::string_view, GivenNameKind>& gazetteer() {
    static const auto table = [] {
        std::unordered_map<std::string_view, GivenNameKind> t;
        t.reserve(9000);
        forEachEntry(names_data::givenNames, [&](std::string_view n) { t.emplace(n, GivenNameKind::plain); });
        forEachEntry(names_data::notNames, [&](std::string_view n) { t.erase(n); });
        forEachEntry(names_data::wordNames, [&](std::string_view n) {
            if (auto it = t.find(n); it != t.end()) it->second = GivenNameKind::word;
        });
        forEachEntry(names_data::placeNames, [&](std::string_view n) {
            if (auto it = t.find(n); it != t.end()) it->second = GivenNameKind::place;
        });
        return t;
    }();
    return table;
}

// Lower-cased ASCII; enough for the fixed English word sets below.
std::string asciiLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool inSet(const std::unordered_set<std::string_view>& set, std::string_view word) {
    return set.count(asciiLower(word)) > 0;
}

// Weekdays, months and their abbreviations: never names.
const std::unordered_set<std::string_view>& calendarWords() {
    static const std::unordered_set<std::string_view> set = {
        "monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday",
        "january", "february", "march", "april", "may", "june", "july", "august", "september",
        "october", "november", "december"};
    return set;
}
// Month abbreviations that are also names ("Jan"): a name unless a day number follows.
const std::unordered_set<std::string_view>& monthAbbreviations() {
    static const std::unordered_set<std::string_view> set = {
        "jan", "feb", "mar", "apr", "jun", "jul", "aug", "sep", "sept", "oct", "nov", "dec"};
    return set;
}
// Words that head a note instead of naming someone.
const std::unordered_set<std::string_view>& noteHeadings() {
    static const std::unordered_set<std::string_view> set = {
        "todo", "note", "action", "fixme", "task", "ps", "nb", "fyi", "re", "reminder",
        "summary", "agenda", "deadline", "due"};
    return set;
}
// Capitalised words that follow a name without being a surname ("Maria Will send it",
// "Tom Please"): function words, pronouns, greetings and common sentence openers.
const std::unordered_set<std::string_view>& notSurnames() {
    static const std::unordered_set<std::string_view> set = {
        "a", "an", "the", "and", "or", "but", "nor", "so", "yet", "if", "then", "than", "as",
        "at", "by", "for", "from", "in", "into", "of", "off", "on", "onto", "to", "up", "with",
        "via", "per", "about", "after", "before", "over", "under", "i", "me", "my", "we", "us",
        "our", "you", "your", "he", "him", "his", "she", "her", "it", "its", "they", "them",
        "their", "this", "that", "these", "those", "who", "what", "when", "where", "why", "how",
        "is", "are", "was", "were", "be", "been", "am", "do", "does", "did", "done", "have",
        "has", "had", "will", "would", "can", "could", "should", "shall", "may", "might", "must",
        "not", "no", "yes", "ok", "okay", "please", "thanks", "thank", "hi", "hey", "hello",
        "also", "just", "sure", "team", "all", "everyone", "here", "there", "today", "tomorrow",
        "tonight", "yesterday", "asap", "eod", "eow", "next", "last", "each", "every"};
    return set;
}
const std::unordered_set<std::string_view>& titles() {
    static const std::unordered_set<std::string_view> set = {"mr", "mrs", "ms", "mx", "dr", "prof"};
    return set;
}
const std::unordered_set<std::string_view>& determiners() {
    static const std::unordered_set<std::string_view> set = {
        "a", "an", "the", "our", "my", "your", "their", "its", "this", "that", "these", "those",
        "new", "old", "every", "each", "any", "some", "no"};
    return set;
}

bool isApostrophe(char32_t c) { return c == U'\'' || c == U'\u2019'; }
bool isLetter(char32_t c) { return u_isalpha(static_cast<UChar32>(c)) || u_getCombiningClass(static_cast<UChar32>(c)) != 0; }

struct Token {
    std::size_t begin = 0;
    std::size_t end = 0;       // whole token, possessive "'s" included
    std::size_t nameEnd = 0;   // without the possessive
    bool possessive = false;
    bool startsSentence = false;
    bool spacedFromPrevious = false;  // only spaces and tabs since the previous token
};

// Words are runs of letters, with inner apostrophes and hyphens ("O'Brien", "Anne-Marie").
std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    bool boundary = true;   // a sentence boundary since the previous token
    bool onlySpaces = true; // nothing but spaces since the previous token
    std::size_t steps = 0;
    while (i < s.size()) {
        if ((++steps & 4095) == 0 && cancelRequested()) break;  // cut short; thrown away
        std::size_t start = i;
        char32_t c = decodeAt(s, i);
        if (!isLetter(c)) {
            if (c == '.' || c == '!' || c == '?' || c == ':' || c == ';' || c == U'\u2026' ||
                isNewline(c) || c == U'\u2022')
                boundary = true;
            if (!isWhitespace(c)) onlySpaces = false;
            continue;
        }
        Token t;
        t.begin = start;
        t.startsSentence = boundary || tokens.empty();
        t.spacedFromPrevious = !tokens.empty() && onlySpaces;
        std::size_t end = i;
        while (end < s.size()) {
            std::size_t j = end;
            char32_t d = decodeAt(s, j);
            if (isLetter(d)) {
                end = j;
                continue;
            }
            if (isApostrophe(d) || d == '-') {
                std::size_t k = j;
                if (k < s.size() && isLetter(decodeAt(s, k))) {
                    end = j;
                    continue;
                }
            }
            break;
        }
        t.end = end;
        t.nameEnd = end;
        // "Maria's" is Maria.
        if (end - start >= 3 && s[end - 1] == 's') {
            std::size_t k = end - 1;
            char32_t before = decodeBefore(s, k);
            if (isApostrophe(before)) {
                t.possessive = true;
                t.nameEnd = k;
            }
        }
        tokens.push_back(t);
        i = end;
        boundary = false;
        onlySpaces = true;
    }
    return tokens;
}

// First letter upper-case and not written all in capitals ("Lopez", "McDonald", "Ólafur").
bool isCapitalised(std::string_view word) {
    std::size_t i = 0;
    char32_t first = decodeAt(word, i);
    if (!(u_isupper(static_cast<UChar32>(first)) || u_istitle(static_cast<UChar32>(first)))) return false;
    while (i < word.size())
        if (u_islower(static_cast<UChar32>(decodeAt(word, i)))) return true;
    return false;
}

// A day number right after the word ("Jan 5", "Mar. 3rd").
bool dayNumberFollows(std::string_view s, std::size_t pos) {
    if (pos < s.size() && s[pos] == '.') ++pos;
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    return pos < s.size() && s[pos] >= '0' && s[pos] <= '9';
}

bool neverAName(std::string_view s, const Token& t) {
    std::string_view w = s.substr(t.begin, t.nameEnd - t.begin);
    if (inSet(calendarWords(), w) || inSet(noteHeadings(), w)) return true;
    return inSet(monthAbbreviations(), w) && dayNumberFollows(s, t.end);
}

bool isSurname(std::string_view s, const Token& t) {
    std::string_view w = s.substr(t.begin, t.nameEnd - t.begin);
    if (!t.spacedFromPrevious || t.startsSentence) return false;
    if (!isCapitalised(w) || characterCount(w) < 2) return false;
    if (inSet(notSurnames(), w) || inSet(titles(), w)) return false;
    return !neverAName(s, t);
}

GivenNameKind kindOf(std::string_view word) {
    GivenNameKind kind = givenNameKind(word);
    if (kind != GivenNameKind::none) return kind;
    // "Mary-Jane": judged by its first part.
    if (std::size_t dash = word.find('-'); dash != std::string_view::npos)
        return givenNameKind(word.substr(0, dash));
    return GivenNameKind::none;
}

// Surnames after token i: up to two, stopping after a possessive. Returns how many.
std::size_t surnamesAfter(std::string_view s, const std::vector<Token>& tokens, std::size_t i) {
    std::size_t count = 0;
    while (count < 2 && !tokens[i + count].possessive && i + count + 1 < tokens.size() &&
           isSurname(s, tokens[i + count + 1]))
        ++count;
    return count;
}

}  // namespace

GivenNameKind givenNameKind(std::string_view word) {
    const auto& table = gazetteer();
    auto it = table.find(word);
    return it == table.end() ? GivenNameKind::none : it->second;
}

std::vector<Range> personalNameRanges(std::string_view s) {
    std::vector<Range> names;
    const std::vector<Token> tokens = tokenize(s);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        std::string_view w = s.substr(t.begin, t.nameEnd - t.begin);

        // "Dr. Lopez", "Ms Maria Lopez".
        if (inSet(titles(), w) && !t.possessive && i + 1 < tokens.size()) {
            std::size_t after = t.end;
            if (after < s.size() && s[after] == '.') ++after;
            Token next = tokens[i + 1];
            bool spaced = next.begin > after;
            for (std::size_t k = after; k < next.begin; ++k)
                spaced = spaced && (s[k] == ' ' || s[k] == '\t');
            next.spacedFromPrevious = spaced;
            next.startsSentence = false;
            if (isSurname(s, next)) {
                std::size_t last = i + 1;
                if (!tokens[last].possessive && last + 1 < tokens.size() && isSurname(s, tokens[last + 1]))
                    ++last;
                names.push_back({t.begin, tokens[last].nameEnd});
                i = last;
                continue;
            }
        }

        GivenNameKind kind = kindOf(w);
        if (kind == GivenNameKind::none || !isCapitalised(w) || neverAName(s, t)) continue;
        // "the Grant application", "our new Grace period".
        if (!t.startsSentence && t.spacedFromPrevious && i > 0) {
            const Token& p = tokens[i - 1];
            if (inSet(determiners(), s.substr(p.begin, p.end - p.begin))) continue;
        }
        std::size_t surnames = surnamesAfter(s, tokens, i);
        bool accepted = kind == GivenNameKind::plain ||
                        (kind == GivenNameKind::word && (surnames > 0 || !t.startsSentence)) ||
                        (kind == GivenNameKind::place && surnames > 0);
        // A longer run of capitalised words is a heading or a product name ("Will Power Tools
        // Sale"), not a word-like name.
        if (accepted && kind != GivenNameKind::plain) {
            std::size_t next = i + surnames + 1;
            if (surnames == 2 && !tokens[i + surnames].possessive && next < tokens.size() &&
                isSurname(s, tokens[next]))
                accepted = false;
        }
        if (!accepted) continue;
        names.push_back({t.begin, tokens[i + surnames].nameEnd});
        i += surnames;
    }
    return names;
}

std::vector<std::string> personalNames(std::string_view s) {
    std::vector<std::string> out;
    for (const Range& r : personalNameRanges(s)) out.emplace_back(s.substr(r.begin, r.end - r.begin));
    return out;
}

}  // namespace tavlets::text
