#include "code/character_splitter.hpp"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tavlets::code {
namespace {

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
        "\xD8\x80" "1" + quiet + "\xD8\x80\r\n" + quiet,  // a prepended mark takes the next character
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(testing::PrintToString(text));
        // Characters as the offsets where they end.
        const auto end = [&](std::string_view c) { return static_cast<std::size_t>(c.data() - text.data()) + c.size(); };
        std::vector<std::size_t> expected;
        text::CharacterIterator it(text);
        while (auto c = it.next()) expected.push_back(end(*c));

        std::vector<std::size_t> walked;
        forEachCharacter(text, [&](std::string_view c) { walked.push_back(end(c)); });
        EXPECT_EQ(walked, expected);

        for (const std::size_t batch : {1u, 2u, 3u, 7u}) {
            CharacterSplitter splitter(text);
            std::vector<std::size_t> ends;
            while (!splitter.done() && splitter.fill(ends, batch) > 0) {}
            EXPECT_EQ(ends, expected) << batch;
        }
    }
}

}  // namespace
}  // namespace tavlets::code
