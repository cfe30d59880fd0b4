// Text mining on any text: units are trimmed and non-empty, the summary is one of the text's own
// units (possibly shortened), and the action-item list always comes back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

namespace {

std::string asSummary(const TextMining::Unit& unit, std::string_view sentence) {
    std::string out;
    if (unit.speaker) out = *unit.speaker + ": ";
    out += sentence;
    return out;
}

bool isSummaryOf(const std::vector<TextMining::Unit>& units, const std::string& summary) {
    for (const auto& unit : units) {
        if (summary == asSummary(unit, unit.text)) return true;
        if (text::characterCount(unit.text) > 320 &&
            summary == asSummary(unit, std::string(text::prefixCharacters(unit.text, 317)) + "\u2026"))
            return true;
    }
    return false;
}

// Runs of characters that are not White_Space, for ASCII text (where a CR LF pair is white anyway).
bool plainASCII(std::string_view s) {
    for (const char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::size_t asciiWordCount(std::string_view s) {
    std::size_t count = 0;
    bool inWord = false;
    for (const char c : s) {
        const bool white = c == ' ' || (c >= '\t' && c <= '\r');
        if (!white && !inWord) ++count;
        inWord = !white;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const bool valid = text::isValidUTF8(text);

    const std::vector<TextMining::Unit> units = TextMining::units(text);
    for (const auto& unit : units) {
        FUZZ_CHECK(!unit.text.empty());
        FUZZ_CHECK_SHOW(text::trim(unit.text) == unit.text, unit.text);
        if (unit.speaker) FUZZ_CHECK(!unit.speaker->empty());
    }

    const Outcome summary = TextMining::tldr(text);
    FUZZ_CHECK(summary.isError == units.empty());
    if (!summary.isError) FUZZ_CHECK_SHOW(isSummaryOf(units, summary.text), summary.text);

    const Outcome items = TextMining::actionItems(text);
    FUZZ_CHECK(!items.text.empty());
    if (valid) FUZZ_CHECK_SHOW(text::isValidUTF8(items.text), items.text);

    const std::size_t words = TextMining::wordCount(text);
    if (plainASCII(text)) FUZZ_CHECK(words == asciiWordCount(text));
    FUZZ_CHECK(words <= text.size());
    FUZZ_CHECK(TextMining::chatLineCount(text) <= text.size());
    FUZZ_CHECK(TextMining::sentenceCount(text) <= text.size());
    for (const auto& word : TextMining::words(text)) FUZZ_CHECK(!word.empty());
    return 0;
}
