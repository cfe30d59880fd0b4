#include <tavlets/actions.hpp>

#include <array>
#include <cstdint>

#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "actions/analysis_internal.hpp"
#include "mining/mining_shared.hpp"
#include "text/byte_scan.hpp"
#include "text/grapheme_glue.hpp"

namespace tavlets {

namespace {

bool isAsciiWordByte(unsigned char b) {
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_';
}

// The position after the run of white space (the pattern's \s: White_Space) that starts at i.
std::size_t skipSpace(std::string_view s, std::size_t i) {
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (b != ' ' && (b < '\t' || b > '\r')) return i;
            ++i;
            continue;
        }
        std::size_t k = i;
        if (!text::hasWhiteSpaceProperty(text::decodeAt(s, k))) return i;
        i = k;
    }
    return i;
}

constexpr std::array<std::string_view, 21> kKeywords = {
    "import", "func",   "def",     "class",  "struct", "enum",     "function",
    "const",  "let",    "var",     "public", "private", "return",  "if",
    "for",    "while",  "#include", "package", "using", "fn",      "pub",
};

// Whether a keyword followed by a word boundary starts at q.
bool keywordAt(std::string_view t, std::size_t q) {
    static const std::array<bool, 256> firstBytes = [] {
        std::array<bool, 256> table{};
        for (std::string_view keyword : kKeywords) table[static_cast<unsigned char>(keyword[0])] = true;
        return table;
    }();
    if (!firstBytes[static_cast<unsigned char>(t[q])]) return false;
    const std::string_view rest = t.substr(q);
    for (std::string_view keyword : kKeywords) {
        if (keyword[0] != rest[0] || !rest.starts_with(keyword)) continue;
        const std::size_t end = q + keyword.size();
        if (end == t.size()) return true;
        const auto b = static_cast<unsigned char>(t[end]);
        if (b < 0x80) {
            if (!isAsciiWordByte(b)) return true;
            continue;
        }
        // A non-ASCII code point follows (a letter, a combining mark, a format character...):
        // the regular-expression engine decides the boundary on just this keyword and that code
        // point, which is all its word-boundary test looks at.
        static const text::Regex boundary(
            "^(?:import|func|def|class|struct|enum|function|const|let|var|public|private|return|"
            "if|for|while|#include|package|using|fn|pub)\\b");
        std::size_t k = end;
        text::decodeAt(t, k);
        if (boundary.search(t.substr(q, k - q))) return true;
    }
    return false;
}

struct LineShape {
    std::size_t lines = 0;       // lines with something besides whitespace
    std::size_t structural = 0;  // of those, the ones ending with ";", "{" or "}"
};

// Walks the lines of t (every newline character is a separator of its own) until done(shape).
template <class Done>
LineShape lineShape(std::string_view t, Done done) {
    LineShape shape;
    grapheme::Glue glue;
    scan::forEachLine(t, [&](std::string_view piece) {
        const std::string_view line = text::trim(piece, text::CharClass::whitespace);
        if (line.empty()) return true;
        ++shape.lines;
        const char last = line.back();
        if ((last == ';' || last == '{' || last == '}') && glue.standsAlone(line, line.size() - 1)) {
            ++shape.structural;
        }
        return !done(shape);
    });
    return shape;
}

// Whether t holds the two-character sequence op (two ASCII characters) as characters.
bool containsOperator(std::string_view t, std::string_view op, grapheme::Glue& glue) {
    for (std::size_t at = t.find(op); at != std::string_view::npos; at = t.find(op, at + 1)) {
        if (glue.standsAlone(t, at) && glue.standsAlone(t, at + 1)) return true;
    }
    return false;
}

// Whether t contains the ASCII character c as a character of its own.
bool containsCharacter(std::string_view t, char c, grapheme::Glue& glue) {
    for (std::size_t at = t.find(c); at != std::string_view::npos; at = t.find(c, at + 1)) {
        if (glue.standsAlone(t, at)) return true;
    }
    return false;
}

