// The text layer on any bytes: characters tile the text, decoding agrees in both directions,
// ranges stay inside the text, Base64 round-trips bytes, and the regular expressions finish.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

namespace {

void checkRanges(const std::vector<text::Range>& ranges, std::size_t size) {
    std::size_t last = 0;
    for (const auto& r : ranges) {
        FUZZ_CHECK(r.begin >= last);
        FUZZ_CHECK(r.begin < r.end);
        FUZZ_CHECK(r.end <= size);
        last = r.end;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view s = fuzz::asText(data, size);
    const bool valid = text::isValidUTF8(s);

    // Characters are consecutive non-empty slices that cover the whole text.
    std::size_t count = 0;
    std::size_t at = 0;
    {
        text::CharacterIterator it(s);
        while (auto c = it.next()) {
            FUZZ_CHECK(!c->empty());
            FUZZ_CHECK(c->data() == s.data() + at);
            at += c->size();
            FUZZ_CHECK(it.position() == at);
            ++count;
            if (count == 3) FUZZ_CHECK(text::prefixCharacters(s, 3).size() == at);
        }
    }
    FUZZ_CHECK(at == s.size());
    FUZZ_CHECK(text::characterCount(s) == count);
    FUZZ_CHECK(text::prefixCharacters(s, count) == s);

    // Forward and backward decoding visit the same code point starts.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < s.size();) {
        starts.push_back(i);
        const std::size_t before = i;
        const char32_t c = text::decodeAt(s, i);
        FUZZ_CHECK(i > before && i <= s.size());
        FUZZ_CHECK(c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF));
    }
    for (std::size_t i = s.size(), k = starts.size(); i > 0;) {
        text::decodeBefore(s, i);
        FUZZ_CHECK(k > 0);
        FUZZ_CHECK_SHOW(i == starts[--k], s);
    }

    const std::string repaired = text::toValidUTF8(s);
    FUZZ_CHECK(text::isValidUTF8(repaired));
    if (valid) FUZZ_CHECK(repaired == s);

    const std::string_view trimmed = text::trim(s);
    FUZZ_CHECK(trimmed.data() >= s.data() && trimmed.data() + trimmed.size() <= s.data() + s.size());
    FUZZ_CHECK(text::trim(trimmed) == trimmed);

    std::size_t lineBytes = 0;
    const auto lines = text::splitLines(s);
    FUZZ_CHECK(!lines.empty());
    for (const auto& line : lines) lineBytes += line.size();
    FUZZ_CHECK(lineBytes <= s.size());

    for (const std::string& mapped : {text::uppercased(s), text::lowercased(s), text::capitalized(s)})
        FUZZ_CHECK_SHOW(text::isValidUTF8(mapped), mapped);

    checkRanges(text::sentenceRanges(s), s.size());
    checkRanges(text::wordRanges(s), s.size());

    if (const auto decoded = text::percentDecode(s)) FUZZ_CHECK(text::isValidUTF8(*decoded));
    const auto bytes = text::base64Decode(text::base64Encode(s));
    FUZZ_CHECK(bytes && *bytes == s);

    // Patterns with nested quantifiers: the limits must stop them, not the fuzzer's timeout.
    static const text::Regex nested("^(\\w+\\s?)+$");
    static const text::Regex alternation("(a|aa)+b", true);
    for (const text::Regex* regex : {&nested, &alternation}) {
        if (const auto m = regex->firstMatch(s)) FUZZ_CHECK(m->begin <= m->end && m->end <= s.size());
    }
    return 0;
}
