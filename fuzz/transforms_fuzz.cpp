// The nine text transforms on any text: new text is always valid UTF-8, Base64 round-trips, trim
// is idempotent and the statistics have their four lines.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <tavlets/text.hpp>
#include <tavlets/transforms.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const bool valid = text::isValidUTF8(text);

    // Case changes write U+FFFD for ill-formed bytes, so their output is valid whatever came in.
    for (const Outcome& cased : {transforms::uppercase(text), transforms::lowercase(text), transforms::titleCase(text)}) {
        FUZZ_CHECK(!cased.isError);
        FUZZ_CHECK_SHOW(text::isValidUTF8(cased.text), cased.text);
    }
    const std::string sentence = transforms::sentenceCase(text);
    FUZZ_CHECK_SHOW(text::isValidUTF8(sentence), sentence);
    FUZZ_CHECK(sentence.empty() == text.empty());

    const std::string trimmed = transforms::trim(text);
    FUZZ_CHECK_SHOW(transforms::trim(trimmed) == trimmed, trimmed);
    FUZZ_CHECK(trimmed.size() <= text.size());
    if (valid) FUZZ_CHECK_SHOW(text::isValidUTF8(trimmed), trimmed);

    const std::string stats = transforms::stats(text);
    FUZZ_CHECK_SHOW(std::count(stats.begin(), stats.end(), '\n') == 3, stats);
    FUZZ_CHECK_SHOW(stats.find("\nReading time: ") != std::string::npos, stats);

    const Outcome url = transforms::urlDecode(text);
    if (!url.isError) {
        FUZZ_CHECK(url.mono);
        FUZZ_CHECK_SHOW(text::isValidUTF8(url.text), url.text);
    } else {
        FUZZ_CHECK(url.text == "That text has an invalid % escape and can't be URL-decoded.");
    }

    const Outcome encoded = transforms::base64Encode(text);
    FUZZ_CHECK(!encoded.isError && encoded.mono);
    FUZZ_CHECK(encoded.text.size() % 4 == 0);
    const Outcome decoded = transforms::base64Decode(encoded.text);
    if (text.empty()) {
        FUZZ_CHECK(decoded.isError && decoded.text == "That isn't valid Base64.");
    } else if (valid) {
        FUZZ_CHECK(!decoded.isError);
        FUZZ_CHECK_SHOW(decoded.text == text, decoded.text);
    } else {
        FUZZ_CHECK(decoded.isError);
        FUZZ_CHECK_SHOW(decoded.text == "Decoded " + std::to_string(text.size()) + " bytes, but they aren't UTF-8 text.",
                        decoded.text);
    }

    const Outcome direct = transforms::base64Decode(text);
    if (!direct.isError) FUZZ_CHECK_SHOW(text::isValidUTF8(direct.text), direct.text);
    return 0;
}
