#include "panel/panel_text.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tavlets {
namespace {

struct PreviewCase {
    const char* name;
    std::string text;
    std::string preview;
};

TEST(PanelPreview, KeepsTheFirstTwoLinesOfTheTrimmedText) {
    const PreviewCase cases[] = {
        {"blank lines around", "  \n\nfirst\nsecond\nthird  ", "first\nsecond"},
        {"one line", "hello", "hello"},
        {"CR LF leaves an empty line between its halves", "a\r\nb\r\nc", "a\n"},
        {"lone CR", "a\rb\rc", "a\nb"},
        {"unicode line ends", "a\u2028b\u2029c", "a\nb"},
        {"next line character", "a\u0085b\u0085c", "a\nb"},
        {"empty second line", "a\n\nb", "a\n"},
        {"tabs kept inside", "\tx\ty\t", "x\ty"},
        {"blank", " \n\t ", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(previewText(c.text), c.preview) << c.name;
    }
}

TEST(PanelPreview, StopsAt240Characters) {
    const std::string line(1000, 'x');
    EXPECT_EQ(previewText(line), std::string(240, 'x'));
    // Characters, not bytes: a letter with a combining accent is one character.
    std::string accented;
    for (int i = 0; i < 300; ++i) accented += "e\xCC\x81";
    EXPECT_EQ(previewText(accented).size(), 240u * 3);
    // The line feed joining the two lines counts too.
    const std::string twoLines = std::string(239, 'a') + "\n" + std::string(10, 'b');
    EXPECT_EQ(previewText(twoLines), std::string(239, 'a') + "\n");
}

TEST(PanelPreview, ReadsOnlyAsFarAsItNeeds) {
    // A huge text with an invalid byte far past the preview must neither be scanned nor matter.
    std::string big = "first\nsecond\n" + std::string(5'000'000, 'z') + "\xFF";
    EXPECT_EQ(previewText(big), "first\nsecond");
    EXPECT_EQ(previewText("\xFF" "abc"), "\xFF" "abc");
}

TEST(PanelHeader, CountsUserPerceivedCharactersOfTheUntrimmedText) {
    const struct {
        std::string text;
        QString shown;
    } cases[] = {
        {"  \n\nfirst\nsecond\nthird  ", "24 characters"},
        {"x", "1 characters"},
        {"a\r\nb", "3 characters"},
        {"e\xCC\x81", "1 characters"},
        {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", "1 characters"},
        {"", "0 characters"},
        {std::string(12345, 'q'), "12345 characters"},
    };
    for (const auto& c : cases) EXPECT_EQ(characterCountText(c.text), c.shown) << c.text;
}

TEST(PanelFooter, NamesTheKeysThatWorkNow) {
    const QString dot = QStringLiteral("   \u00B7   ");
    EXPECT_EQ(footerText(std::nullopt),
              QStringLiteral(u"\u2190 \u2192 choose an action") + dot +
                  QStringLiteral(u"\u21A9 run") + dot + QStringLiteral("esc close"));
    EXPECT_EQ(footerText(Outcome{"ok", false, false}),
              QStringLiteral(u"\u21A9 copy result & close") + dot +
                  QStringLiteral(u"\u2190 \u2192 pick another action") + dot +
                  QStringLiteral("esc close"));
    EXPECT_EQ(footerText(Outcome{"bad", true, true}),
              QStringLiteral(u"\u2190 \u2192 pick another action") + dot +
                  QStringLiteral("esc close"));
}

}  // namespace
}  // namespace tavlets
