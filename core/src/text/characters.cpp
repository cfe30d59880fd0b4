// User-perceived characters (extended grapheme clusters).
//
// Between two ASCII bytes there is always a boundary, except inside CR LF; so ASCII stretches are
// counted byte by byte (with a CR scan). Elsewhere a character that plainly ends after its first
// code point is found from the Grapheme_Cluster_Break property, and only marks, joiners, Hangul
// jamo, regional indicators and prepended signs are left to ICU's character break iterator.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <unicode/uchar.h>

#include <tavlets/cancel.hpp>

#include <climits>
#include <cstdint>
#include <cstring>

namespace tavlets::text {

namespace {

// Finds character ends; ICU's iterator over the whole text is created on first need.
class GraphemeBreaker {
public:
    explicit GraphemeBreaker(std::string_view s) : s_(s) {}

    // End of the character that starts at the boundary `pos` (pos < s.size()).
    std::size_t following(std::size_t pos) {
        // Most code points (Grapheme_Cluster_Break "Other": letters of most scripts, CJK,
        // symbols, U+FFFD for ill-formed bytes) end their character unless a mark or joiner
        // follows; controls always do. Only the rest needs ICU's rules.
        const auto [end, a] = codePointAt(pos);
        if (end >= s_.size()) return s_.size();
        if (a == U_GCB_CR) return s_[end] == '\n' ? end + 1 : end;
        if (a == U_GCB_LF || a == U_GCB_CONTROL) return end;
        if (a == U_GCB_OTHER) {
            const int b = codePointAt(end).clusterBreak;
            if (b != U_GCB_EXTEND && b != U_GCB_ZWJ && b != U_GCB_SPACING_MARK) return end;
        }
        return followingByRules(pos);
    }

private:
    struct CodePoint {
        std::size_t end;
        int clusterBreak;
    };

    // The code point at i; the one looked at last is remembered, as it is usually asked again
    // as the start of the next character.
    CodePoint codePointAt(std::size_t i) {
        if (i != cachedAt_) {
            std::size_t end = i;
            cached_ = {end, clusterBreak(decodeAt(s_, end))};
            cached_.end = end;
            cachedAt_ = i;
        }
        return cached_;
    }

    static int clusterBreak(char32_t c) {
        if (c < 0x80) {
            if (c == '\r') return U_GCB_CR;
            if (c == '\n') return U_GCB_LF;
            return (c < 0x20 || c == 0x7F) ? U_GCB_CONTROL : U_GCB_OTHER;
        }
        if (c < 0x10000) return bmpClusterBreaks()[c];
        return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
    }

    // The property for the Basic Multilingual Plane as a flat table, built once: the look-up
    // sits in the innermost loop of counting non-ASCII text.
    static const uint8_t* bmpClusterBreaks() {
        static const std::unique_ptr<uint8_t[]> table = [] {
            auto t = std::make_unique<uint8_t[]>(0x10000);
            for (UChar32 c = 0; c < 0x10000; ++c)
                t[static_cast<std::size_t>(c)] = static_cast<uint8_t>(u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK));
            return t;
        }();
        return table.get();
    }

    std::size_t followingByRules(std::size_t pos) {
        if (s_.size() <= static_cast<std::size_t>(INT32_MAX)) {
            if (!it_) {
                text_ = std::make_unique<Utf8Text>(s_);
                it_ = newBreakIterator(BreakKind::character);
                UErrorCode status = U_ZERO_ERROR;
                it_->setText(text_->get(), status);
                if (U_FAILURE(status)) it_.reset();
            }
            if (it_) {
                // Walking on from the last boundary is much cheaper than seeking.
                const int32_t b = pos == last_ ? it_->next() : it_->following(static_cast<int32_t>(pos));
                last_ = b == icu::BreakIterator::DONE ? SIZE_MAX : static_cast<std::size_t>(b);
                if (b != icu::BreakIterator::DONE && static_cast<std::size_t>(b) > pos &&
                    static_cast<std::size_t>(b) <= s_.size())
                    return static_cast<std::size_t>(b);
            }
        }
        // Beyond ICU's 32-bit offsets (or without its data) a code point is a character.
        std::size_t i = pos;
        decodeAt(s_, i);
        return i;
    }

