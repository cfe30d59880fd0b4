// String quoting and the user-facing syntax error report.

#include "json/json_storage.hpp"
#include "tavlets/text.hpp"

#include <algorithm>
#include <cstring>

namespace tavlets {

namespace {

constexpr std::string_view kEllipsis = "\u2026";
constexpr std::string_view kReplacement = "\uFFFD";

bool needsQuoting(unsigned char c) { return c < 0x20 || c == '"' || c == '\\' || c >= 0x80; }

}  // namespace

std::string JSONTools::quote(std::string_view s)
{
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t run = i;
        while (run < s.size() && !needsQuoting(static_cast<unsigned char>(s[run])))
            ++run;
        out.append(s, i, run - i);
        i = run;
        if (i == s.size())
            break;
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x80) {
            // Well-formed characters pass through as they are; ill-formed bytes become U+FFFD so
            // the token is always valid UTF-8.
            const std::size_t from = i;
            const char32_t cp = text::decodeAt(s, i);
            const std::string_view bytes = s.substr(from, i - from);
            out.append(cp == text::kReplacementCharacter ? kReplacement : bytes);
            continue;
        }
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        default: {
            static constexpr char hex[] = "0123456789abcdef";
            const char esc[] = {'\\', 'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            out.append(esc, sizeof esc);
        }
        }
        ++i;
    }
    out += '"';
    return out;
}

std::string JSONTools::describe(const JSONSyntaxError& error, std::string_view text)
{
    const std::size_t p =
        std::size_t(std::clamp<std::int64_t>(error.offset, 0, std::int64_t(text.size())));

    // Line and column, both 1-based; the column counts code points (bytes that are not UTF-8
    // continuation bytes).
    const std::size_t line = 1 + std::size_t(std::count(text.begin(), text.begin() + p, '\n'));
    const std::size_t lastFeed = p == 0 ? std::string_view::npos : text.rfind('\n', p - 1);
    const std::size_t lineStart = lastFeed == std::string_view::npos ? 0 : lastFeed + 1;
    std::size_t column = 1;
    for (std::size_t i = lineStart; i < p; ++i)
        column += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;

    // The offending line as characters, without carriage returns at its ends.
    const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
    std::string_view raw = text.substr(lineStart, lineEnd - lineStart);
    std::string repaired;
    if (!text::isValidUTF8(raw)) {
        repaired = text::toValidUTF8(raw);
        raw = repaired;
    }
    while (!raw.empty() && raw.front() == '\r')
        raw.remove_prefix(1);
    while (!raw.empty() && raw.back() == '\r')
        raw.remove_suffix(1);

    // Keep the caret in view on long lines: drop characters on the left, then cut on the right.
    std::size_t caret = column - 1;
    std::string excerpt;
    std::string_view rest = raw;
    if (caret >= 61) {
        rest.remove_prefix(text::prefixCharacters(rest, caret - 40).size());
        excerpt = kEllipsis;
        caret = 41;
    }
    // Only the first 101 characters matter for the cut; never walk the rest of a huge line.
    excerpt.append(text::prefixCharacters(rest, 101));
    std::size_t count = text::characterCount(excerpt);
    if (count >= 101) {
        excerpt.resize(text::prefixCharacters(excerpt, 100).size());
        excerpt.append(kEllipsis);
        count = 101;
    }

    const std::string gutter = std::to_string(line) + " | ";
    std::string out = "Syntax error at line " + std::to_string(line) + ", column " + std::to_string(column);
    out += '\n';
    out += error.message;
    out += "\n\n";
    out += gutter;
    out += excerpt;
    out += '\n';
    out.append(gutter.size() + std::min(count, caret), ' ');
    out += '^';
    return out;
}

}  // namespace tavlets
