#include "clipboard/clipboard_formats.hpp"

#include <algorithm>
#include <cctype>
#include <iterator>

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A MIME type reduced to what matters here: "type/subtype" in lower case and the charset
// parameter, if any, in lower case without quotes ("" when absent).
struct MimeKey {
    std::string type;
    std::string charset;
    bool otherParameters = false;
};

MimeKey mimeKey(std::string_view name) {
    MimeKey key;
    std::size_t semicolon = name.find(';');
    key.type = lower(trimBlanks(name.substr(0, semicolon)));
    while (semicolon != std::string_view::npos) {
        name.remove_prefix(semicolon + 1);
        semicolon = name.find(';');
        const std::string_view parameter = name.substr(0, semicolon);
        const std::size_t equals = parameter.find('=');
        const std::string attribute = lower(trimBlanks(parameter.substr(0, equals)));
        std::string_view value =
            equals == std::string_view::npos ? std::string_view() : trimBlanks(parameter.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            value = value.substr(1, value.size() - 2);
        }
        if (attribute == "charset") {
            key.charset = lower(value);
        } else if (!attribute.empty()) {
            key.otherParameters = true;
        }
    }
    return key;
}

// Rank of a format, lower is better; -1 for a format that is not text.
int rankOf(const std::string& name, TextEncoding& encoding) {
    // X11 atom names are exact.
    if (name == "UTF8_STRING") {
        encoding = TextEncoding::utf8;
        return 0;
    }
    if (name == "STRING") {
        encoding = TextEncoding::latin1;
        return 3;
    }
    const MimeKey key = mimeKey(name);
    if (key.otherParameters) return -1;
    const bool utf8 = key.charset == "utf-8" || key.charset == "utf8";
    if (key.type == "text/plain") {
        encoding = TextEncoding::utf8;
        if (utf8) return 1;
        if (key.charset.empty()) return 2;
        return -1;  // another charset: not one we read
    }
    if (key.type == "text/html" && (utf8 || key.charset.empty())) {
        encoding = TextEncoding::html;
        return 4;
    }
    return -1;
}

// HTML as UTF-8: UTF-16 with a byte order mark (as some browsers offer it) is converted, a UTF-8
// byte order mark dropped. nullopt when the bytes are valid UTF-8 as they are (in `bytes` then).
std::optional<std::string> htmlAsUtf8(std::string_view& bytes) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == 0xFE && byteAt(1) == 0xFF))) {
        const bool little = byteAt(0) == 0xFF;
        const auto unitAt = [&](std::size_t i) {
            return little ? char16_t(byteAt(i) | (byteAt(i + 1) << 8)) : char16_t((byteAt(i) << 8) | byteAt(i + 1));
        };
        std::string out;
        out.reserve(bytes.size() / 2 * 3);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const char16_t unit = unitAt(i);
            char32_t code = unit;
            if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size() && unitAt(i + 2) >= 0xDC00 &&
                unitAt(i + 2) < 0xE000) {
                code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
                i += 2;
            } else if (unit >= 0xD800 && unit < 0xE000) {
                code = 0xFFFD;
            }
            if (code != 0xFEFF || i > 2) text::appendUTF8(out, code);
        }
        return out;
    }
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) bytes.remove_prefix(3);
    if (text::isValidUTF8(bytes)) return std::nullopt;
    return text::toValidUTF8(bytes);
}