bool startsWithCharacter(std::string_view t, char c, grapheme::Glue& glue) {
    return !t.empty() && t.front() == c && glue.standsAlone(t, 0);
}

bool endsWithCharacter(std::string_view t, char c, grapheme::Glue& glue) {
    return !t.empty() && t.back() == c && glue.standsAlone(t, t.size() - 1);
}

}  // namespace

namespace analysis {

bool hasKeywordLine(std::string_view t) {
    std::size_t lineStart = 0;
    while (true) {
        // Every line start inside the white-space run leads to the same first non-space position.
        const std::size_t q = skipSpace(t, lineStart);
        if (q >= t.size()) return false;
        if (keywordAt(t, q)) return true;
        std::size_t width = 0;
        const std::size_t end = scan::findNewline(t, q, width);
        if (end >= t.size()) return false;
        lineStart = end + width;
    }
}

bool looksLikeCode(std::string_view t) {
    grapheme::Glue glue;
    const auto isSymbol = [](unsigned char b) {
        return b == '{' || b == '}' || b == '(' || b == ')' || b == '[' || b == ']' || b == ';';
    };
    const auto anySymbol = [](std::uint64_t v) {
        return scan::hasByte(v, '{') | scan::hasByte(v, '}') | scan::hasByte(v, '(') |
               scan::hasByte(v, ')') | scan::hasByte(v, '[') | scan::hasByte(v, ']') |
               scan::hasByte(v, ';');
    };
    std::size_t symbols = 0;
    for (std::size_t i = scan::find(t, 0, anySymbol, isSymbol); i < t.size() && symbols < 2;
         i = scan::find(t, i + 1, anySymbol, isSymbol)) {
        if (glue.standsAlone(t, i)) ++symbols;
    }
    if (symbols < 2) return false;

    if (hasKeywordLine(t)) {
        const LineShape shape =
            lineShape(t, [](const LineShape& s) { return s.structural > 0 || s.lines >= 3; });
        if (shape.structural > 0 || shape.lines >= 3) return true;
        for (std::string_view op : {"=>", "->", "==", "&&"}) {
            if (containsOperator(t, op, glue)) return true;
        }
        return false;
    }
    return lineShape(t, [](const LineShape& s) { return s.structural >= 2; }).structural >= 2;
}

}  // namespace analysis

Analysis Analysis::of(std::string_view text) {
    Analysis result;
    const std::string_view t = text::trim(text);
    if (t.empty()) return result;

    grapheme::Glue glue;
    if (startsWithCharacter(t, '{', glue) || startsWithCharacter(t, '[', glue)) {
        if (JSONParser::parse(t).ok()) {
            result.json = JSONState::valid;
            return result;
        }
        if (containsCharacter(t, '"', glue) || endsWithCharacter(t, '}', glue) ||
            endsWithCharacter(t, ']', glue)) {
            result.json = JSONState::invalid;
            return result;
        }
    }

    if (const auto delimiter = Delimited::detect(t)) {
        result.delimiter = delimiter;
        return result;
    }

    if (analysis::looksLikeCode(t)) {
        result.isCode = true;
        return result;
    }

    // The chat-line count only below 80 words, the sentence count only from 50 to 79 words.
    const std::size_t words = mining::wordCountUpTo(t, 80);
    if (words >= 80) {
        result.isLongText = true;
    } else if (TextMining::chatLineCount(t) >= 3) {
        result.isLongText = true;
    } else if (words >= 50) {
        result.isLongText = TextMining::sentenceCount(t) > 4;
    }
    return result;
}

std::string Analysis::label() const {
    std::string label;
    const auto add = [&label](std::string_view part) {
        if (!label.empty()) label += " \u00B7 ";
        label += part;
    };
    if (json == JSONState::valid) add("JSON");
    if (json == JSONState::invalid) add("JSON (has errors)");
    if (delimiter) add(*delimiter == '\t' ? "Tab-separated data" : "CSV data");
    if (isCode) add("Code");
    if (isLongText) add("Long text / chat");
    return label.empty() ? "Text" : label;
}

}  // namespace tavlets
