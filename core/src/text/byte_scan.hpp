#pragma once
// Byte scans for large texts, eight bytes at a time. Clipboards of 10 MB are normal, and most
// passes only look for a handful of ASCII bytes (or for the lead bytes of a few non-ASCII
// characters) between long stretches of ordinary text.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tavlets::scan {

inline constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

inline std::uint64_t load8(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Nonzero when some byte of v equals b.
inline std::uint64_t hasByte(std::uint64_t v, unsigned char b) {
    const std::uint64_t x = v ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}

// Nonzero when some byte of v is below n (n <= 128), or has its high bit set.
inline std::uint64_t hasBelowOrHigh(std::uint64_t v, unsigned char n) {
    return ((v - kOnes * n) | v) & kHighs;
}

// The first position from `from` whose byte satisfies `interesting`, or s.size(). `anyIn(word)`
// must be nonzero whenever some byte of the 8-byte word may be interesting.
template <class AnyIn, class Interesting>
std::size_t find(std::string_view s, std::size_t from, AnyIn anyIn, Interesting interesting) {
    const char* d = s.data();
    const std::size_t n = s.size();
    std::size_t i = from;
    while (i + 8 <= n) {
        if (anyIn(load8(d + i))) {
            for (const std::size_t end = i + 8; i < end; ++i) {
                if (interesting(static_cast<unsigned char>(d[i]))) return i;
            }
        } else {
            i += 8;
        }
    }
    for (; i < n; ++i) {
        if (interesting(static_cast<unsigned char>(d[i]))) return i;
    }
    return n;
}

// The byte length of the newline character (U+000A...U+000D, U+0085, U+2028, U+2029) that
// starts at s[i], or 0.
inline std::size_t newlineWidthAt(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b >= 0x0A && b <= 0x0D) return 1;
    if (b == 0xC2) {
        return i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x85 ? 2 : 0;
    }
    if (b == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80) {
        const auto c = static_cast<unsigned char>(s[i + 2]);
        return c == 0xA8 || c == 0xA9 ? 3 : 0;
    }
    return 0;
}

// The position of the next newline character at or after `from` (s.size() when there is none);
// its byte length goes to width.
inline std::size_t findNewline(std::string_view s, std::size_t from, std::size_t& width) {
    std::size_t i = from;
    while (true) {
        i = find(
            s, i, [](std::uint64_t v) { return hasBelowOrHigh(v, 0x0E); },
            [](unsigned char b) { return (b >= 0x0A && b <= 0x0D) || b == 0xC2 || b == 0xE2; });
        if (i >= s.size()) {
            width = 0;
            return i;
        }
        width = newlineWidthAt(s, i);
        if (width > 0) return i;
        ++i;
    }
}

// Calls f(line) for every line of s: every newline character is a separator of its own, so CR LF
// gives an empty line between its two characters, and a text without newlines is one line.
// Stops early when f returns false.
template <class F>
void forEachLine(std::string_view s, F f) {
    std::size_t start = 0;
    while (true) {
        std::size_t width = 0;
        const std::size_t end = findNewline(s, start, width);
        if (!f(s.substr(start, end - start))) return;
        if (end >= s.size()) return;
        start = end + width;
    }
}

}  // namespace tavlets::scan