// HTML 4's names for U+00A0 to U+00FF, in order.
constexpr std::string_view kLatin1Entities[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The other names copied text commonly holds.
constexpr struct {
    std::string_view name;
    char32_t code;
} kOtherEntities[] = {
    {"amp", '&'},       {"lt", '<'},         {"gt", '>'},         {"quot", '"'},       {"apos", '\''},
    {"ndash", 0x2013},  {"mdash", 0x2014},   {"lsquo", 0x2018},   {"rsquo", 0x2019},   {"sbquo", 0x201A},
    {"ldquo", 0x201C},  {"rdquo", 0x201D},   {"bdquo", 0x201E},   {"bull", 0x2022},    {"hellip", 0x2026},
    {"prime", 0x2032},  {"Prime", 0x2033},   {"euro", 0x20AC},    {"trade", 0x2122},   {"larr", 0x2190},
    {"uarr", 0x2191},   {"rarr", 0x2192},    {"darr", 0x2193},    {"harr", 0x2194},    {"ensp", 0x2002},
    {"emsp", 0x2003},   {"thinsp", 0x2009},  {"zwnj", 0x200C},    {"zwj", 0x200D},     {"minus", 0x2212},
    {"le", 0x2264},     {"ge", 0x2265},      {"ne", 0x2260},      {"infin", 0x221E},   {"dagger", 0x2020},
    {"Dagger", 0x2021}, {"permil", 0x2030},  {"lsaquo", 0x2039},  {"rsaquo", 0x203A},  {"OElig", 0x152},
    {"oelig", 0x153},   {"Scaron", 0x160},   {"scaron", 0x161},   {"Yuml", 0x178},     {"fnof", 0x192},
    {"circ", 0x2C6},    {"tilde", 0x2DC},    {"check", 0x2713},   {"hearts", 0x2665},  {"larrow", 0x2190},
};

std::optional<char32_t> namedEntity(std::string_view name) {
    for (std::size_t i = 0; i < std::size(kLatin1Entities); ++i) {
        if (kLatin1Entities[i] == name) return char32_t(0xA0 + i);
    }
    for (const auto& entity : kOtherEntities) {
        if (entity.name == name) return entity.code;
    }
    return std::nullopt;
}

bool isAsciiAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isHtmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
// Where a run of plain text ends: markup, an entity, a blank, or maybe a no-break space.
bool stopsText(char c) { return c == '<' || c == '&' || c == '\xC2' || isHtmlSpace(c); }

// Elements whose start and end put what follows on a line of its own.
bool isBlock(std::string_view tag) {
    static constexpr std::string_view kBlocks[] = {
        "address", "article", "aside",  "blockquote", "body", "caption", "center", "dd",     "details", "dialog",
        "dir",     "div",     "dl",     "dt",         "fieldset", "figcaption", "figure", "footer", "form", "h1",
        "h2",      "h3",      "h4",     "h5",         "h6",   "header",  "hr",     "html",   "legend", "li",
        "main",    "menu",    "nav",    "ol",         "option", "p",     "pre",    "section", "summary", "table",
        "tbody",   "tfoot",   "thead",  "tr",         "ul"};
    return std::find(std::begin(kBlocks), std::end(kBlocks), tag) != std::end(kBlocks);
}

// Elements whose content is not text the user sees.
bool isHidden(std::string_view tag) {
    return tag == "script" || tag == "style" || tag == "title" || tag == "template";
}

// One pass over the markup: linear in time, and the text is never longer than the markup.
class HtmlToText {
public:
    HtmlToText(std::string_view html, const std::atomic<bool>* abort) : in_(html), abort_(abort) {
        out_.reserve(html.size() / 2);
    }

    std::optional<std::string> run() {
        constexpr std::size_t kCheckEvery = 1 << 20;
        std::size_t nextCheck = 0;
        while (at_ < in_.size()) {
            if (at_ >= nextCheck) {
                if (abort_ && abort_->load(std::memory_order_relaxed)) return std::nullopt;
                nextCheck = at_ + kCheckEvery;
            }
            const char c = in_[at_];
            if (c == '<') {
                markup();
            } else if (c == '&') {
                entity();
            } else if (isHtmlSpace(c)) {
                ++at_;
                if (pre_ > 0) {
                    if (c == '\r' && at_ < in_.size() && in_[at_] == '\n') continue;
                    out_.push_back(c == '\r' || c == '\f' ? '\n' : c);
                    lineBreak_ = false;
                } else {
                    space_ = true;
                }
            } else if (c == '\xC2' && at_ + 1 < in_.size() && in_[at_ + 1] == '\xA0') {
                at_ += 2;
                visible(" ");  // a no-break space reads as a space
            } else {
                std::size_t stop = at_ + 1;
                while (stop < in_.size() && !stopsText(in_[stop])) ++stop;
                visible(in_.substr(at_, stop - at_));
                at_ = stop;
            }
        }
        return std::move(out_);
    }

private:
    void visible(std::string_view s) {
        if (lineBreak_ && !out_.empty() && out_.back() != '\n') out_.push_back('\n');
        else if (space_ && !out_.empty() && out_.back() != '\n' && !lineBreak_) out_.push_back(' ');
        lineBreak_ = false;
        space_ = false;
        out_.append(s);
    }

    void entity() {
        // "&name;", "&#123;" or "&#x1F600;"; anything else is a literal ampersand.
        const std::size_t semicolon = in_.find(';', at_ + 1);
        if (semicolon != std::string_view::npos && semicolon - at_ <= 12) {
            const std::string_view body = in_.substr(at_ + 1, semicolon - at_ - 1);
            std::optional<char32_t> code;
            if (body.size() > 1 && body[0] == '#') {
                const bool hex = body[1] == 'x' || body[1] == 'X';
                const std::string_view digits = body.substr(hex ? 2 : 1);
                char32_t value = 0;
                bool ok = !digits.empty() && digits.size() <= 8;
                for (const char d : digits) {
                    int digit = -1;
                    if (d >= '0' && d <= '9') digit = d - '0';
                    else if (hex && d >= 'a' && d <= 'f') digit = d - 'a' + 10;
                    else if (hex && d >= 'A' && d <= 'F') digit = d - 'A' + 10;
                    if (digit < 0) ok = false;
                    else value = value * (hex ? 16 : 10) + char32_t(digit);
                }
                if (ok) code = (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) ? 0xFFFD : value;
            } else {
                code = namedEntity(body);
            }
            if (code) {
                at_ = semicolon + 1;
                if (*code == 0xA0) {
                    visible(" ");
                } else if (*code == '\n' || *code == '\t' || *code == ' ') {
                    // Written out blanks are still blanks, collapsed like any other.
                    if (pre_ > 0) visible(std::string(1, static_cast<char>(*code)));
                    else space_ = true;
                } else {
                    std::string utf8;
                    text::appendUTF8(utf8, *code);
                    visible(utf8);
                }
                return;
            }
        }
        ++at_;
        visible("&");
    }

    void markup() {
        const std::string_view rest = in_.substr(at_);
        if (rest.substr(0, 4) == "<!--") {
            const std::size_t end = in_.find("-->", at_ + 4);
            at_ = end == std::string_view::npos ? in_.size() : end + 3;
            return;
        }
        const bool closing = rest.size() > 1 && rest[1] == '/';
        const std::size_t nameAt = at_ + (closing ? 2 : 1);
        if (nameAt >= in_.size() || !isAsciiAlpha(in_[nameAt])) {
            if (rest.size() > 1 && (rest[1] == '!' || rest[1] == '?')) {
                const std::size_t end = in_.find('>', at_);  // doctype, processing instruction
                at_ = end == std::string_view::npos ? in_.size() : end + 1;
                return;
            }
            ++at_;
            visible("<");
            return;
        }
        std::size_t i = nameAt;
        std::string tag;
        while (i < in_.size() && (isAsciiAlpha(in_[i]) || (in_[i] >= '0' && in_[i] <= '9') || in_[i] == '-' || in_[i] == ':')) {
            if (tag.size() < 16) tag.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(in_[i]))));
            ++i;
        }
        at_ = endOfTag(i);
        if (closing) {
            if (tag == "pre" && pre_ > 0) --pre_;
            if (isBlock(tag)) lineBreak_ = true;
            return;
        }
        if (isHidden(tag)) {
            skipContentOf(tag);
            return;
        }
        if (tag == "br") {
            out_.push_back('\n');
            lineBreak_ = false;
            space_ = false;
        } else if (tag == "td" || tag == "th") {
            if (!out_.empty() && out_.back() != '\n' && !lineBreak_) {
                out_.push_back('\t');
                space_ = false;
            }
        } else if (isBlock(tag)) {
            lineBreak_ = true;
            if (tag == "pre") ++pre_;
        }
    }

    // Just past the '>' that ends a tag whose name ends at `i`; quoted attribute values may hold '>'.
    std::size_t endOfTag(std::size_t i) const {
        bool afterEquals = false;
        while (i < in_.size()) {
            const char c = in_[i];
            if (c == '>') return i + 1;
            if ((c == '"' || c == '\'') && afterEquals) {
                const std::size_t close = in_.find(c, i + 1);
                if (close == std::string_view::npos) return in_.size();
                i = close + 1;
                afterEquals = false;
                continue;
            }
            if (c == '=') afterEquals = true;
            else if (!isHtmlSpace(c)) afterEquals = false;
            ++i;
        }
        return i;
    }

    // Past the end tag of a script, style or the like, found without regard to case.
    void skipContentOf(std::string_view tag) {
        while (at_ < in_.size()) {
            const std::size_t open = in_.find("</", at_);
            if (open == std::string_view::npos) break;
            std::size_t i = open + 2;
            std::size_t k = 0;
            while (k < tag.size() && i < in_.size() &&
                   std::tolower(static_cast<unsigned char>(in_[i])) == static_cast<unsigned char>(tag[k])) {
                ++i;
                ++k;
            }
            if (k == tag.size() && (i == in_.size() || !isAsciiAlpha(in_[i]))) {
                at_ = endOfTag(i);
                return;
            }
            at_ = open + 2;
        }
        at_ = in_.size();
    }

    std::string_view in_;
    const std::atomic<bool>* abort_;
    std::size_t at_ = 0;
    std::string out_;
    int pre_ = 0;             // inside this many <pre>: blanks kept as they are
    bool space_ = false;      // blanks seen since the last visible text
    bool lineBreak_ = false;  // a block began or ended since the last visible text
};

}  // namespace

