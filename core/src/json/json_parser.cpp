// The strict parser: one pass over the bytes, nothing decoded, the first error ends it.
//
// Records are built the way a shift-reduce parser would: every finished value is pushed on a
// pending stack; when a container closes, its children (the top of that stack) move as one block
// to the final record array and the container's own record takes their place. So every
// container's children end up side by side without a separate index array.

#include "json/json_storage.hpp"

#include <tavlets/cancel.hpp>

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tavlets {

using jsonimpl::Tag;

namespace {

constexpr int kMaxDepth = 400;

// JSON whitespace: space, tab, line feed, carriage return.
constexpr bool isSpace(unsigned char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }
constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool isHex(unsigned char c)
{
    return isDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'f');
}

// An upper bound on the records a text can produce: every value after the first in a container
// follows a comma, every key precedes a colon, and every container adds at most one first child.
std::size_t recordBound(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    std::size_t n = 1;
#if defined(__SSE2__)
    const __m128i comma = _mm_set1_epi8(',');
    const __m128i colon = _mm_set1_epi8(':');
    // '[' (0x5B) and '{' (0x7B) differ only in bit 0x20.
    const __m128i bracket = _mm_set1_epi8('[');
    const __m128i fold = _mm_set1_epi8(0x20);
    while (end - p >= 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, comma), _mm_cmpeq_epi8(x, colon)),
                                         _mm_cmpeq_epi8(_mm_andnot_si128(fold, x), bracket));
        n += unsigned(__builtin_popcount(unsigned(_mm_movemask_epi8(hit))));
        p += 16;
    }
#endif
    for (; p != end; ++p)
        n += *p == ',' || *p == ':' || *p == '[' || *p == '{';
    return n;
}

template <class R>
class Parser {
public:
    Parser(std::string_view text, jsonimpl::RecordArray<R>& out)
        : begin_(reinterpret_cast<const unsigned char*>(text.data())),
          p_(begin_),
          end_(begin_ + text.size()),
          out_(out)
    {
    }

    // Returns the root record's index in `out`, or false with `error()` set.
    bool run(std::size_t& root)
    {
        ws();
        if (!value(0))
            return false;
        ws();
        if (p_ != end_)
            return fail(p_, "Unexpected extra content after the JSON value");
        out_.push_back(pending_.back());
        root = out_.size() - 1;
        return true;
    }

    JSONSyntaxError error() && { return {errorOffset_, std::move(errorMessage_)}; }

private:
    const unsigned char* begin_;
    const unsigned char* p_;
    const unsigned char* end_;
    jsonimpl::RecordArray<R>& out_;
    std::vector<R> pending_;
    std::int64_t errorOffset_ = 0;
    std::string errorMessage_;

    std::uint32_t steps_ = 0;

    // Looked at once every few thousand values: a cancelled parse fails, and its result is
    // thrown away by whoever cancelled it.
    bool cancelled() { return (++steps_ & 4095) == 0 && cancelRequested(); }

    [[gnu::noinline, gnu::cold]] bool fail(const unsigned char* at, std::string message)
    {
        errorOffset_ = at - begin_;
        errorMessage_ = std::move(message);
        return false;
    }

    // A short description of the byte at the cursor, used inside messages.
    [[gnu::cold]] std::string describe() const
    {
        if (p_ >= end_)
            return "Unexpected end of input";
        const unsigned char c = *p_;
        if (c == '\'')
            return "Strings must use double quotes, not single quotes";
        if (c < 0x20 || c > 0x7E)
            return "Unexpected character";
        return std::string("Unexpected '") + char(c) + "'";
    }

    void ws()
    {
        while (p_ != end_ && isSpace(*p_))
            ++p_;
    }

    void leaf(const unsigned char* from)
    {
        pending_.push_back(R::make(Tag::leaf, std::uint64_t(from - begin_), std::uint64_t(p_ - from)));
    }

    // Moves the children pushed since `mark` to the final array as one block.
    void close(Tag tag, std::size_t mark, std::size_t count)
    {
        // Sized once, when the first container closes: no regrowth, no copying of records, and
        // texts that fail early (most texts that are not JSON) never pay for the count.
        if (out_.empty()) [[unlikely]]
            out_.reserve(recordBound(std::string_view(reinterpret_cast<const char*>(begin_), end_ - begin_)));
        const std::size_t first = out_.size();
        out_.append(pending_.data() + mark, pending_.size() - mark);
        pending_.resize(mark);
        pending_.push_back(R::make(tag, first, count));
    }

