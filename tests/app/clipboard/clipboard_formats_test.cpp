#include "clipboard/clipboard_formats.hpp"
#include "clipboard/qt_clipboard.hpp"

#include <QMimeData>

#include <gtest/gtest.h>

#include <map>

#include "test_cases.hpp"

namespace tavlets {
namespace {

const std::map<std::string, TextEncoding> kEncodings{
    {"utf8", TextEncoding::utf8}, {"latin1", TextEncoding::latin1}, {"html", TextEncoding::html}};

TEST(ClipboardFormats, PicksTheBestTextFormatOffered) {
    for (const auto& c : readCases("app/text_formats.tsv")) {
        const std::optional<TextFormat> got = chooseTextFormat(std::vector(c.begin() + 2, c.end()));
        ASSERT_EQ(got.has_value(), c.at(0) != "-") << c[0];
        if (!got) continue;
        EXPECT_EQ(got->name, c[0]);
        EXPECT_EQ(got->encoding, kEncodings.at(c.at(1))) << c[0];
    }
}

TEST(ClipboardFormats, DecodesEachEncodingToUtf8) {
    for (const auto& c : readCases("app/decoded_text.tsv"))
        EXPECT_EQ(decodeClipboardText(c.at(1), kEncodings.at(c.at(2))), std::optional(c.at(3))) << c[0];
}

TEST(ClipboardFormats, OnlyTheSecretValueMarksAPassword) {
    for (const std::string_view value : std::vector<std::string_view>{"secret", "secret\n", {"secret\0", 7}, " secret "}) {
        EXPECT_TRUE(marksSecret(value)) << value;
    }
    for (const std::string_view value : {"", "Secret", "not secret", "secrets", "1"}) EXPECT_FALSE(marksSecret(value)) << value;
}

TEST(ClipboardFormats, MimeDataReadsLikeTheX11Reader) {
    for (const auto& c : readCases("app/mime_data.tsv")) {
        QMimeData data;
        for (std::size_t i = 3; i + 1 < c.size(); i += 2)
            data.setData(QString::fromStdString(c[i]), QByteArray::fromStdString(c[i + 1]));
        const ClipboardRead read = c.at(1) == "-" ? ClipboardRead{} : ClipboardRead{ClipboardRead::Status::text, c[1], c.at(2) == "1"};
        EXPECT_EQ(readMimeData(&data), read) << c[0];
    }
    EXPECT_EQ(readMimeData(nullptr), ClipboardRead{});

    QMimeData huge;
    huge.setData("text/html", QByteArray(qsizetype(kMaxHtmlBytes + 1), 'x'));
    EXPECT_EQ(readMimeData(&huge).status, ClipboardRead::Status::tooLarge);
}

}  // namespace
}  // namespace tavlets
