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
