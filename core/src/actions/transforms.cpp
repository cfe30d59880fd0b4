#include <tavlets/transforms.hpp>

#include <cmath>
#include <cstddef>
#include <string>
#include <string_view>

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

namespace tavlets::transforms {
namespace {

// Calls f with every line of the text, split at each code point of the newlines class (so CR LF
// gives an empty line between its two separators). Walks the text once without collecting lines.
template <typename F>
void forEachLine(std::string_view s, F&& f) {
    std::size_t lineStart = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            if (b >= 0x0A && b <= 0x0D) {
                f(s.substr(lineStart, i - lineStart));
                lineStart = i + 1;
            }
            ++i;
            continue;
        }
        const std::size_t start = i;
        if (text::isNewline(text::decodeAt(s, i))) {
            f(s.substr(lineStart, start - lineStart));
            lineStart = i;
        }
    }
    f(s.substr(lineStart));
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
    const std::string lower = text::lowercased(text);
    const std::string_view view = lower;
    std::string out;
    out.reserve(lower.size());
    std::size_t copied = 0;  // bytes of `lower` already in `out`
    bool capitalizeNext = true;
    text::CharacterIterator characters(view);
    for (;;) {
        const std::size_t start = characters.position();
        const auto character = characters.next();
        if (!character) break;
        if (capitalizeNext && text::isLetterCharacter(*character)) {
            out.append(view.substr(copied, start - copied));
            out += text::uppercased(*character);
            copied = start + character->size();
            capitalizeNext = false;
        }
        // Whole-character comparison: a CR LF pair is not a line feed and starts no sentence.
        if (*character == "." || *character == "!" || *character == "?" || *character == "\n") {
            capitalizeNext = true;
        }
    }
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

std::string stats(std::string_view text) {
    const std::size_t words = TextMining::wordCount(text);
    const std::size_t sentences = TextMining::sentenceCount(text);

    std::size_t characters = 0;
    std::size_t nonWhitespace = 0;
    text::CharacterIterator iterator(text);
    while (const auto character = iterator.next()) {
        ++characters;
        if (!text::isWhitespaceCharacter(*character)) ++nonWhitespace;
    }

    std::size_t lines = 0;
    forEachLine(text, [&](std::string_view line) {
        if (!text::trim(line, text::CharClass::whitespace).empty()) ++lines;
    });

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

    std::string data;
    data.reserve(text.size() + 3);
    auto keep = [&data](char c) {
        if (c == '-') c = '+';
        else if (c == '_') c = '/';
        data += c;
    };
    bool ascii = true;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        // Every ASCII character is one byte, or CR LF, and both bytes of that are whitespace.
        for (const char c : text) {
            if (c != ' ' && (c < '\t' || c > '\r')) keep(c);
        }
    } else {
        // Whitespace is judged per character, so a space carrying a combining mark goes as a whole.
        text::CharacterIterator characters(text);
        while (const auto character = characters.next()) {
            if (text::isWhitespaceCharacter(*character)) continue;
            for (const char c : *character) keep(c);
        }
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
