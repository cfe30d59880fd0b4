// The JSON engine on any bytes: a tree prints back to itself, an error points into the input and
// its report names the line and column of that byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <tavlets/json.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

namespace {

// The input with JSON whitespace outside strings removed: what minify must give for a valid
// document, since every token is kept exactly as written.
std::string withoutStructuralWhitespace(std::string_view s) {
    std::string out;
    bool inString = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (inString) {
            out += c;
            if (c == '\\' && i + 1 < s.size()) out += s[++i];
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
            out += c;
        } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
            out += c;
        }
    }
    return out;
}

bool startsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

void checkTree(std::string_view text, const JSONNode& tree) {
    const std::string minified = JSONTools::minify(tree);
    FUZZ_CHECK_SHOW(minified == withoutStructuralWhitespace(text), minified);

    const JSONParseResult again = JSONParser::parse(minified);
    FUZZ_CHECK_SHOW(again.ok(), minified);
    FUZZ_CHECK(JSONTools::minify(again.node()) == minified);

    for (int indent : {0, 2}) {
        const std::string pretty = JSONTools::pretty(tree, indent);
        const JSONParseResult reparsed = JSONParser::parse(pretty);
        FUZZ_CHECK_SHOW(reparsed.ok(), pretty);
        FUZZ_CHECK_SHOW(JSONTools::minify(reparsed.node()) == minified, pretty);
        FUZZ_CHECK(pretty.empty() || pretty.back() != '\n');
    }
}

void checkError(std::string_view text, const JSONSyntaxError& error) {
    FUZZ_CHECK(error.offset >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(error.offset) <= text.size());
    FUZZ_CHECK(!error.message.empty());

    const std::size_t at = static_cast<std::size_t>(error.offset);
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < at; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    // Code points begin at every byte that is not a continuation byte.
    std::size_t column = 1;
    for (std::size_t i = lineStart; i < at; ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
    }

    const std::string report = JSONTools::describe(error, text);
    const std::string heading =
        "Syntax error at line " + std::to_string(line) + ", column " + std::to_string(column) + "\n";
    FUZZ_CHECK_SHOW(startsWith(report, heading), report);
    FUZZ_CHECK_SHOW(startsWith(std::string_view(report).substr(heading.size()), error.message + "\n\n"), report);
    FUZZ_CHECK_SHOW(tavlets::text::isValidUTF8(report), report);

    // The excerpt line after the gutter, then the caret line: spaces and a final "^".
    const std::string_view rest = std::string_view(report).substr(heading.size() + error.message.size() + 2);
    const std::size_t newline = rest.find('\n');
    FUZZ_CHECK_SHOW(newline != std::string_view::npos, report);
    const std::string gutter = std::to_string(line) + " | ";
    FUZZ_CHECK_SHOW(startsWith(rest, gutter), report);
    const std::string_view caret = rest.substr(newline + 1);
    FUZZ_CHECK_SHOW(!caret.empty() && caret.back() == '^', report);
    FUZZ_CHECK_SHOW(caret.find_first_not_of(' ') == caret.size() - 1, report);
    FUZZ_CHECK_SHOW(caret.size() - 1 >= gutter.size(), report);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const JSONParseResult result = JSONParser::parse(text);
    if (result) {
        checkTree(text, result.node());
    } else {
        checkError(text, result.error());
    }

    // Any text quotes to one string token that parses back to itself.
    const std::string quoted = JSONTools::quote(text);
    const JSONParseResult token = JSONParser::parse(quoted);
    FUZZ_CHECK_SHOW(token.ok(), quoted);
    FUZZ_CHECK(token.node().kind() == JSONNode::Kind::leaf && token.node().text() == quoted);
    if (tavlets::text::isValidUTF8(text)) FUZZ_CHECK_SHOW(tavlets::text::isValidUTF8(quoted), quoted);
    return 0;
}
