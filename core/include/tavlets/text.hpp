#pragma once
// The one text layer every engine uses: UTF-8 decoding, the character classes, user-perceived
// characters, case mapping, regular expressions, sentence and word tokens, percent and Base64.
// Nothing else in the engine talks to ICU directly.
//
// Invalid UTF-8 never crashes anything. Wherever a function looks at code points or characters,
// each maximal ill-formed byte sequence reads as one U+FFFD; functions that return pieces of
// their input (trim, prefixes, ranges) return the original bytes; functions that build new text
// (case mapping) write U+FFFD in place of the ill-formed bytes.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavlets::text {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// ---- UTF-8 ----
namespace detail {
char32_t decodeAtSlowly(std::string_view s, std::size_t& i);
}
// Decodes the code point starting at byte i and advances i past it (always by at least 1).
// Inline for ASCII and the well-formed two- and three-byte forms, which the inner loops of
// counting and scanning meet nearly always.
inline char32_t decodeAt(std::string_view s, std::size_t& i) {
    if (i < s.size()) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        if (b0 < 0x80) {
            ++i;
            return b0;
        }
        if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < s.size()) {
            const auto b1 = static_cast<unsigned char>(s[i + 1]);
            if ((b1 & 0xC0) == 0x80) {
                i += 2;
                return static_cast<char32_t>((b0 & 0x1F) << 6 | (b1 & 0x3F));
            }
        } else if (b0 >= 0xE1 && b0 <= 0xEF && b0 != 0xED && i + 2 < s.size()) {
            const auto b1 = static_cast<unsigned char>(s[i + 1]);
            const auto b2 = static_cast<unsigned char>(s[i + 2]);
            if ((b1 & 0xC0) == 0x80 && (b2 & 0xC0) == 0x80) {
                i += 3;
                return static_cast<char32_t>((b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F));
            }
        }
    }
    return detail::decodeAtSlowly(s, i);
}
// Decodes the code point ending just before byte i and moves i back to its first byte.
char32_t decodeBefore(std::string_view s, std::size_t& i);
bool isValidUTF8(std::string_view s);
// The text with every ill-formed sequence replaced by U+FFFD.
std::string toValidUTF8(std::string_view s);
void appendUTF8(std::string& out, char32_t codePoint);

// ---- Character classes ----
bool isWhitespace(char32_t c);            // general category Zs, or the tab
bool isNewline(char32_t c);               // U+000A...U+000D, U+0085, U+2028, U+2029
bool isWhitespaceOrNewline(char32_t c);
bool hasWhiteSpaceProperty(char32_t c);   // Unicode White_Space (line ends included)
bool isAlphabetic(char32_t c);            // Unicode Alphabetic

enum class CharClass { whitespace, newlines, whitespaceAndNewlines };
bool inClass(char32_t c, CharClass cls);
// Removes code points of the class from both ends.
std::string_view trim(std::string_view s, CharClass cls = CharClass::whitespaceAndNewlines);
// Splits at every code point of the newlines class, each one a separator of its own
// ("a\r\nb" gives "a", "", "b"). A text without line ends is one line; "" gives one empty line.
std::vector<std::string_view> splitLines(std::string_view s);

// ---- User-perceived characters (extended grapheme clusters) ----
// Walks the characters of a text. ASCII runs take a fast path; CR LF is one character.
class CharacterIterator {
public:
    explicit CharacterIterator(std::string_view s);
    ~CharacterIterator();
    CharacterIterator(const CharacterIterator&) = delete;
    CharacterIterator& operator=(const CharacterIterator&) = delete;

    // The next character as a slice of the text, or nullopt at the end.
    std::optional<std::string_view> next();
    // Byte offset of the next character.
    std::size_t position() const { return pos_; }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
    struct Icu;
    std::unique_ptr<Icu> icu_;  // created only when non-ASCII text needs it
};

std::size_t characterCount(std::string_view s);
// The first n characters (all of s when it has fewer).
std::string_view prefixCharacters(std::string_view s, std::size_t n);
// The number of characters, and of those whose first code point is not White_Space, in one walk.
struct CharacterTally {
    std::size_t characters = 0;
    std::size_t nonWhitespace = 0;
};
CharacterTally tallyCharacters(std::string_view s);
// Whether a character (a slice from CharacterIterator) has White_Space as its first code point.
bool isWhitespaceCharacter(std::string_view character);
// Whether a character's first code point is Alphabetic.
bool isLetterCharacter(std::string_view character);

