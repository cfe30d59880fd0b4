#include "panel/panel_text.hpp"

#include <tavlets/text.hpp>

namespace tavlets {

std::string previewText(std::string_view text) {
    const std::string_view trimmed = text::trim(text, text::CharClass::whitespaceAndNewlines);
    std::string preview;
    std::size_t characters = 0;
    int lineEnds = 0;
    text::CharacterIterator it(trimmed);
    while (characters < kPreviewCharacters) {
        const std::optional<std::string_view> character = it.next();
        if (!character) break;
        // Line ends are characters of their own, except CR LF, which holds two of them; each one
        // ends a line, so CR LF leaves an empty line between its two halves.
        bool isLineEnd = false;
        for (std::size_t i = 0; i < character->size();) {
            if (!text::isNewline(text::decodeAt(*character, i))) continue;
            isLineEnd = true;
            if (++lineEnds == 2) return preview;
            preview.push_back('\n');
            ++characters;
        }
        if (!isLineEnd) {
            preview.append(*character);
            ++characters;
        }
    }
    return preview;
}

QString characterCountText(std::string_view text) {
    return QString::number(static_cast<qulonglong>(text::characterCount(text))) +
           QStringLiteral(" characters");
}

QString footerText(const std::optional<Outcome>& outcome) {
    if (!outcome) {
        return QStringLiteral(u"\u2190 \u2192 choose an action   \u00B7   \u21A9 run   \u00B7   esc close");
    }
    if (outcome->isError) {
        return QStringLiteral(u"\u2190 \u2192 pick another action   \u00B7   esc close");
    }
    return QStringLiteral(
        u"\u21A9 copy result & close   \u00B7   \u2190 \u2192 pick another action   \u00B7   esc close");
}

QString closeOnlyFooterText() {
    return QStringLiteral("esc close");
}

void showControlCharacters(QString& text) {
    QChar* c = text.data();
    QChar* const end = c + text.size();
    for (; c != end; ++c) {
        const char16_t u = c->unicode();
        if (u >= 0x20 && u != 0x7F) continue;
        if (u == u'\t' || u == u'\n' || u == u'\r') continue;
        *c = QChar(u == 0x7F ? char16_t(0x2421) : char16_t(0x2400 + u));
    }
}

QString hiddenResultText(std::size_t characters) {
    return QStringLiteral("Hidden: made from a text marked as a password \u00B7 %1 characters")
        .arg(static_cast<qulonglong>(characters));
}

std::string_view shownResultPart(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t cut = limit;
    // Back off continuation bytes so that no code point is split.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return text.substr(0, cut);
}

namespace {
QString sizeText(std::size_t bytes) {
    if (bytes >= 1'000'000) return QStringLiteral("%1 MB").arg(static_cast<qulonglong>((bytes + 500'000) / 1'000'000));
    return QStringLiteral("%1 KB").arg(static_cast<qulonglong>((bytes + 500) / 1000));
}
}  // namespace

QString partlyShownNote(std::size_t shownBytes, std::size_t totalBytes) {
    return QStringLiteral(u"\u2026 Only the first %1 of %2 are shown. \u21A9 copies all of it.")
        .arg(sizeText(shownBytes), sizeText(totalBytes));
}

QString emptyStateText(const QString& shortcut) {
    if (shortcut.isEmpty()) return QStringLiteral("The clipboard has no text. Copy something, then open Tavlets again.");
    return QStringLiteral("The clipboard has no text. Copy something, then press %1.").arg(shortcut);
}

QString readingText() {
    return QStringLiteral(u"Reading the clipboard\u2026");
}

QString notAnsweringText() {
    return QStringLiteral("The app that holds the clipboard isn't answering. Try copying again.");
}

QString tooLargeText() {
    return QStringLiteral("The clipboard holds only HTML, and too much of it (over 64 MB). Copy it as plain text.");
}

QString hiddenPreviewText() {
    return QStringLiteral("Hidden: the app that copied this marked it as a password");
}

QString workingText(int seconds) {
    if (seconds < 1) return QStringLiteral(u"Working\u2026");
    return QStringLiteral(u"Working\u2026 %1 s").arg(seconds);
}

QString busyFooterText() {
    return QStringLiteral(u"\u2190 \u2192 pick another action   \u00B7   esc cancel");
}

}  // namespace tavlets
