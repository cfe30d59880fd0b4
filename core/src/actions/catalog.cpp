#include <tavlets/actions.hpp>

#include <string>
#include <string_view>
#include <utility>

#include <tavlets/bracket_check.hpp>
#include <tavlets/delimited.hpp>
#include <tavlets/json.hpp>
#include <tavlets/text.hpp>
#include <tavlets/text_mining.hpp>
#include <tavlets/transforms.hpp>

namespace tavlets {
namespace {

using Run = std::function<Outcome(std::string_view)>;

std::string_view trimmed(std::string_view text) {
    return text::trim(text, text::CharClass::whitespaceAndNewlines);
}

// "Format as JSON" and "Minify": the printed tree, or the positioned report behind a pointer to
// the action that explains it.
template <typename Print>
Outcome printJSON(std::string_view text, Print print) {
    const std::string_view t = trimmed(text);
    const JSONParseResult parsed = JSONParser::parse(t);
    if (parsed) return Outcome{print(parsed.node()), false, true};
    return Outcome{"This isn't valid JSON yet. Use \u201CFind syntax error\u201D to see where.\n\n" +
                       JSONTools::describe(parsed.error(), t),
                   true, true};
}

Outcome findSyntaxError(std::string_view text) {
    const std::string_view t = trimmed(text);
    const JSONParseResult parsed = JSONParser::parse(t);
    if (parsed) return Outcome{"\u2713 Valid JSON \u2014 no syntax errors found.", false, false};
    // The report is what was asked for, not a failure: it can be copied.
    return Outcome{JSONTools::describe(parsed.error(), t), false, true};
}

Outcome tableAsMarkdown(std::string_view text, char delimiter) {
    const Delimited::Rows rows = Delimited::parse(trimmed(text), delimiter);
    // Detection guarantees rows for the text the list was built for, but a Markdown table needs a
    // header row, so a list run on other text must not hand the printer an empty table.
    if (rows.empty()) return Outcome{"There's no table here to convert.", true, false};
    return Outcome{Delimited::markdown(rows), false, true};
}

Outcome tableAsJSON(std::string_view text, char delimiter) {
    return Outcome{Delimited::json(Delimited::parse(trimmed(text), delimiter)), false, true};
}

Outcome plain(std::string text) { return Outcome{std::move(text), false, false}; }

void add(std::vector<Tavlet>& list, const char* id, const char* title, const char* symbol, Run run) {
    list.push_back(Tavlet{id, title, symbol, std::move(run)});
}

}  // namespace

std::vector<Tavlet> ActionCatalog::actions(const Analysis& analysis) {
    std::vector<Tavlet> list;
    list.reserve(17);

    if (analysis.json != Analysis::JSONState::none) {
        add(list, "json.format", "Format as JSON", "text.alignleft", [](std::string_view text) {
            return printJSON(text, [](const JSONNode& node) { return JSONTools::pretty(node, 0); });
        });
        add(list, "json.minify", "Minify", "arrow.down.right.and.arrow.up.left", [](std::string_view text) {
            return printJSON(text, [](const JSONNode& node) { return JSONTools::minify(node); });
        });
        add(list, "json.error", "Find syntax error", "exclamationmark.magnifyingglass", findSyntaxError);
    }

    if (analysis.delimiter) {
        // Fixed now, so the run converts exactly the table that was detected.
        const char delimiter = *analysis.delimiter;
        add(list, "csv.md", "Make a Markdown table", "tablecells",
            [delimiter](std::string_view text) { return tableAsMarkdown(text, delimiter); });
        add(list, "csv.json", "Make JSON", "curlybraces",
            [delimiter](std::string_view text) { return tableAsJSON(text, delimiter); });
    }

    if (analysis.isLongText) {
        add(list, "text.tldr", "1-sentence TL;DR", "text.quote",
            [](std::string_view text) { return TextMining::tldr(text); });
        add(list, "text.actions", "Action items", "checklist",
            [](std::string_view text) { return TextMining::actionItems(text); });
    }

    if (analysis.isCode) {
        add(list, "code.brackets", "Find unbalanced brackets & quotes", "chevron.left.forwardslash.chevron.right",
            [](std::string_view text) { return BracketCheck::run(text); });
    }

    add(list, "case.upper", "UPPERCASE", "textformat.size.larger", transforms::uppercase);
    add(list, "case.lower", "lowercase", "textformat.size.smaller", transforms::lowercase);
    add(list, "case.title", "Title Case", "textformat", transforms::titleCase);
    add(list, "case.sentence", "Sentence case", "textformat.abc",
        [](std::string_view text) { return plain(transforms::sentenceCase(text)); });
    add(list, "trim", "Trim whitespace", "scissors",
        [](std::string_view text) { return plain(transforms::trim(text)); });
    add(list, "count", "Count words", "number",
        [](std::string_view text) { return plain(transforms::stats(text)); });
    add(list, "url.decode", "URL decode", "link", transforms::urlDecode);
    add(list, "b64.encode", "Base64 encode", "lock", transforms::base64Encode);
    add(list, "b64.decode", "Base64 decode", "lock.open", transforms::base64Decode);
    return list;
}

}  // namespace tavlets
