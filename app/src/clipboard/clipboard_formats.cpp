#include "clipboard/clipboard_formats.hpp"

#include <QString>
#include <QTextDocumentFragment>

#include <cctype>

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

std::u16string_view noBom(std::u16string_view s) {
    if (!s.empty() && s.front() == u'\uFEFF') s.remove_prefix(1);
    return s;
}

QString htmlToQString(std::string_view bytes) {
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == 0xFE && byteAt(1) == 0xFF))) {
        const bool little = byteAt(0) == 0xFF;
        std::u16string units;
        units.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            units.push_back(little ? char16_t(byteAt(i) | (byteAt(i + 1) << 8))
                                   : char16_t((byteAt(i) << 8) | byteAt(i + 1)));
        }
        const std::u16string_view text = noBom(units);
        return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
    }
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF) bytes.remove_prefix(3);
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toStdString(const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

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

std::string plainTextOfHtml(std::string_view html) {
    return toStdString(QTextDocumentFragment::fromHtml(htmlToQString(html)).toPlainText());
}

std::string decodeClipboardText(std::string bytes, TextEncoding encoding) {
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
            return plainTextOfHtml(bytes);
    }
    return {};
}

}  // namespace tavlets
