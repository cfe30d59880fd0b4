#pragma once
// Which of the formats a clipboard offers to read as text, and how to turn its bytes into text.
// Shared by the X11 reader (format names are the owner's target atoms) and the Qt clipboard
// (MIME types); the choice itself needs no toolkit.

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavlets {

// How the bytes of a chosen format are to be read.
enum class TextEncoding {
    utf8,    // UTF8_STRING, text/plain with or without a UTF-8 charset
    latin1,  // STRING: ISO 8859-1 by the X11 convention
    html,    // text/html: markup whose text the user means
};

struct TextFormat {
    std::string name;  // as offered
    TextEncoding encoding = TextEncoding::utf8;
};

// The format a password manager adds to mark what it copied; its value is "secret" then.
inline constexpr std::string_view kPasswordHintFormat = "x-kde-passwordManagerHint";

// The best text format among those offered, in this order: UTF8_STRING,
// text/plain;charset=utf-8, text/plain, STRING, text/html. Names match as MIME types do: the
// type and parameter names without regard to case, blanks around ';' and '=' ignored, the
// charset value without regard to case or quotes. nullopt when none is text.
std::optional<TextFormat> chooseTextFormat(const std::vector<std::string>& offered);

// Whether the password hint's value says the content is a secret.
bool marksSecret(std::string_view hintValue);

// Larger HTML is not read: what it holds is rarely text meant to be acted on as a whole.
inline constexpr std::size_t kMaxHtmlBytes = std::size_t(64) << 20;

// The text of an HTML fragment as a browser's copy-as-text gives it: tags, comments, scripts and
// styles dropped, blocks on lines of their own, blanks collapsed outside <pre>, entities decoded.
// One pass, any thread; nullopt once `abort` is seen set.
std::optional<std::string> plainTextOfHtml(std::string_view html, const std::atomic<bool>* abort = nullptr);

// The clipboard bytes of a format as UTF-8 text. Valid UTF-8 comes back unchanged; ill-formed
// bytes become U+FFFD. HTML in UTF-16 (with a byte order mark, as some browsers offer it) is
// recognised. Any thread; nullopt when `abort` was set meanwhile.
std::optional<std::string> decodeClipboardText(std::string bytes, TextEncoding encoding,
                                               const std::atomic<bool>* abort = nullptr);

}  // namespace tavlets