// ---- Case mapping: Unicode default full mappings, independent of locale ----
std::string uppercased(std::string_view s);
std::string lowercased(std::string_view s);
// Title Case. A word is a maximal run of code points without the White_Space property, so it
// starts at the start of the text or after White_Space (hyphens, apostrophes and other
// punctuation do not start words). In each word the first code point that is a letter
// (Alphabetic) or a number (general category N) is the word's head: a letter head gets its full
// title-case mapping ("ß" gives "Ss", "ǆ" gives "ǅ"), a number head stays as it is ("1st" stays
// "1st"); everything else in the word is lower-cased with the full mapping. Punctuation before
// the head is kept: "(hello" gives "(Hello", "don't" gives "Don't", "o'neil-smith" gives
// "O'neil-smith".
std::string capitalized(std::string_view s);

// ---- Regular expressions (ICU syntax and meaning) ----
// Compile once (for example as a function-local static) and share: matching is thread-safe.
// Every match runs under time and stack limits; a tripped limit counts as no match. ICU's step
// limit stops catastrophic backtracking ("(a+)+$" on "aaa...b") after a few hundred steps, and
// a wall-clock allowance of one second plus a quarter second per megabyte of subject stops
// quadratic scans ICU does not count as steps. Both allowances are far above what a linear
// search of a large clipboard needs.
class Regex {
public:
    struct Match {
        std::size_t begin = 0;  // byte offsets into the subject
        std::size_t end = 0;
        // Capture groups 1..n as byte ranges; nullopt for a group that did not take part.
        std::vector<std::optional<std::pair<std::size_t, std::size_t>>> groups;

        std::optional<std::string_view> group(std::string_view subject, std::size_t n) const;
    };

    // Throws std::invalid_argument for a malformed pattern (a programming error).
    explicit Regex(std::string_view pattern, bool caseInsensitive = false);
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // First, leftmost match in the whole subject.
    std::optional<Match> firstMatch(std::string_view subject) const;
    bool search(std::string_view subject) const { return firstMatch(subject).has_value(); }
    // The subject without its first match (unchanged when there is none).
    std::string removingFirstMatch(std::string_view subject) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- Tokenizers (ICU, English rules) ----
struct Range {
    std::size_t begin = 0;  // byte offsets
    std::size_t end = 0;
    bool operator==(const Range&) const = default;
};
// Sentences, with abbreviation suppression ("e.g.", "Dr." do not end one). Ranges made only of
// whitespace and line ends are not sentences. A sentence range includes its trailing spaces and
// line end.
std::vector<Range> sentenceRanges(std::string_view s);
std::size_t sentenceCount(std::string_view s);
// Word tokens only (letters, numbers, ideographs...), no spaces or punctuation.
std::vector<Range> wordRanges(std::string_view s);

// The ranges of sentenceRanges or wordRanges for many texts in turn, with one ICU iterator set up
// once instead of for every text. Not shared between threads.
class Segmenter {
public:
    enum class Kind { sentence, word };
    explicit Segmenter(Kind kind);
    ~Segmenter();
    Segmenter(const Segmenter&) = delete;
    Segmenter& operator=(const Segmenter&) = delete;

    // Replaces `out` with the ranges of s.
    void ranges(std::string_view s, std::vector<Range>& out);

private:
    struct Icu;
    Kind kind_;
    std::unique_ptr<Icu> icu_;
};

// ---- Code point properties the engines' fast paths need ----
bool isLetter(char32_t c);        // general category L
bool isDecimalDigit(char32_t c);  // general category Nd
// Whether c can end a sentence or a paragraph (Sentence_Break ATerm, STerm, Sep, CR or LF): a
// text without any has no sentence break inside it.
bool canEndSentence(char32_t c);
// Whether c, right after a space, stays in the space's word-break segment (Word_Break Extend,
// Format, ZWJ or WSegSpace); before any other code point a space always ends a segment.
bool staysWithSpace(char32_t c);

// ---- Percent-decoding, Base64 ----
// "%" + two hex digits is one byte; every other character stands for its own bytes. Fails on a
// malformed escape or when the result is not valid UTF-8.
std::optional<std::string> percentDecode(std::string_view s);
// Standard alphabet with "+" and "/", "=" padding, no line breaks.
std::string base64Encode(std::string_view bytes);
// Strict standard Base64: length a multiple of 4, at most two "=" and only at the end, no other
// characters. Fails otherwise. Non-zero leftover bits in the last character are ignored
// ("SGVsbG9=" reads like "SGVsbG8=").
std::optional<std::string> base64Decode(std::string_view s);

}  // namespace tavlets::text