    bool value(int depth)
    {
        if (depth > kMaxDepth) [[unlikely]]
            return fail(p_, "Nesting is too deep");
        if (p_ == end_) [[unlikely]]
            return fail(p_, "Unexpected end of input — expected a value");
        const unsigned char* start = p_;
        switch (*p_) {
        case '"':
            if (!string())
                return false;
            leaf(start);
            return true;
        case '-':
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            if (!number())
                return false;
            leaf(start);
            return true;
        case '[':
            return array(depth);
        case '{':
            return object(depth);
        case 't':
            return literal("true");
        case 'f':
            return literal("false");
        case 'n':
            return literal("null");
        case ',':
        case '}':
        case ']':
            return fail(p_, std::string("Expected a value but found '") + char(*p_) + "'");
        default:
            return fail(p_, describe());
        }
    }

    bool array(int depth)
    {
        const std::size_t mark = pending_.size();
        ++p_;
        ws();
        if (p_ != end_ && *p_ == ']') {
            ++p_;
            pending_.push_back(R::make(Tag::array, 0, 0));
            return true;
        }
        for (;;) {
            if (cancelled()) [[unlikely]]
                return fail(p_, "Cancelled");
            ws();
            if (!value(depth + 1))
                return false;
            ws();
            if (p_ == end_) [[unlikely]]
                return fail(p_, "Unexpected end of input — missing ']'");
            if (*p_ == ',') {
                ++p_;
                ws();
                if (p_ != end_ && *p_ == ']') [[unlikely]]
                    return fail(p_, "Trailing comma before ']'");
                continue;
            }
            if (*p_ == ']') {
                ++p_;
                break;
            }
            return fail(p_, "Expected ',' or ']' — " + describe());
        }
        close(Tag::array, mark, pending_.size() - mark);
        return true;
    }

    bool object(int depth)
    {
        const std::size_t mark = pending_.size();
        ++p_;
        ws();
        if (p_ != end_ && *p_ == '}') {
            ++p_;
            pending_.push_back(R::make(Tag::object, 0, 0));
            return true;
        }
        if (p_ == end_) [[unlikely]]
            return fail(p_, "Unexpected end of input — missing '}'");
        for (;;) {
            if (cancelled()) [[unlikely]]
                return fail(p_, "Cancelled");
            if (*p_ != '"') [[unlikely]] {
                if (*p_ == '\'')
                    return fail(p_, "Strings must use double quotes, not single quotes");
                return fail(p_, "Expected a double-quoted key — " + describe());
            }
            const unsigned char* key = p_;
            if (!string())
                return false;
            leaf(key);
            ws();
            if (p_ == end_ || *p_ != ':') [[unlikely]]
                return fail(p_, "Expected ':' after key — " + describe());
            ++p_;
            ws();
            if (!value(depth + 1))
                return false;
            ws();
            if (p_ == end_) [[unlikely]]
                return fail(p_, "Unexpected end of input — missing '}'");
            if (*p_ == ',') {
                ++p_;
                ws();
                if (p_ == end_) [[unlikely]]
                    return fail(p_, "Unexpected end of input — missing '}'");
                if (*p_ == '}') [[unlikely]]
                    return fail(p_, "Trailing comma before '}'");
                continue;
            }
            if (*p_ == '}') {
                ++p_;
                break;
            }
            return fail(p_, "Expected ',' or '}' — " + describe());
        }
        close(Tag::object, mark, (pending_.size() - mark) / 2);
        return true;
    }

    // Finds the next byte at or after q that ends plain string content: a double quote, a
    // backslash or a control byte. Returns end_ when there is none.
    const unsigned char* scanString(const unsigned char* q) const
    {
#if defined(__SSE2__)
        const __m128i quote = _mm_set1_epi8('"');
        const __m128i backslash = _mm_set1_epi8('\\');
        const __m128i controlMax = _mm_set1_epi8(0x1F);
        while (end_ - q >= 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q));
            const __m128i special = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(x, quote), _mm_cmpeq_epi8(x, backslash)),
                _mm_cmpeq_epi8(_mm_min_epu8(x, controlMax), x));
            const int mask = _mm_movemask_epi8(special);
            if (mask != 0)
                return q + __builtin_ctz(unsigned(mask));
            q += 16;
        }