    std::string_view s_;
    std::unique_ptr<Utf8Text> text_;
    std::unique_ptr<icu::BreakIterator> it_;
    std::size_t last_ = SIZE_MAX;  // where the ICU iterator stands
    std::size_t cachedAt_ = SIZE_MAX;
    CodePoint cached_{0, 0};
};

// Moves pos (a boundary) forward over at most `limit` characters; adds their number to count.
std::size_t advance(std::string_view s, std::size_t pos, std::size_t limit, std::size_t& count,
                    GraphemeBreaker& breaker) {
    const std::size_t n = s.size();
    const char* d = s.data();
    while (pos < n && count < limit) {
        const std::size_t e = asciiPrefixLength(s, pos);
        if (e > pos) {
            // Every ASCII byte before `stop` starts a character that ends inside the run; the
            // last one before a non-ASCII byte may take combining marks, so ICU decides it.
            const std::size_t stop = e == n ? n : e - 1;
            std::size_t p = pos;
            while (p < stop && count < limit) {
                const void* cr = std::memchr(d + p, '\r', stop - p);
                const std::size_t q = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - d) : stop;
                const std::size_t take = std::min(q - p, limit - count);
                count += take;
                p += take;
                if (p == q && q < stop && count < limit) {
                    ++count;
                    p += (q + 1 < n && d[q + 1] == '\n') ? 2 : 1;
                }
            }
            pos = p;
            if (pos >= n || count >= limit) break;
            if (pos < stop) continue;
        }
        pos = breaker.following(pos);
        ++count;
    }
    return pos;
}

}  // namespace

struct CharacterIterator::Icu {
    explicit Icu(std::string_view s) : breaker(s) {}
    GraphemeBreaker breaker;
};

CharacterIterator::CharacterIterator(std::string_view s) : s_(s) {}
CharacterIterator::~CharacterIterator() = default;

std::optional<std::string_view> CharacterIterator::next() {
    const std::size_t n = s_.size();
    if (pos_ >= n) return std::nullopt;
    const std::size_t start = pos_;
    const auto c = static_cast<unsigned char>(s_[start]);
    std::size_t end;
    if (c < 0x80 && (start + 1 == n || static_cast<unsigned char>(s_[start + 1]) < 0x80)) {
        end = (c == '\r' && start + 1 < n && s_[start + 1] == '\n') ? start + 2 : start + 1;
    } else {
        if (!icu_) icu_ = std::make_unique<Icu>(s_);
        end = icu_->breaker.following(start);
    }
    pos_ = end;
    return s_.substr(start, end - start);
}

std::size_t characterCount(std::string_view s) {
    GraphemeBreaker breaker(s);
    std::size_t count = 0;
    advance(s, 0, SIZE_MAX, count, breaker);
    return count;
}

CharacterTally tallyCharacters(std::string_view s) {
    GraphemeBreaker breaker(s);
    CharacterTally tally;
    const std::size_t n = s.size();
    const char* d = s.data();
    std::size_t pos = 0;
    std::size_t whitespace = 0;
    std::size_t rounds = 0;
    while (pos < n) {
        if ((rounds++ & 4095) == 0 && cancelRequested()) break;
        const std::size_t e = static_cast<unsigned char>(d[pos]) < 0x80 ? asciiPrefixLength(s, pos) : pos;
        if (e > pos) {
            // As in advance(): every ASCII byte before `stop` starts a character, CR LF being one.
            const std::size_t stop = e == n ? n : e - 1;
            std::size_t p = pos;
            std::size_t characters = 0;
            while (p < stop) {
                const char c = d[p];
                ++characters;
                whitespace += c == ' ' || (c >= '\t' && c <= '\r');
                p += (c == '\r' && p + 1 < n && d[p + 1] == '\n') ? 2 : 1;
            }
            tally.characters += characters;
            pos = p;
            if (pos >= n) break;
            if (pos < stop) continue;
        }
        std::size_t first = pos;
        if (hasWhiteSpaceProperty(decodeAt(s, first))) ++whitespace;
        pos = breaker.following(pos);
        ++tally.characters;
    }
    tally.nonWhitespace = tally.characters - whitespace;
    return tally;
}

std::string_view prefixCharacters(std::string_view s, std::size_t n) {
    GraphemeBreaker breaker(s);
    std::size_t count = 0;
    return s.substr(0, advance(s, 0, n, count, breaker));
}

bool isWhitespaceCharacter(std::string_view character) {
    if (character.empty()) return false;
    std::size_t i = 0;
    return hasWhiteSpaceProperty(decodeAt(character, i));
}

bool isLetterCharacter(std::string_view character) {
    if (character.empty()) return false;
    std::size_t i = 0;
    return isAlphabetic(decodeAt(character, i));
}

}  // namespace tavlets::text
