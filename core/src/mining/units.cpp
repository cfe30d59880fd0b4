#include <tavlets/text_mining.hpp>

#include <cstdint>
#include <limits>

#include <tavlets/cancel.hpp>

#include "mining/mining_shared.hpp"
#include "text/byte_scan.hpp"
#include "text/grapheme_glue.hpp"

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
    std::size_t steps = 0;
    while (i < n) {
        if ((steps++ & 0xFFFF) == 0 && cancelRequested()) return count;
        if (inWord && static_cast<unsigned char>(s[i]) < 0x80) {
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

namespace {

// A bullet ("-", "*" or "\u2022") and the white space after it ("^[-*\u2022]\s+"): its length,
// or 0.
std::size_t bulletLength(std::string_view body) {
    std::size_t mark = 0;
    if (body.starts_with('-') || body.starts_with('*')) {
        mark = 1;
    } else if (body.starts_with("\u2022")) {
        mark = 3;
    } else {
        return 0;
    }
    const std::size_t end = skipWhiteSpace(body, mark);
    return end > mark ? end : 0;
}

// A checkbox ("[ ]", "[x]" or "[X]") and the white space after it ("^\[( |x|X)\]\s*"): its
// length, or 0.
std::size_t checkboxLength(std::string_view body) {
    if (body.size() < 3 || body[0] != '[' || body[2] != ']') return 0;
    if (body[1] != ' ' && body[1] != 'x' && body[1] != 'X') return 0;
    return skipWhiteSpace(body, 3);
}

}  // namespace

bool forEachUnit(std::string_view text, const std::function<bool(const UnitView&)>& f) {
    text::Segmenter sentences(text::Segmenter::Kind::sentence);
    std::vector<text::Range> ranges;
    bool complete = true;
    std::size_t lines = 0;
    scan::forEachLine(text, [&](std::string_view piece) {
        if ((lines++ & 1023) == 0 && cancelRequested()) return complete = false;
        const std::string_view line = text::trim(piece, text::CharClass::whitespace);
        if (line.empty()) return true;

        UnitView unit;
        std::string_view body = line;
        if (const auto chat = chatLine(line)) {
            unit.speaker = chat->speaker;
            unit.hasSpeaker = true;
            body = chat->message;
        }
        body.remove_prefix(bulletLength(body));
        if (const std::size_t box = checkboxLength(body)) {
            if (body[1] != ' ') return true;  // done already
            unit.unchecked = true;
            body.remove_prefix(box);
        }
        if (body.empty()) return true;

        sentences.ranges(body, ranges);
        for (const text::Range& range : ranges) {
            unit.text = text::trim(body.substr(range.begin, range.end - range.begin));
            if (!unit.text.empty() && !f(unit)) return complete = false;
        }
        return true;
    });
    return complete;
}

}  // namespace mining

std::vector<TextMining::Unit> TextMining::units(std::string_view text) {
    std::vector<Unit> units;
    mining::forEachUnit(text, [&units](const mining::UnitView& unit) {
        units.push_back(Unit{unit.hasSpeaker ? std::optional<std::string>(unit.speaker) : std::nullopt,
                             std::string(unit.text), unit.unchecked});
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
