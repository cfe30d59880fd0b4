// Case mapping with the Unicode default full mappings (root locale), and Title Case.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <unicode/bytestream.h>
#include <unicode/casemap.h>
#include <unicode/stringoptions.h>
#include <unicode/uchar.h>

#include <climits>
#include <unordered_map>

#include <tavlets/cancel.hpp>

namespace tavlets::text {

namespace {

// "" is ICU's root locale: no Turkish dotless i, no Lithuanian dot rules.
constexpr const char* kRoot = "";

enum class Mapping { upper, lower, title };

inline char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// Maps valid UTF-8 with ICU and appends the result. Title case treats the whole piece as one
// word and title-cases its first code point as it is (the caller picks where the word starts).
void appendMapped(std::string& out, std::string_view valid, Mapping mapping) {
    if (valid.empty()) return;
    if (valid.size() > static_cast<std::size_t>(INT32_MAX)) {
        // Beyond ICU's 32-bit lengths: simple one-to-one mappings, code point by code point.
        std::size_t i = 0;
        while (i < valid.size()) {
            const auto c = static_cast<UChar32>(decodeAt(valid, i));
            appendUTF8(out, static_cast<char32_t>(mapping == Mapping::upper ? u_toupper(c) : u_tolower(c)));
        }
        return;
    }
    icu::StringByteSink<std::string> sink(&out);
    const icu::StringPiece piece(valid.data(), static_cast<int32_t>(valid.size()));
    UErrorCode status = U_ZERO_ERROR;
    switch (mapping) {
        case Mapping::upper:
            icu::CaseMap::utf8ToUpper(kRoot, 0, piece, sink, nullptr, status);
            break;
        case Mapping::lower:
            icu::CaseMap::utf8ToLower(kRoot, 0, piece, sink, nullptr, status);
            break;
        case Mapping::title:
            icu::CaseMap::utf8ToTitle(kRoot, U_TITLECASE_WHOLE_STRING | U_TITLECASE_NO_BREAK_ADJUSTMENT,
                                      nullptr, piece, sink, nullptr, status);
            break;
    }
    if (U_FAILURE(status)) out.append(valid);  // only on allocation failure; keep the text
}

std::string mapWhole(std::string_view s, Mapping mapping) {
    std::string out;
    if (asciiPrefixLength(s, 0) == s.size()) {
        out.resize(s.size());
        for (std::size_t i = 0; i < s.size(); ++i)
            out[i] = mapping == Mapping::upper ? asciiUpper(s[i]) : asciiLower(s[i]);
        return out;
    }
    out.reserve(s.size() + s.size() / 8);
    std::string valid;
    if (!isValidUTF8(s)) {
        valid = toValidUTF8(s);
        s = valid;
    }
    // Mapped a piece at a time, so that a cancelled run stops between pieces. A piece ends after
    // a space or a line feed, which no mapping looks across (only the final-sigma rule of
    // lower-casing looks at neighbours, and neither is a letter or skipped over).
    constexpr std::size_t kPiece = 1024 * 1024;
    if (s.size() > static_cast<std::size_t>(INT32_MAX)) {
        appendMapped(out, s, mapping);
        return out;
    }
    for (std::size_t start = 0; start < s.size();) {
        if (cancelRequested()) break;
        std::size_t end = s.size() - start <= kPiece ? std::string_view::npos : s.find_first_of(" \n", start + kPiece);
        end = end == std::string_view::npos ? s.size() : end + 1;
        appendMapped(out, s.substr(start, end - start), mapping);
        start = end;
    }
    return out;
}

inline bool isAsciiAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Where a word's capital goes: its first letter or number. A number takes the place without
// changing, so "1st" stays "1st" and "(hello" becomes "(Hello".
inline bool startsWordCase(char32_t c) {
    return isAlphabetic(c) || (c <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_N_MASK) != 0);
}

// Title forms of the word heads met so far in one text; a long text has few distinct heads.
using TitleCache = std::unordered_map<char32_t, std::string>;

// Appends the lower-case form of valid UTF-8 that holds neither U+0130 nor U+03A3: for every
// other code point the full lower-case mapping is the one-to-one mapping and needs no context.
void appendLowerSimple(std::string& out, std::string_view valid) {
    for (std::size_t i = 0; i < valid.size();) {
        const auto b = static_cast<unsigned char>(valid[i]);
        if (b < 0x80) {
            out.push_back(asciiLower(static_cast<char>(b)));
            ++i;
        } else {
            appendUTF8(out, static_cast<char32_t>(u_tolower(static_cast<UChar32>(decodeAt(valid, i)))));
        }
    }
}

void appendTitledWord(std::string& out, std::string_view word, TitleCache& cache) {
    if (asciiPrefixLength(word, 0) == word.size()) {
        std::size_t i = 0;
        while (i < word.size() && !isAsciiAlnum(word[i])) out.push_back(word[i++]);
        if (i < word.size()) out.push_back(asciiUpper(word[i++]));
        for (; i < word.size(); ++i) out.push_back(asciiLower(word[i]));
        return;
    }
    std::size_t head = 0;
    std::size_t headEnd = 0;
    char32_t headChar = 0;
    while (head < word.size()) {
        headEnd = head;
        headChar = decodeAt(word, headEnd);
        if (startsWordCase(headChar)) break;
        head = headEnd;
    }
    // U+0130 lower-cases to two code points and U+03A3 depends on its neighbours: ICU maps
    // such words whole.
    if (word.find("\xC4\xB0") != std::string_view::npos || word.find("\xCE\xA3") != std::string_view::npos) {
        appendMapped(out, word.substr(0, head), Mapping::lower);
        appendMapped(out, word.substr(head), Mapping::title);
        return;
    }
    appendLowerSimple(out, word.substr(0, head));
    if (head == word.size()) return;
    if (headChar < 0x80) {
        out.push_back(asciiUpper(static_cast<char>(headChar)));
    } else {
        auto [it, added] = cache.try_emplace(headChar);
        if (added) appendMapped(it->second, word.substr(head, headEnd - head), Mapping::title);
        out.append(it->second);
    }
    appendLowerSimple(out, word.substr(headEnd));
}

}  // namespace

