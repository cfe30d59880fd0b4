// Sentence and word tokens with ICU's English break rules.

#include "tavlets/text.hpp"

#include "text/text_internal.hpp"

#include <unicode/rbbi.h>
#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <tavlets/cancel.hpp>

#include <algorithm>
#include <climits>

namespace tavlets::text {

namespace {

bool onlyWhitespace(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        if (!isWhitespaceOrNewline(decodeAt(s, i))) return false;
    }
    return true;
}

bool keepSentence(const icu::BreakIterator&, std::string_view piece) { return !onlyWhitespace(piece); }

bool keepWord(const icu::BreakIterator& it, std::string_view) {
    // Rule statuses below UBRK_WORD_NONE_LIMIT mark spaces and punctuation.
    return it.getRuleStatus() >= UBRK_WORD_NONE_LIMIT;
}

template <typename Keep>
void collect(icu::BreakIterator& it, UText* text, std::string_view s, Keep keep, std::vector<Range>& out) {
    UErrorCode status = U_ZERO_ERROR;
    it.setText(text, status);
    if (U_FAILURE(status)) return;
    std::size_t prev = static_cast<std::size_t>(std::max<int32_t>(it.first(), 0));
    std::size_t seen = 0;
    for (int32_t b = it.next(); b != icu::BreakIterator::DONE; b = it.next()) {
        if ((++seen & 1023) == 0 && cancelRequested()) return;  // the ranges so far; thrown away
        const auto cur = std::min(static_cast<std::size_t>(b), s.size());
        if (cur <= prev) continue;
        if (keep(it, s.substr(prev, cur - prev))) out.push_back({prev, cur});
        prev = cur;
    }
}

template <typename Keep>
std::vector<Range> ranges(std::string_view s, BreakKind kind, Keep keep) {
    std::vector<Range> out;
    if (s.empty() || s.size() > static_cast<std::size_t>(INT32_MAX)) return out;
    Utf8Text text(s);
    auto it = newBreakIterator(kind);
    collect(*it, text.get(), s, keep, out);
    return out;
}

// Whether no code point of s can end a sentence, so that s is one sentence at most.
bool withoutSentenceEnd(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (b == '.' || b == '!' || b == '?' || b == '\n' || b == '\r') return false;
            ++i;
            continue;
        }
        if (canEndSentence(decodeAt(s, i))) return false;
    }
    return true;
}

}  // namespace

std::vector<Range> sentenceRanges(std::string_view s) { return ranges(s, BreakKind::sentence, keepSentence); }

std::size_t sentenceCount(std::string_view s) {
    if (s.empty() || s.size() > static_cast<std::size_t>(INT32_MAX)) return 0;
    // A line feed always ends a sentence, and no rule (nor the abbreviation filter) looks across
    // one, so a long text is counted a piece at a time: the same count with less to hold and a
    // chance to stop between pieces.
    // Each piece is handed to ICU as UTF-16, which its iterator walks much faster than UTF-8;
    // ill-formed bytes become U+FFFD either way (how many of them does not move a sentence
    // break), and only the number of sentences is kept.
    constexpr std::size_t kPiece = 256 * 1024;
    auto it = newBreakIterator(BreakKind::sentence);
    std::vector<UChar> units;
    UText text = UTEXT_INITIALIZER;
    std::size_t count = 0;
    std::size_t start = 0;
    while (start < s.size() && !cancelRequested()) {
        std::size_t end = s.size() - start <= kPiece ? std::string_view::npos : s.find('\n', start + kPiece);
        end = end == std::string_view::npos ? s.size() : end + 1;
        const std::string_view piece = s.substr(start, end - start);
        start = end;
        units.resize(piece.size() + 1);
        int32_t length = 0;
        for (std::size_t i = 0; i < piece.size();) {
            const auto b = static_cast<unsigned char>(piece[i]);
            if (b < 0x80) {
                units[static_cast<std::size_t>(length++)] = b;
                ++i;
                continue;
            }
            // Never more units than bytes: a supplementary code point takes four bytes.
            const auto c = static_cast<UChar32>(decodeAt(piece, i));  // the macro reads it twice
            U16_APPEND_UNSAFE(units.data(), length, c);
        }
        UErrorCode status = U_ZERO_ERROR;
        utext_openUChars(&text, units.data(), length, &status);
        it->setText(&text, status);
        if (U_FAILURE(status)) break;
        int32_t prev = std::max<int32_t>(it->first(), 0);
        std::size_t seen = 0;
        for (int32_t b = it->next(); b != icu::BreakIterator::DONE; b = it->next()) {
            if ((++seen & 1023) == 0 && cancelRequested()) break;
            const int32_t cur = std::min(b, length);
            if (cur <= prev) continue;
            // A sentence made only of white space and line ends does not count.
            for (int32_t k = prev; k < cur;) {
                UChar32 c;
                U16_NEXT(units.data(), k, cur, c);
                if (!isWhitespaceOrNewline(static_cast<char32_t>(c))) {
                    ++count;
                    break;
                }
            }
            prev = cur;
        }
    }
    utext_close(&text);
    return count;
}

