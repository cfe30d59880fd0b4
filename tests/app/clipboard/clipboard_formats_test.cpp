#include "clipboard/clipboard_formats.hpp"
#include "clipboard/qt_clipboard.hpp"

#include <QMimeData>

#include <gtest/gtest.h>

#include <map>

#include "panel/case_file.hpp"

namespace tavlets {
namespace {

const std::map<std::string, TextEncoding> kEncodings{
    {"utf8", TextEncoding::utf8}, {"latin1", TextEncoding::latin1}, {"html", TextEncoding::html}};

TEST(ClipboardFormats, PicksTheBestTextFormatOffered) {
    for (const auto& c : testing::caseFile("text_formats.tsv")) {
        const std::optional<TextFormat> got = chooseTextFormat(std::vector(c.begin() + 2, c.end()));
        ASSERT_EQ(got.has_value(), c.at(0) != "-") << c[0];
        if (!got) continue;
        EXPECT_EQ(got->name, c[0]);
        EXPECT_EQ(got->encoding, kEncodings.at(c.at(1))) << c[0];
    }
}

TEST(ClipboardFormats, DecodesEachEncodingToUtf8) {
    for (const auto& c : testing::caseFile("decoded_text.tsv"))
        EXPECT_EQ(decodeClipboardText(c.at(1), kEncodings.at(c.at(2))), std::optional(c.at(3))) << c[0];
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
