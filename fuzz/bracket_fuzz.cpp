// The bracket and quote check on any text: always a report, never an error, readable text, and
// for plain ASCII text (where every byte is one character) the same report as a straightforward
// second implementation of the rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/bracket_check.hpp>
#include <tavlets/text.hpp>

#include "fuzz_support.hpp"

using namespace tavlets;

namespace {

// The rules written out plainly, one byte per character. Valid for ASCII text without carriage
// returns, where characters and bytes coincide and no line-end convention is in question.
std::string reference(std::string_view s) {
    std::size_t i = 0;
    std::size_t line = 1;
    std::size_t col = 0;
    bool blank = true;
    struct Open { char c; std::size_t line, col; };
    std::vector<Open> stack;
    std::vector<std::string> problems;
    const auto at = [&](std::size_t k) { return i + k < s.size() ? s[i + k] : '\0'; };
    const auto has = [&](std::size_t k) { return i + k < s.size(); };
    const auto advance = [&] {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            col = 0;
            blank = true;
        } else {
            ++col;
            blank = blank && (c == ' ' || c == '\t' || c == '\v' || c == '\f');
        }
        ++i;
    };
    const auto closerOf = [](char c) { return c == '(' ? ')' : c == '[' ? ']' : '}'; };
    const auto pos = [](std::size_t l, std::size_t c) { return std::to_string(l) + ", column " + std::to_string(c); };
    while (i < s.size()) {
        const char c = s[i];
        if (c == '/' && has(1) && at(1) == '/') {
            while (i < s.size() && s[i] != '\n') advance();
        } else if (c == '/' && has(1) && at(1) == '*') {
            advance();
            advance();
            while (i < s.size() && !(s[i] == '*' && has(1) && at(1) == '/')) advance();
            if (i >= s.size()) break;
            advance();
            advance();
        } else if (c == '#' && has(1) && (at(1) == ' ' || (at(1) == '!' && blank))) {
            while (i < s.size() && s[i] != '\n') advance();
        } else if (c == '"' || c == '\'' || c == '`') {
            const std::size_t ol = line, oc = col + 1;
            if (c != '`' && has(2) && at(1) == c && at(2) == c) {
                advance(); advance(); advance();
                bool closed = false;
                while (i < s.size()) {
                    if (s[i] == c && has(2) && at(1) == c && at(2) == c) {
                        advance(); advance(); advance();
                        closed = true;
                        break;
                    }
                    if (s[i] == '\\') {
                        advance();
                        if (i < s.size()) advance();
                    } else {
                        advance();
                    }
                }
                if (!closed) {
                    problems.push_back("Unclosed triple quote " + std::string(3, c) + " opened at line " + pos(ol, oc));
                    break;
                }
                continue;
            }
            advance();
            bool closed = false;
            bool lineEnd = false;
            while (i < s.size()) {
                if (s[i] == '\\') {
                    advance();
                    if (i < s.size() && s[i] != '\n') advance();
                } else if (s[i] == c) {
                    advance();
                    closed = true;
                    break;
                } else if (s[i] == '\n' && c != '`') {
                    lineEnd = true;
                    break;
                } else {
                    advance();
                }
            }
            if (!closed) {
                problems.push_back("Unclosed " + std::string(1, c) + " quote opened at line " + pos(ol, oc));
                if (!lineEnd) break;
            }
        } else if (c == '(' || c == '[' || c == '{') {
            stack.push_back({c, line, col + 1});
            advance();
        } else if (c == ')' || c == ']' || c == '}') {
            if (stack.empty()) {
                problems.push_back("Line " + pos(line, col + 1) + ": extra closing '" + c + "' with no matching opener");
            } else if (closerOf(stack.back().c) == c) {
                stack.pop_back();
            } else {
                const Open top = stack.back();
                problems.push_back("Line " + pos(line, col + 1) + ": found '" + c + "' but '" + top.c + "' from line " +
                                   pos(top.line, top.col) + " is still open");
                for (std::size_t k = stack.size(); k-- > 0;) {
                    if (closerOf(stack[k].c) == c) {
                        stack.resize(k);
                        break;
                    }
                }
            }
            advance();
        } else {
            advance();
        }
    }
    for (std::size_t k = stack.size(); k-- > 0;) {
        problems.push_back("Line " + pos(stack[k].line, stack[k].col) + ": '" + stack[k].c + "' is never closed (expected '" +
                           closerOf(stack[k].c) + "')");
    }
    if (problems.empty()) return "\u2713 All brackets and quotes are balanced.";
    std::string out = "Found " + std::to_string(problems.size()) + " problem" + (problems.size() == 1 ? "" : "s") + ":\n";
    for (std::size_t k = 0; k < problems.size() && k < 20; ++k) out += "\n\u2022 " + problems[k];
    if (problems.size() > 20) out += "\n\u2026 and " + std::to_string(problems.size() - 20) + " more";
    return out;
}

bool plainASCII(std::string_view s) {
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 || c == '\r' || (b < 0x20 && c != '\n' && c != '\t')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz::asText(data, size);
    const Outcome outcome = BracketCheck::run(text);
    FUZZ_CHECK(!outcome.isError);
    FUZZ_CHECK(!outcome.text.empty());
    if (text::isValidUTF8(text)) FUZZ_CHECK_SHOW(text::isValidUTF8(outcome.text), outcome.text);
    FUZZ_CHECK(BracketCheck::run(text) == outcome);
    if (plainASCII(text)) {
        FUZZ_CHECK_SHOW(outcome.text == reference(text), outcome.text + "\n-- expected --\n" + reference(text));
    }
    return 0;
}
