// UTF-8 decoding and validation, the character classes, trim and line splitting.
// Everything here is byte-level work without ICU, except the property look-ups for non-ASCII
// code points.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <unicode/uchar.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tavlets::text {

namespace {

// Length of the longest well-formed prefix of the sequence that starts at i (its "maximal
// subpart" when ill-formed), and the code point when it is complete.
struct Decoded {
    char32_t cp;
    std::size_t length;
    bool valid;
};

inline Decoded decodeSequence(const unsigned char* p, std::size_t avail) {
    const unsigned char b0 = p[0];
    if (b0 < 0x80) return {b0, 1, true};
    std::size_t need;
    char32_t cp;
    unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        need = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        need = 2;
        cp = b0 & 0x0F;
        if (b0 == 0xE0) lo = 0xA0;       // overlong
        else if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        need = 3;
        cp = b0 & 0x07;
        if (b0 == 0xF0) lo = 0x90;       // overlong
        else if (b0 == 0xF4) hi = 0x8F;  // beyond U+10FFFF
    } else {
        return {kReplacementCharacter, 1, false};
    }
    std::size_t k = 1;
    for (; k <= need; ++k) {
        if (k >= avail) return {kReplacementCharacter, k, false};
        const unsigned char b = p[k];
        if (k == 1 ? (b < lo || b > hi) : (b < 0x80 || b > 0xBF)) return {kReplacementCharacter, k, false};
        cp = (cp << 6) | (b & 0x3F);
    }
    return {cp, k, true};
}

}  // namespace

char32_t detail::decodeAtSlowly(std::string_view s, std::size_t& i) {
    if (i >= s.size()) {
        ++i;
        return kReplacementCharacter;
    }
    const Decoded d = decodeSequence(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
    i += d.length;
    return d.cp;
}

char32_t decodeBefore(std::string_view s, std::size_t& i) {
    if (i == 0) return kReplacementCharacter;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t end = std::min(i, s.size());
    if (end == 0) {
        i = 0;
        return kReplacementCharacter;
    }
    if (p[end - 1] < 0x80) {
        i = end - 1;
        return p[end - 1];
    }
    // Find the lead byte at most three continuation bytes back; the sequence counts only when
    // decoding forward from it ends exactly here, else the last byte stands alone.
    std::size_t j = end - 1;
    const std::size_t floor = end >= 4 ? end - 4 : 0;
    while (j > floor && (p[j] & 0xC0) == 0x80) --j;
    const Decoded d = decodeSequence(p + j, end - j);
    if (j + d.length == end) {
        i = j;
        return d.cp;
    }
    i = end - 1;
    return kReplacementCharacter;
}

std::size_t asciiPrefixLength(std::string_view s, std::size_t from) {
    const char* p = s.data();
    const std::size_t n = s.size();
    std::size_t i = from;
    while (i + 8 <= n) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL) break;
        i += 8;
    }
    while (i < n && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

bool isValidUTF8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (true) {
        i = asciiPrefixLength(s, i);
        if (i >= n) return true;
        const Decoded d = decodeSequence(p + i, n - i);
        if (!d.valid) return false;
        i += d.length;
    }
}

std::string toValidUTF8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t a = asciiPrefixLength(s, i);
        out.append(s.data() + i, a - i);
        i = a;
        if (i >= s.size()) break;
        const Decoded d = decodeSequence(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i);
        if (d.valid) out.append(s.data() + i, d.length);
        else appendUTF8(out, kReplacementCharacter);
        i += d.length;
    }
    return out;
}

void appendUTF8(std::string& out, char32_t c) {
    if (c >= 0xD800 && c <= 0xDFFF) c = kReplacementCharacter;
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c <= 0x10FFFF) {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        appendUTF8(out, kReplacementCharacter);
    }
}

// ---- Character classes ----

namespace {

// The space separators (Zs) beyond ASCII; Unicode has added none since 4.0 (a test checks the
// list against ICU). Spelled out because these tests sit in the inner loops of counting and
// trimming, where a property look-up per code point showed.
bool isSpaceSeparatorBeyondAscii(char32_t c) {
    return c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

bool isWhitespace(char32_t c) {
    if (c < 0x80) return c == ' ' || c == '\t';
    return isSpaceSeparatorBeyondAscii(c);
}

bool isNewline(char32_t c) {
    return (c >= 0x0A && c <= 0x0D) || c == 0x85 || c == 0x2028 || c == 0x2029;
}

bool isWhitespaceOrNewline(char32_t c) { return isNewline(c) || isWhitespace(c); }

bool hasWhiteSpaceProperty(char32_t c) {
    if (c < 0x80) return c == ' ' || (c >= 0x09 && c <= 0x0D);
    return c == 0x85 || c == 0x2028 || c == 0x2029 || isSpaceSeparatorBeyondAscii(c);
}

bool isAlphabetic(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    return c <= 0x10FFFF && u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool inClass(char32_t c, CharClass cls) {
    switch (cls) {
        case CharClass::whitespace: return isWhitespace(c);
        case CharClass::newlines: return isNewline(c);
        case CharClass::whitespaceAndNewlines: return isWhitespaceOrNewline(c);
    }
    return false;
}

std::string_view trim(std::string_view s, CharClass cls) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        std::size_t next = begin;
        if (!inClass(decodeAt(s, next), cls)) break;
        begin = next;
    }
    std::size_t end = s.size();
    while (end > begin) {
        std::size_t prev = end;
        if (!inClass(decodeBefore(s, prev), cls)) break;
        end = prev;
    }
    return s.substr(begin, end - begin);
}

std::vector<std::string_view> splitLines(std::string_view s) {
    // The newline code points are 0x0A..0x0D, C2 85, E2 80 A8 and E2 80 A9. Lead bytes never
    // belong to an earlier ill-formed sequence, so a byte scan finds exactly the decoded ones.
    std::vector<std::string_view> lines;
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        std::size_t len = 0;
        if (b >= 0x0A && b <= 0x0D) len = 1;
        else if (b == 0xC2 && i + 1 < n && p[i + 1] == 0x85) len = 2;
        else if (b == 0xE2 && i + 2 < n && p[i + 1] == 0x80 && (p[i + 2] == 0xA8 || p[i + 2] == 0xA9)) len = 3;
        if (len) {
            lines.push_back(s.substr(start, i - start));
            i += len;
            start = i;
        } else {
            ++i;
        }
    }
    lines.push_back(s.substr(start));
    return lines;
}

}  // namespace tavlets::text
