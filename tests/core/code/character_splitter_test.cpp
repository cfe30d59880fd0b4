#include "code/character_splitter.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets::code {
namespace {

std::vector<std::string_view> reference(std::string_view text) {
    std::vector<std::string_view> out;
    text::CharacterIterator it(text);
    while (auto c = it.next()) out.push_back(*c);
    return out;
}

std::vector<std::string_view> inBatches(std::string_view text, std::size_t batch) {
    CharacterSplitter splitter(text);
    std::vector<std::size_t> ends;
    while (!splitter.done()) {
        if (splitter.fill(ends, batch) == 0) break;
    }
    std::vector<std::string_view> out;
    std::size_t begin = 0;
    for (const std::size_t end : ends) {
        out.push_back(text.substr(begin, end - begin));
        begin = end;
    }
    return out;
}

// The splitter must cut exactly where the grapheme iterator does, wherever ASCII stretches and
// non-ASCII regions meet, and whatever the batch size.
TEST(CharacterSplitter, CutsLikeTheGraphemeIterator) {
    const std::string quiet(300, 'x');
    const std::vector<std::string> texts = {
        "",
        "plain ascii\r\nwith CR LF\rand a lone CR",
        "e\xCC\x81" "a\xCC\x81\r\n\xCC\x81",   // marks after letters and after CR LF
        "(\xCC\x81)",                        // a bracket carrying a mark
        "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD \xF0\x9F\x87\xAB\xF0\x9F\x87\xB7\xF0\x9F\x87\xAB",  // skin tone, flags
        "\xD8\x80" "1 \xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7",  // a prepended mark, a conjunct
        "\xFF\xFE a \xC3",                   // ill-formed bytes
        "caf\xC3\xA9" + quiet + "e\xCC\x81" + quiet + "\r\n" + quiet + "\xC3\xA9\r\n\xCC\x81",
        quiet + "\r" + "\n" + "\xCC\x81" + quiet + "\xE2\x80\xA8" + quiet,
    };
    for (const std::string& text : texts) {
        const auto expected = reference(text);
        std::vector<std::string_view> walked;
        forEachCharacter(text, [&](std::string_view c) { walked.push_back(c); });
        EXPECT_EQ(walked, expected) << text;
        for (std::size_t batch : {1u, 2u, 3u, 7u}) EXPECT_EQ(inBatches(text, batch), expected) << text << batch;
    }
}

}  // namespace
}  // namespace tavlets::code