std::optional<TextFormat> chooseTextFormat(const std::vector<std::string>& offered) {
    std::optional<TextFormat> best;
    int bestRank = -1;
    for (const std::string& name : offered) {
        TextEncoding encoding = TextEncoding::utf8;
        const int rank = rankOf(name, encoding);
        if (rank < 0 || (best && rank >= bestRank)) continue;
        best = TextFormat{name, encoding};
        bestRank = rank;
    }
    return best;
}

bool marksSecret(std::string_view hintValue) {
    // Some owners end the value with a line feed or a NUL.
    while (!hintValue.empty() && (hintValue.back() == '\0' || hintValue.back() == '\n')) hintValue.remove_suffix(1);
    return trimBlanks(hintValue) == "secret";
}

std::optional<std::string> plainTextOfHtml(std::string_view html, const std::atomic<bool>* abort) {
    if (const std::optional<std::string> converted = htmlAsUtf8(html)) return HtmlToText(*converted, abort).run();
    return HtmlToText(html, abort).run();
}

std::optional<std::string> decodeClipboardText(std::string bytes, TextEncoding encoding,
                                               const std::atomic<bool>* abort) {
    switch (encoding) {
        case TextEncoding::utf8:
            if (text::isValidUTF8(bytes)) return bytes;
            return text::toValidUTF8(bytes);
        case TextEncoding::latin1: {
            std::string out;
            out.reserve(bytes.size());
            for (const char c : bytes) text::appendUTF8(out, static_cast<unsigned char>(c));
            return out;
        }
        case TextEncoding::html:
            return plainTextOfHtml(bytes, abort);
    }
    return {};
}

}  // namespace tavlets
