#include <tavlets/text_mining.hpp>

#include <cstdint>
#include <limits>

#include "mining/mining_shared.hpp"
#include "table/byte_scan.hpp"
#include "table/grapheme_glue.hpp"

namespace tavlets {

namespace mining {

// One pass over the bytes. A word is a maximal run of characters whose first code point is not
// White_Space. Character boundaries only need care next to non-ASCII code points: white space
// right after a Prepend code point belongs to that character, and a combining mark right after
// (non-control) white space belongs to the white space.
std::size_t wordCountUpTo(std::string_view s, std::size_t limit) {
    if (limit == 0) return 0;
    grapheme::Glue glue;
    std::size_t count = 0;
    bool inWord = false;
    bool afterControl = true;  // nothing before the start to attach to
    bool prevNonAscii = false;
    char32_t prevCp = 0;
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        if (inWord) {
            // Inside a word, printable ASCII changes nothing: skip it in bulk.
            const std::size_t next = scan::find(
                s, i, [](std::uint64_t v) { return scan::hasBelowOrHigh(v, 0x21); },
                [](unsigned char b) { return b <= 0x20 || b >= 0x80; });
            if (next > i) {
                i = next;
                prevNonAscii = afterControl = false;
                if (i >= n) break;
            }
        }
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            if (b == ' ') {
                if (!(prevNonAscii && glue.joinsNext(prevCp))) inWord = false;
                afterControl = false;
            } else if (b >= '\t' && b <= '\r') {
                inWord = false;
                afterControl = true;
            } else {
                if (!inWord) {
                    if (++count >= limit) return count;
                    inWord = true;
                }
                afterControl = false;
            }
            prevNonAscii = false;
            continue;
        }
        const char32_t cp = text::decodeAt(s, i);
        if (text::hasWhiteSpaceProperty(cp)) {
            const bool control = cp == 0x85 || cp == 0x2028 || cp == 0x2029;
            if (control || !(prevNonAscii && glue.joinsNext(prevCp))) inWord = false;
            afterControl = control;
        } else {
            if (!inWord && (afterControl || !glue.joinsPrevious(cp))) {
                if (++count >= limit) return count;
                inWord = true;
            }
            afterControl = false;
        }
        prevNonAscii = true;
        prevCp = cp;
    }
    return count;
}

}  // namespace mining

namespace {

const text::Regex& bulletRegex() {
    static const text::Regex regex("^[-*\u2022]\\s+");
    return regex;
}

const text::Regex& checkboxRegex() {
    static const text::Regex regex("^\\[( |x|X)\\]\\s*");
    return regex;
}

}  // namespace

std::vector<TextMining::Unit> TextMining::units(std::string_view text) {
    std::vector<Unit> units;
    scan::forEachLine(text, [&units](std::string_view piece) {
        const std::string_view line = text::trim(piece, text::CharClass::whitespace);
        if (line.empty()) return true;

        std::optional<std::string> speaker;
        std::string_view body = line;
        if (const auto chat = mining::chatLine(line)) {
            speaker = std::string(chat->speaker);
            body = chat->message;
        }
        if (const auto bullet = bulletRegex().firstMatch(body)) body.remove_prefix(bullet->end);
        bool unchecked = false;
        if (const auto box = checkboxRegex().firstMatch(body)) {
            const std::string_view removed = body.substr(0, box->end);
            if (removed.find_first_of("xX") != std::string_view::npos) return true;  // done already
            unchecked = true;
            body.remove_prefix(box->end);
        }
        if (body.empty()) return true;

        for (const text::Range& range : text::sentenceRanges(body)) {
            const std::string_view sentence =
                text::trim(body.substr(range.begin, range.end - range.begin));
            if (!sentence.empty()) units.push_back(Unit{speaker, std::string(sentence), unchecked});
        }
        return true;
    });
    return units;
}

std::size_t TextMining::wordCount(std::string_view text) {
    return mining::wordCountUpTo(text, std::numeric_limits<std::size_t>::max());
}

std::size_t TextMining::sentenceCount(std::string_view text) { return text::sentenceCount(text); }

std::size_t TextMining::chatLineCount(std::string_view text) {
    std::size_t count = 0;
    scan::forEachLine(text, [&count](std::string_view line) {
        if (mining::chatLine(text::trim(line, text::CharClass::whitespace))) ++count;
        return true;
    });
    return count;
}

std::vector<std::string> TextMining::words(std::string_view text) {
    std::vector<std::string> words;
    for (const text::Range& range : text::wordRanges(text)) {
        words.push_back(text::lowercased(text.substr(range.begin, range.end - range.begin)));
    }
    return words;
}

}  // namespace tavlets
