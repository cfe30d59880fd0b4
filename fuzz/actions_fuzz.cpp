// The whole road on any clipboard text: classification, then every offered action.

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/actions.hpp>
#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const bool valid = text::isValidUTF8(text);

    const Analysis analysis = Analysis::of(text);
    const int facets = (analysis.json != Analysis::JSONState::none) + analysis.delimiter.has_value() +
                       analysis.isCode + analysis.isLongText;
    FUZZ_CHECK(facets <= 1);
    FUZZ_CHECK(!analysis.label().empty());
    FUZZ_CHECK(Analysis::of(text) == analysis);
    // Classification looks at the trimmed text only.
    FUZZ_CHECK(Analysis::of(text::trim(text)) == analysis);

    const std::vector<Tavlet> actions = ActionCatalog::actions(analysis);
    FUZZ_CHECK(actions.size() >= 9);
    std::set<std::string> ids;
    for (const Tavlet& action : actions) {
        FUZZ_CHECK_SHOW(ids.insert(action.id).second, action.id);
        FUZZ_CHECK(action.run);
        const Outcome outcome = action.run(text);
        if (valid) FUZZ_CHECK_SHOW(text::isValidUTF8(outcome.text), action.id + ": " + outcome.text);
        // The groups offered for a classification can do their work on that text.
        if (action.id == "json.format" || action.id == "json.minify")
            FUZZ_CHECK_SHOW(outcome.isError == (analysis.json == Analysis::JSONState::invalid), action.id);
        if (action.id == "csv.md" || action.id == "csv.json" || action.id == "code.brackets" ||
            action.id == "json.error")
            FUZZ_CHECK_SHOW(!outcome.isError, action.id + ": " + outcome.text);
        if (action.id == "json.error")
            FUZZ_CHECK((outcome.text.rfind("\u2713 Valid JSON", 0) == 0) == (analysis.json == Analysis::JSONState::valid));
    }
    return 0;
}
