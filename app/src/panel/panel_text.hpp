#pragma once
// The texts the panel derives from the model: the preview, the character count and the footer
// hints. Kept apart from the widgets so they can be checked without a window.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

#include <tavlets/actions.hpp>

namespace tavlets {

inline constexpr std::size_t kPreviewCharacters = 240;

// The first two lines of the trimmed text joined by one line feed, at most 240 characters.
// Reads only as far into the text as the preview needs.
std::string previewText(std::string_view text);
// "N characters", N counting user-perceived characters of the untrimmed text.
QString characterCountText(std::string_view text);
// The keyboard hint for the current result (none, a result, or an error).
QString footerText(const std::optional<Outcome>& outcome);
// The keyboard hint where there is nothing to choose or run: no text, reading, not answering.
QString closeOnlyFooterText();

// Control characters other than tab and line ends draw as nothing, and a NUL cuts the text short
// in some widgets; each is shown as its control picture instead (U+2400 to U+2421), as editors
// do. Only for display: what is copied keeps the real characters.
void showControlCharacters(QString& text);

// In place of a result made from a password: that it is there and how long it is.
QString hiddenResultText(std::size_t characters);

// How much of a huge result is shown; the rest is copied but not laid out.
inline constexpr std::size_t kShownResultBytes = 1'000'000;
// The first `limit` bytes of `text` at most, cut before a character that would be split.
std::string_view shownResultPart(std::string_view text, std::size_t limit = kShownResultBytes);
// The note under a result that is shown only in part.
QString partlyShownNote(std::size_t shownBytes, std::size_t totalBytes);

// "…then press <shortcut>." naming the shortcut that opens the panel; without one (a session with no
// global shortcut), it tells the user to open Tavlets again instead.
QString emptyStateText(const QString& shortcut = QStringLiteral("Alt+Space"));

// While the clipboard's text is on its way.
QString readingText();
// When the app holding the clipboard did not deliver it.
QString notAnsweringText();
QString tooLargeText();
// In place of the preview of a text a password manager marked as a password.
QString hiddenPreviewText();
// While an action takes long: "Working…", then with the whole seconds spent.
QString workingText(int seconds);
// The keyboard hint while an action is working.
QString busyFooterText();

}  // namespace tavlets
