#include <tavlets/transforms.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>
#include <atomic>
#include <climits>
#include <future>
#include <system_error>

#include <tavlets/cancel.hpp>
#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "code/character_splitter.hpp"
#include "text/byte_scan.hpp"
#include "text/two_halves.hpp"

namespace tavlets::transforms {
namespace {

// Calls f with every line of the text, split at each code point of the newlines class (so CR LF
// gives an empty line between its two separators), found a machine word at a time. Stops early
// (leaving lines out) when the run is cancelled.
template <typename F>
void forEachLine(std::string_view s, F&& f) {
    std::size_t lines = 0;
    scan::forEachLine(s, [&](std::string_view line) {
        if ((lines++ & 4095) == 0 && cancelRequested()) return false;
        f(line);
        return true;
    });
}

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isWhitespaceCharacter(std::string_view character) {
    if (character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
        const char c = character[0];
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    return text::isWhitespaceCharacter(character);
}

std::string plural(std::size_t n, std::string_view noun) {
    std::string out = std::to_string(n);
    out += ' ';
    out += noun;
    if (n != 1) out += 's';
    return out;
}

}  // namespace

Outcome uppercase(std::string_view text) { return Outcome{text::uppercased(text), false, false}; }

Outcome lowercase(std::string_view text) { return Outcome{text::lowercased(text), false, false}; }

Outcome titleCase(std::string_view text) { return Outcome{text::capitalized(text), false, false}; }

std::string sentenceCase(std::string_view text) {
    std::string lower = text::lowercased(text);
    if (isAscii(lower)) {
        // Each byte is a character (CR LF aside, which never capitalizes) and the ASCII letters
        // are the only Alphabetic ones, so the text can be changed in place.
        bool capitalizeNext = true;
        for (std::size_t i = 0; i < lower.size(); ++i) {
            const char c = lower[i];
            if (capitalizeNext && c >= 'a' && c <= 'z') {
                lower[i] = static_cast<char>(c - 'a' + 'A');
                capitalizeNext = false;
            }
            // A line feed right after a CR is the end of a CR LF pair, not a lone line feed.
            if (c == '.' || c == '!' || c == '?' || (c == '\n' && (i == 0 || lower[i - 1] != '\r'))) {
                capitalizeNext = true;
            }
        }
        return lower;
    }

    const std::string_view view = lower;
    std::string out;
    out.reserve(lower.size());
    std::size_t copied = 0;  // bytes of `lower` already in `out`
    bool capitalizeNext = true;
    code::forEachCharacter(view, [&](std::string_view character) {
        if (capitalizeNext && text::isLetterCharacter(character)) {
            const auto start = static_cast<std::size_t>(character.data() - view.data());
            out.append(view.substr(copied, start - copied));
            out += text::uppercased(character);
            copied = start + character.size();
            capitalizeNext = false;
        }
        // Whole-character comparison: a CR LF pair is not a line feed and starts no sentence.
        if (character.size() == 1) {
            const char c = character[0];
            if (c == '.' || c == '!' || c == '?' || c == '\n') capitalizeNext = true;
        }
    });
    out.append(view.substr(copied));
    return out;
}

std::string trim(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool first = true;
    forEachLine(text, [&](std::string_view line) {
        if (!first) out += '\n';
        first = false;
        out.append(text::trim(line, text::CharClass::whitespace));
    });
    const std::string_view kept = text::trim(out, text::CharClass::whitespaceAndNewlines);
    if (kept.empty()) return {};
    const std::size_t begin = static_cast<std::size_t>(kept.data() - out.data());
    out.erase(begin + kept.size());
    out.erase(0, begin);
    return out;
}

namespace {

// The counts of "Count words" for one piece of a text.
struct Tally {
    std::size_t words = 0;
    std::size_t sentences = 0;
    std::size_t characters = 0;
    std::size_t nonWhitespace = 0;
    std::size_t lines = 0;
};

Tally tally(std::string_view text) {
    Tally t;
    t.words = TextMining::wordCount(text);
    t.sentences = TextMining::sentenceCount(text);
    const text::CharacterTally characters = text::tallyCharacters(text);
    t.characters = characters.characters;
    t.nonWhitespace = characters.nonWhitespace;
    forEachLine(text, [&](std::string_view line) {
        if (!text::trim(line, text::CharClass::whitespace).empty()) ++t.lines;
    });
    return t;
}

// Every count of "Count words" adds up over pieces of a text cut just after a line feed: nothing
// (a word, a character, a sentence, a line) runs across one. A large text is counted as two such
// halves at once.
Tally tallyInHalves(std::string_view text) {
    const std::size_t cut = text::halvesCut(text);
    if (cut == std::string_view::npos || cut >= text.size() ||
        text.size() > static_cast<std::size_t>(INT32_MAX))  // beyond ICU's reach: no sentences, as a whole
        return tally(text);
    const auto halves = text::onTwoThreads(text.substr(0, cut), text.substr(cut), tally);
    if (!halves) return tally(text);  // no thread to be had: one pass
    const auto& [a, b] = *halves;
    return Tally{a.words + b.words, a.sentences + b.sentences, a.characters + b.characters,
                 a.nonWhitespace + b.nonWhitespace, a.lines + b.lines};
}

}  // namespace

std::string stats(std::string_view text) {
    const Tally t = tallyInHalves(text);
    const std::size_t words = t.words;
    const std::size_t sentences = t.sentences;
    const std::size_t characters = t.characters;
    const std::size_t nonWhitespace = t.nonWhitespace;
    const std::size_t lines = t.lines;

    const double minutes = static_cast<double>(words) / 230.0;
    std::string reading = "under a minute";
    if (minutes >= 1.0) reading = "about " + std::to_string(std::llround(minutes)) + " min";

    std::string out = plural(words, "word");
    out += '\n';
    out += std::to_string(characters) + " characters (" + std::to_string(nonWhitespace) + " without spaces)\n";
    out += plural(sentences, "sentence") + ", " + plural(lines, "line");
    out += "\nReading time: " + reading;
    return out;
}

Outcome urlDecode(std::string_view text) {
    const std::string_view trimmed = text::trim(text, text::CharClass::whitespaceAndNewlines);
    if (auto decoded = text::percentDecode(trimmed)) return Outcome{std::move(*decoded), false, true};
    return Outcome{"That text has an invalid % escape and can't be URL-decoded.", true, false};
}

Outcome base64Encode(std::string_view text) {
    // The bytes as they are: a trailing line end is part of the data.
    return Outcome{text::base64Encode(text), false, true};
}

Outcome base64Decode(std::string_view text) {
    static const Outcome invalid{"That isn't valid Base64.", true, false};

    // Per byte: 0 to drop it (whitespace), otherwise the byte in the standard alphabet. A NUL is
    // outside the alphabet; it becomes another byte outside it, so the input still fails.
    static constexpr std::array<char, 256> kMap = [] {
        std::array<char, 256> map{};
        for (int b = 0; b < 256; ++b) map[b] = static_cast<char>(b);
        for (const char c : std::string_view(" \t\n\v\f\r")) map[static_cast<unsigned char>(c)] = 0;
        map[0] = '*';
        map['-'] = '+';
        map['_'] = '/';
        return map;
    }();

    std::string data;
    if (isAscii(text)) {
        // Every ASCII character is one byte, or CR LF, and both bytes of that are whitespace.
        data.resize(text.size() + 3);
        char* out = data.data();
        for (const char c : text) {
            const char mapped = kMap[static_cast<unsigned char>(c)];
            *out = mapped;
            out += mapped != 0;
        }
        data.resize(static_cast<std::size_t>(out - data.data()));
    } else {
        // Whitespace is judged per character, so a space carrying a combining mark goes as a whole.
        data.reserve(text.size() + 3);
        code::forEachCharacter(text, [&](std::string_view character) {
            if (isWhitespaceCharacter(character)) return;
            for (const char c : character) {
                const char mapped = kMap[static_cast<unsigned char>(c)];
                data += mapped != 0 ? mapped : c;  // a space inside a longer character stays
            }
        });
    }
    while (data.size() % 4 != 0) data += '=';
    if (data.empty()) return invalid;

    auto bytes = text::base64Decode(data);
    if (!bytes) return invalid;
    if (!text::isValidUTF8(*bytes)) {
        return Outcome{"Decoded " + std::to_string(bytes->size()) + " bytes, but they aren't UTF-8 text.", true,
                       false};
    }
    return Outcome{std::move(*bytes), false, true};
}

}  // namespace tavlets::transforms