std::string uppercased(std::string_view s) { return mapWhole(s, Mapping::upper); }
std::string lowercased(std::string_view s) { return mapWhole(s, Mapping::lower); }

std::string capitalized(std::string_view input) {
    if (asciiPrefixLength(input, 0) == input.size()) {
        std::string out(input);
        bool beforeHead = true;
        for (char& c : out) {
            if (c == ' ' || (c >= '\t' && c <= '\r')) beforeHead = true;
            else if (!beforeHead) c = asciiLower(c);
            else if (isAsciiAlnum(c)) {
                c = asciiUpper(c);
                beforeHead = false;
            }
        }
        return out;
    }
    std::string valid;
    std::string_view s = input;
    if (!isValidUTF8(s)) {
        valid = toValidUTF8(s);
        s = valid;
    }
    std::string out;
    out.reserve(s.size() + s.size() / 8);
    TitleCache cache;
    std::size_t i = 0;
    const std::size_t n = s.size();
    std::size_t words = 0;
    while (i < n) {
        if ((words++ & 4095) == 0 && cancelRequested()) break;
        // A run of White_Space, copied as it is.
        std::size_t wordStart = i;
        while (wordStart < n) {
            std::size_t next = wordStart;
            if (!hasWhiteSpaceProperty(decodeAt(s, next))) break;
            wordStart = next;
        }
        out.append(s.substr(i, wordStart - i));
        // The word up to the next White_Space.
        std::size_t wordEnd = wordStart;
        while (wordEnd < n) {
            std::size_t next = wordEnd;
            if (hasWhiteSpaceProperty(decodeAt(s, next))) break;
            wordEnd = next;
        }
        appendTitledWord(out, s.substr(wordStart, wordEnd - wordStart), cache);
        i = wordEnd;
    }
    return out;
}

}  // namespace tavlets::text
