// Percent-decoding and Base64.

#include "tavlets/text.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include <tavlets/cancel.hpp>

namespace tavlets::text {

namespace {

inline int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<signed char, 256> makeDecodeTable() {
    std::array<signed char, 256> t{};
    for (auto& v : t) v = -1;
    for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    return t;
}
constexpr auto kDecode = makeDecodeTable();

// Bytes between two looks at the cancellation flag: a fraction of a millisecond of work.
constexpr std::size_t kCancelStride = 64 * 1024;

}  // namespace

std::optional<std::string> percentDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t nextCheck = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i >= nextCheck) {
            if (cancelRequested()) return std::nullopt;
            nextCheck = i + kCancelStride;
        }
        if (s[i] != '%') {
            // Everything up to the next escape (or the next look at the flag) as it is.
            const std::size_t stop = std::min(s.size(), nextCheck);
            const void* escape = std::memchr(s.data() + i, '%', stop - i);
            const std::size_t end = escape ? static_cast<std::size_t>(static_cast<const char*>(escape) - s.data()) : stop;
            out.append(s, i, end - i);
            i = end - 1;
            continue;
        }
        if (i + 2 >= s.size()) return std::nullopt;
        const int hi = hexValue(s[i + 1]);
        const int lo = hexValue(s[i + 2]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    if (!isValidUTF8(out)) return std::nullopt;
    return out;
}

std::string base64Encode(std::string_view bytes) {
    // Sized once and written through a pointer: per-character appends cost a capacity check each.
    std::string out((bytes.size() + 2) / 3 * 4, '=');
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    char* o = out.data();
    std::size_t i = 0;
    for (std::size_t blockEnd = 0; i + 3 <= bytes.size(); i += 3, o += 4) {
        if (i >= blockEnd) {
            if (cancelRequested()) return {};
            blockEnd = i + kCancelStride;
        }
        const uint32_t v = (uint32_t{p[i]} << 16) | (uint32_t{p[i + 1]} << 8) | p[i + 2];
        o[0] = kAlphabet[(v >> 18) & 63];
        o[1] = kAlphabet[(v >> 12) & 63];
        o[2] = kAlphabet[(v >> 6) & 63];
        o[3] = kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        // The padding '=' is already in place.
        const uint32_t v = (uint32_t{p[i]} << 16) | (rest == 2 ? uint32_t{p[i + 1]} << 8 : 0);
        o[0] = kAlphabet[(v >> 18) & 63];
        o[1] = kAlphabet[(v >> 12) & 63];
        if (rest == 2) o[2] = kAlphabet[(v >> 6) & 63];
    }
    return out;
}

std::optional<std::string> base64Decode(std::string_view s) {
    if (s.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    while (padding < s.size() && padding < 3 && s[s.size() - 1 - padding] == '=') ++padding;
    if (padding > 2) return std::nullopt;
    const std::size_t dataChars = s.size() - padding;
    std::string out;
    out.reserve(s.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    for (std::size_t i = 0, nextCheck = 0; i < dataChars; ++i) {
        if (i >= nextCheck) {
            if (cancelRequested()) return std::nullopt;
            nextCheck = i + kCancelStride;
        }
        const int v = kDecode[static_cast<unsigned char>(s[i])];
        if (v < 0) return std::nullopt;  // also "=" before the end
        acc = (acc << 6) | static_cast<uint32_t>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(static_cast<char>((acc >> bits) & 0xFF));
        }
    }
    // One data character in the last quantum cannot make a byte ("QQ==" is the shortest form).
    if (dataChars % 4 == 1) return std::nullopt;
    // Leftover bits of the last character are ignored, not required to be zero: "SGVsbG9="
    // and "SGVsbG8=" both read as "Hello".
    return out;
}

}  // namespace tavlets::text
