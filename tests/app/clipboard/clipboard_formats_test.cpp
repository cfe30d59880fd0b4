#include "clipboard/clipboard_formats.hpp"
#include "clipboard/qt_clipboard.hpp"

#include <QMimeData>

#include <gtest/gtest.h>

namespace tavlets {
namespace {

TEST(ClipboardFormats, PicksTheBestTextFormatOffered) {
    const struct { std::vector<std::string> offered; std::optional<std::string> chosen; TextEncoding encoding; } cases[] = {
        {{"TARGETS", "text/html", "STRING", "text/plain", "UTF8_STRING"}, "UTF8_STRING", TextEncoding::utf8},
        {{"text/plain", "text/plain;charset=utf-8"}, "text/plain;charset=utf-8", TextEncoding::utf8},
        {{"TEXT", "text/plain; charset=\"UTF-8\""}, "text/plain; charset=\"UTF-8\"", TextEncoding::utf8},
        {{"STRING", "text/plain"}, "text/plain", TextEncoding::utf8},
        {{"text/html", "STRING"}, "STRING", TextEncoding::latin1},
        {{"TARGETS", "text/html;charset=utf-8"}, "text/html;charset=utf-8", TextEncoding::html},
        {{"Text/HTML"}, "Text/HTML", TextEncoding::html},
        // Not text, or text in a charset that is not read here.
        {{"TARGETS", "image/png", "text/uri-list", "x-kde-passwordManagerHint"}, std::nullopt, TextEncoding::utf8},
        {{"text/plain;charset=utf-16", "text/plainfoo", "utf8_string"}, std::nullopt, TextEncoding::utf8},
        {{}, std::nullopt, TextEncoding::utf8},
    };
    for (const auto& c : cases) {
        const std::optional<TextFormat> got = chooseTextFormat(c.offered);
        ASSERT_EQ(got.has_value(), c.chosen.has_value()) << c.offered.size();
        if (!got) continue;
        EXPECT_EQ(got->name, *c.chosen);
        EXPECT_EQ(got->encoding, c.encoding) << *c.chosen;
    }
}

TEST(ClipboardFormats, DecodesEachEncodingToUtf8) {
    const struct { const char* name; std::string bytes; TextEncoding encoding; std::string text; } cases[] = {
        {"valid UTF-8 as it is", "caf\xc3\xa9 \xf0\x9f\x98\x80\r\n\0x", TextEncoding::utf8, "caf\xc3\xa9 \xf0\x9f\x98\x80\r\n\0x"},
        {"ill-formed bytes", "a\xff" "b\xc3", TextEncoding::utf8, "a\xef\xbf\xbd" "b\xef\xbf\xbd"},
        {"Latin-1", "caf\xe9 \xa0!", TextEncoding::latin1, "caf\xc3\xa9 \xc2\xa0!"},
        {"HTML inline", "<p>Hello <b>w&ouml;rld</b>&nbsp;&amp; more</p>", TextEncoding::html, "Hello w\xc3\xb6rld & more"},
        {"HTML blocks", "<div>one</div><p>two<br>three</p><ul><li>four</li></ul>", TextEncoding::html,
         "one\ntwo\nthree\nfour"},
        {"browser fragment", "<meta charset='utf-8'><style>b{}</style><span>x &lt; y</span>", TextEncoding::html, "x < y"},
        {"HTML in UTF-16", std::string("\xff\xfe<\0b\0>\0\xe9\0<\0/\0b\0>\0", 16), TextEncoding::html, "\xc3\xa9"},
        {"HTML in UTF-16 BE", std::string("\xfe\xff\0<\0p\0>\0z", 10), TextEncoding::html, "z"},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeClipboardText(c.bytes, c.encoding), std::optional<std::string>(c.text)) << c.name;
}

TEST(ClipboardFormats, OnlyTheSecretValueMarksAPassword) {
    for (const std::string_view value : std::vector<std::string_view>{"secret", "secret\n", {"secret\0", 7}, " secret "}) {
        EXPECT_TRUE(marksSecret(value)) << value;
    }
    for (const std::string_view value : {"", "Secret", "not secret", "secrets", "1"}) EXPECT_FALSE(marksSecret(value)) << value;
}

TEST(ClipboardFormats, MimeDataReadsLikeTheX11Reader) {
    struct Format { QString name; QByteArray data; };
    const struct { const char* name; std::vector<Format> formats; ClipboardRead read; } cases[] = {
        {"charset-labelled only", {{"text/plain;charset=utf-8", "{\"a\":1}"}}, ClipboardRead::of("{\"a\":1}")},
        {"HTML only", {{"text/html", "<b>bold</b> text"}}, ClipboardRead::of("bold text")},
        {"plain before HTML", {{"text/html", "<b>x</b>"}, {"text/plain", "plain"}}, ClipboardRead::of("plain")},
        {"password", {{"text/plain", "pw"}, {"x-kde-passwordManagerHint", "secret"}},
         ClipboardRead{ClipboardRead::Status::text, "pw", true}},
        {"hint with another value", {{"text/plain", "pw"}, {"x-kde-passwordManagerHint", "public"}}, ClipboardRead::of("pw")},
        {"image only", {{"image/png", "\x89PNG"}}, ClipboardRead{}},
        {"empty text", {{"text/plain", ""}}, ClipboardRead{}},
    };
    for (const auto& c : cases) {
        QMimeData data;
        for (const Format& f : c.formats) data.setData(f.name, f.data);
        EXPECT_EQ(readMimeData(&data), c.read) << c.name;
    }
    EXPECT_EQ(readMimeData(nullptr), ClipboardRead{});

    QMimeData huge;
    huge.setData("text/html", QByteArray(qsizetype(kMaxHtmlBytes + 1), 'x'));
    EXPECT_EQ(readMimeData(&huge).status, ClipboardRead::Status::tooLarge);
}

}  // namespace
}  // namespace tavlets