#endif
        while (q != end_ && *q != '"' && *q != '\\' && *q >= 0x20)
            ++q;
        return q;
    }

    // Validates a string token whose opening quote is at the cursor; leaves the cursor past the
    // closing quote.
    bool string()
    {
        const unsigned char* open = p_;
        const unsigned char* q = p_ + 1;
        for (;;) {
            q = scanString(q);
            if (q == end_) [[unlikely]]
                return fail(open, "String is missing its closing quote");
            const unsigned char c = *q;
            if (c == '"') {
                p_ = q + 1;
                return true;
            }
            if (c == '\\') {
                if (q + 1 == end_) [[unlikely]]
                    return fail(open, "String is missing its closing quote");
                const unsigned char e = q[1];
                switch (e) {
                case '"':
                case '/':
                case '\\':
                case 'b':
                case 'f':
                case 'n':
                case 'r':
                case 't':
                    q += 2;
                    continue;
                case 'u':
                    for (int k = 2; k < 6; ++k) {
                        if (q + k == end_ || !isHex(q[k])) [[unlikely]]
                            return fail(q + k, "Invalid \\u escape — needs 4 hex digits");
                    }
                    q += 6;
                    continue;
                default:
                    return fail(q + 1, invalidEscape(e));
                }
            }
            if (c == '\n' || c == '\r')
                return fail(q, "String is missing its closing quote");
            return fail(q, "Unescaped control character in string");
        }
    }

    // The escape character is shown as the code point equal to its byte value.
    [[gnu::cold]] static std::string invalidEscape(unsigned char e)
    {
        std::string m = "Invalid escape sequence '\\";
        if (e < 0x80) {
            m += char(e);
        } else {
            m += char(0xC0 | (e >> 6));
            m += char(0x80 | (e & 0x3F));
        }
        m += '\'';
        return m;
    }

    std::size_t digits()
    {
        const unsigned char* from = p_;
        while (p_ != end_ && isDigit(*p_))
            ++p_;
        return std::size_t(p_ - from);
    }

    // Validates a number token starting at the cursor ("-" or a digit).
    bool number()
    {
        if (*p_ == '-')
            ++p_;
        if (p_ != end_ && *p_ == '0') {
            ++p_;
            if (p_ != end_ && isDigit(*p_)) [[unlikely]]
                return fail(p_, "Numbers can't have leading zeros");
        } else if (digits() == 0) [[unlikely]] {
            return fail(p_, "Expected a digit in number");
        }
        if (p_ != end_ && *p_ == '.') {
            ++p_;
            if (digits() == 0) [[unlikely]]
                return fail(p_, "Expected a digit after the decimal point");
        }
        if (p_ != end_ && (*p_ == 'e' || *p_ == 'E')) {
            ++p_;
            if (p_ != end_ && (*p_ == '+' || *p_ == '-'))
                ++p_;
            if (digits() == 0) [[unlikely]]
                return fail(p_, "Expected a digit in the exponent");
        }
        return true;
    }

    bool literal(std::string_view word)
    {
        const unsigned char* start = p_;
        if (std::size_t(end_ - p_) < word.size() || std::memcmp(p_, word.data(), word.size()) != 0)
            [[unlikely]]
            return fail(start, "Invalid literal — did you mean '" + std::string(word) + "'?");
        p_ += word.size();
        leaf(start);
        return true;
    }
};

template <class R>
JSONParseResult parseWith(std::string_view text, jsonimpl::RecordArray<R> JSONNode::Storage::*records,
                          JSONNode::Storage::Form form)
{
    auto storage = std::make_shared<JSONNode::Storage>();
    auto& out = (*storage).*records;
    Parser<R> parser(text, out);
    std::size_t root = 0;
    if (!parser.run(root))
        return std::move(parser).error();
    // Only a valid document keeps a copy of the text.
    storage->form = form;
    storage->source.assign(text);
    return JSONNodeAccess::make(std::move(storage), root);
}

}  // namespace

// Also used by the tests to run the wide form on small inputs.
JSONParseResult parseJSONWide(std::string_view text)
{
    return parseWith(text, &JSONNode::Storage::wide, JSONNode::Storage::Form::wide);
}

JSONParseResult JSONParser::parse(std::string_view text)
{
    // 32-bit records address offsets, lengths and counts below 1 GiB.
    if (text.size() < jsonimpl::Record32::kLimit)
        return parseWith(text, &JSONNode::Storage::narrow, JSONNode::Storage::Form::narrow);
    return parseJSONWide(text);
}

}  // namespace tavlets
