#include "clipboard/clipboard_formats.hpp"
#include "clipboard/qt_clipboard.hpp"

#include <QMimeData>

#include <gtest/gtest.h>

#include <map>

#include "panel/case_file.hpp"

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
    const std::map<std::string, TextEncoding> encodings{
        {"utf8", TextEncoding::utf8}, {"latin1", TextEncoding::latin1}, {"html", TextEncoding::html}};
    for (const auto& c : testing::caseFile("decoded_text.tsv"))
        EXPECT_EQ(decodeClipboardText(c.at(1), encodings.at(c.at(2))), std::optional(c.at(3))) << c[0];
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
