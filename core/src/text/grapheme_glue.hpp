#pragma once
// Fast user-perceived character decisions around ASCII punctuation.
//
// Scanners that look for ASCII structure (quotes, delimiters, brackets) walk bytes and only need
// to know whether such a byte is a character of its own. Between two ASCII bytes there is always
// a character boundary (except CR LF), so the question only arises next to a non-ASCII code point,
// and there it depends on that one neighbour alone: a Prepend code point absorbs the character
// after it, and an Extend, ZWJ or SpacingMark code point attaches to the character before it.
// Control characters (tab, CR, LF, ...) never join anything. The text layer's own grapheme rules
// decide each neighbour once; the answer is cached for the length of one call.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include <tavlets/text.hpp>

namespace tavlets::grapheme {

inline bool isAsciiControl(unsigned char b) { return b < 0x20 || b == 0x7F; }

class Glue {
public:
    // Whether code point cp, right before a printable ASCII character, joins it into one character.
    bool joinsNext(char32_t cp) { return cp >= 0x600 && !isPlainLetter(cp) && lookup(cp) & kJoinsNext; }
    // Whether code point cp, right after a printable ASCII character, attaches to it.
    bool joinsPrevious(char32_t cp) {
        return cp >= 0x300 && !isPlainLetter(cp) && lookup(cp) & kJoinsPrevious;
    }

    // Large blocks of letters that join nothing (Cyrillic letters, CJK ideographs, Hangul
    // syllables), answered without asking the grapheme rules.
    static bool isPlainLetter(char32_t cp) {
        return (cp >= 0x400 && cp <= 0x482) || (cp >= 0x4E00 && cp <= 0x9FFF) ||
               (cp >= 0xAC00 && cp <= 0xD7A3);
    }

    // Whether the printable ASCII byte at s[i] is a character of its own.
    bool standsAlone(std::string_view s, std::size_t i) {
        if (i > 0 && static_cast<unsigned char>(s[i - 1]) >= 0x80) {
            std::size_t k = i;
            if (joinsNext(text::decodeBefore(s, k))) return false;
        }
        if (i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80) {
            std::size_t k = i + 1;
            if (joinsPrevious(text::decodeAt(s, k))) return false;
        }
        return true;
    }

private:
    static constexpr std::uint8_t kKnown = 1, kJoinsNext = 2, kJoinsPrevious = 4;

    std::uint8_t lookup(char32_t cp) {
        // A small direct-mapped cache in front of the map, kept by the thread across texts (the
        // answers are facts about code points): a text's letters come back often, and a Glue is
        // made for every short count.
        thread_local std::array<Recent, kRecent> recentOfThread{};
        Recent& recent = recentOfThread[cp & (kRecent - 1)];
        if (recent.bits != 0 && recent.cp == cp) return recent.bits;
        std::uint8_t& bits = cache_[cp];
        if (!(bits & kKnown)) {
            std::string before;
            text::appendUTF8(before, cp);
            std::string after = before;
            before += 'a';
            after.insert(after.begin(), 'a');
            bits = kKnown;
            if (text::characterCount(before) == 1) bits |= kJoinsNext;
            if (text::characterCount(after) == 1) bits |= kJoinsPrevious;
        }
        recent = Recent{cp, bits};
        return bits;
    }

    struct Recent {
        char32_t cp = 0;
        std::uint8_t bits = 0;  // 0: empty (a known entry has kKnown set)
    };
    static constexpr std::size_t kRecent = 256;
    std::unordered_map<char32_t, std::uint8_t> cache_;
};

}  // namespace tavlets::grapheme
