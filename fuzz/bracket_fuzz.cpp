// The bracket and quote check on any text: always a report, never an error, and readable text.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const Outcome outcome = BracketCheck::run(text);
    FUZZ_CHECK(!outcome.isError);
    FUZZ_CHECK(!outcome.text.empty());
    if (text::isValidUTF8(text)) FUZZ_CHECK_SHOW(text::isValidUTF8(outcome.text), outcome.text);
    FUZZ_CHECK(BracketCheck::run(text) == outcome);
    return 0;
}