std::vector<Range> wordRanges(std::string_view s) { return ranges(s, BreakKind::word, keepWord); }

struct Segmenter::Icu {
    explicit Icu(Kind kind) : it(newBreakIterator(kind == Kind::sentence ? BreakKind::sentence : BreakKind::word)) {}
    ~Icu() { utext_close(&text); }
    std::unique_ptr<icu::BreakIterator> it;
    UText text = UTEXT_INITIALIZER;
};

Segmenter::Segmenter(Kind kind) : kind_(kind) {}
Segmenter::~Segmenter() = default;

void Segmenter::ranges(std::string_view s, std::vector<Range>& out) {
    out.clear();
    if (s.empty() || s.size() > static_cast<std::size_t>(INT32_MAX)) return;
    if (kind_ == Kind::sentence && withoutSentenceEnd(s)) {
        if (!onlyWhitespace(s)) out.push_back({0, s.size()});
        return;
    }
    if (!icu_) icu_ = std::make_unique<Icu>(kind_);
    UErrorCode status = U_ZERO_ERROR;
    static const char kEmpty[] = "";
    utext_openUTF8(&icu_->text, s.data() ? s.data() : kEmpty, static_cast<int64_t>(s.size()), &status);
    if (U_FAILURE(status)) return;
    if (kind_ == Kind::sentence) {
        collect(*icu_->it, &icu_->text, s, keepSentence, out);
    } else {
        collect(*icu_->it, &icu_->text, s, keepWord, out);
    }
}

bool isLetter(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    return c <= 0x10FFFF && (U_GET_GC_MASK(static_cast<UChar32>(c)) & U_GC_L_MASK) != 0;
}

bool isDecimalDigit(char32_t c) {
    if (c < 0x80) return c >= '0' && c <= '9';
    return c <= 0x10FFFF && u_charType(static_cast<UChar32>(c)) == U_DECIMAL_DIGIT_NUMBER;
}

bool canEndSentence(char32_t c) {
    if (c < 0x80) return c == '.' || c == '!' || c == '?' || c == '\n' || c == '\r';
    if (c > 0x10FFFF) return false;
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_SENTENCE_BREAK)) {
        case U_SB_ATERM:
        case U_SB_STERM:
        case U_SB_SEP:
        case U_SB_CR:
        case U_SB_LF:
            return true;
        default:
            return false;
    }
}

bool staysWithSpace(char32_t c) {
    if (c < 0x80) return c == ' ';
    if (c > 0x10FFFF) return false;
    switch (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_WORD_BREAK)) {
        case U_WB_EXTEND:
        case U_WB_FORMAT:
        case U_WB_ZWJ:
        case U_WB_WSEGSPACE:
            return true;
        default:
            return false;
    }
}

}  // namespace tavlets::text
