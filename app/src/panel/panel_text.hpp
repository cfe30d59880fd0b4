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
