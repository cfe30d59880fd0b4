#include <tavlets/bracket_check.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>

#include "code/character_splitter.hpp"

namespace tavlets {
namespace {

// The scan looks at most three characters ahead. Character boundaries are cut in batches, so the
// common step is an array read.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text), splitter_(text) {
        bounds_.reserve(kBatch + 8);
        bounds_.push_back(0);
    }

    // The character k places after the current one; an empty slice past the end.
    std::string_view at(std::size_t k) {
        if (i_ + k + 1 >= bounds_.size() && !refill(k)) return {};
        const std::size_t begin = bounds_[i_ + k];
        return std::string_view(text_.data() + begin, bounds_[i_ + k + 1] - begin);
    }

    void pop() { ++i_; }

private:
    static constexpr std::size_t kBatch = 4096;

    // A cancelled run reads as the end of the text: the scan stops within a batch.
    bool refill(std::size_t k) {
        if (cancelRequested()) return false;
        bounds_.erase(bounds_.begin(), bounds_.begin() + static_cast<std::ptrdiff_t>(i_));
        i_ = 0;
        while (k + 1 >= bounds_.size()) {
            if (splitter_.fill(bounds_, kBatch) == 0) return false;
        }
        return true;
    }

    std::string_view text_;
    code::CharacterSplitter splitter_;
    std::vector<std::size_t> bounds_;  // bounds_[j] and bounds_[j + 1] enclose buffered character j
    std::size_t i_ = 0;                // the current character
};

bool is(std::string_view character, char c) { return character.size() == 1 && character[0] == c; }

// CR LF counts as a line end, so text from Windows editors gets the lines and columns its editor
// shows, and line comments and unclosed strings end where the line does. A lone CR does not.
bool isLineEnd(std::string_view character) {
    return is(character, '\n') || (character.size() == 2 && character[0] == '\r' && character[1] == '\n');
}

bool isWhitespace(std::string_view character) {
    if (character.size() == 1 && static_cast<unsigned char>(character[0]) < 0x80) {
        const char c = character[0];
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    return text::isWhitespaceCharacter(character);
}

// What a one-byte character is to the scan: nothing (plain or whitespace), or a character some
// rule looks at (brackets, quotes, comment starts, the line feed).
enum class ByteKind : unsigned char { plain, space, special };

constexpr std::array<ByteKind, 256> kByteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    for (const unsigned char c : std::string_view(" \t\v\f\r")) kinds[c] = ByteKind::space;
    for (const unsigned char c : std::string_view("\n/#\"'`([{)]}")) kinds[c] = ByteKind::special;
    return kinds;
}();

constexpr std::array<char, 3> kOpeners = {'(', '[', '{'};
constexpr std::array<char, 3> kClosers = {')', ']', '}'};

int bracketKind(char opener) {
    switch (opener) {
        case '(': return 0;
        case '[': return 1;
        default: return 2;
    }
}

constexpr std::size_t kShownProblems = 20;

// One run over a text. Positions are stored as `Count`: 32 bits for any text below 4 GiB, which
// halves the open stack on pathological inputs such as megabytes of "(".
template <typename Count>
class Scan {
public:
    explicit Scan(std::string_view text) : cursor_(text) {
        // Reserve for the worst case up front: untouched pages cost nothing, and a stack of
        // millions of openers is never copied while it grows.
        std::size_t openers = 0;
        for (const char c : text) openers += (c == '(') | (c == '[') | (c == '{');
        stack_.reserve(openers);
    }

    Outcome run() {
        for (;;) {
            const std::string_view c = cursor_.at(0);
            if (c.empty()) break;
            if (c.size() != 1) {
                advance();
                continue;
            }
            const ByteKind kind = kByteKinds[static_cast<unsigned char>(c[0])];
            if (kind != ByteKind::special) {
                // The common case, kept free of calls: a character that is nothing to the scan.
                ++col_;
                lineBlank_ = lineBlank_ && kind == ByteKind::space;
                cursor_.pop();
                continue;
            }
            switch (c[0]) {
                case '/': {
                    const std::string_view next = cursor_.at(1);
                    if (is(next, '/')) {
                        skipToLineEnd();
                    } else if (is(next, '*')) {
                        blockComment();
                    } else {
                        advance();
                    }
                    break;
                }
                case '#': {
                    const std::string_view next = cursor_.at(1);
                    if (is(next, ' ') || (is(next, '!') && lineBlank_)) {
                        skipToLineEnd();
                    } else {
                        advance();
                    }
                    break;
                }
                case '"':
                case '\'':
                case '`':
                    quoted(c[0]);
                    break;
                case '(':
                case '[':
                case '{':
                    open(c[0]);
                    break;
                case ')':
                    close(0);
                    break;
                case ']':
                    close(1);
                    break;
                case '}':
                    close(2);
                    break;
                default:
                    advance();
                    break;
            }
        }
        return report();
    }

private:
    struct Open {
        Count line;
        Count column;
        char opener;
    };

    [[gnu::always_inline]] void advance() {
        const std::string_view c = cursor_.at(0);
        if (isLineEnd(c)) {
            ++line_;
            col_ = 0;
            lineBlank_ = true;
        } else {
            ++col_;
            if (lineBlank_ && !isWhitespace(c)) lineBlank_ = false;
        }
        cursor_.pop();
    }

    void skipToLineEnd() {
        for (std::string_view c = cursor_.at(0); !c.empty() && !isLineEnd(c); c = cursor_.at(0)) advance();
    }

    void blockComment() {
        advance();
        advance();
        for (;;) {
            const std::string_view c = cursor_.at(0);
            if (c.empty()) return;  // an open comment hides the rest and is not a problem
            if (is(c, '*') && is(cursor_.at(1), '/')) {
                advance();
                advance();
                return;
            }
            advance();
        }
    }

    void quoted(char quote) {
        const Count openLine = line_;
        const Count openColumn = col_ + 1;
        if (quote != '`' && is(cursor_.at(1), quote) && is(cursor_.at(2), quote)) {
            advance();
            advance();
            advance();
            for (;;) {
                const std::string_view c = cursor_.at(0);
                if (c.empty()) {
                    record([&] {
                        return std::string("Unclosed triple quote ") + quote + quote + quote + " opened at line " +
                               std::to_string(openLine) + ", column " + std::to_string(openColumn);
                    });
                    return;
                }
                if (is(c, quote) && is(cursor_.at(1), quote) && is(cursor_.at(2), quote)) {
                    advance();
                    advance();
                    advance();
                    return;
                }
                if (is(c, '\\')) {
                    advance();
                    if (!cursor_.at(0).empty()) advance();
                } else {
                    advance();
                }
            }
        }

        advance();
        for (;;) {
            const std::string_view c = cursor_.at(0);
            if (c.empty() || (quote != '`' && isLineEnd(c))) {
                // Unclosed: at the end the scan stops; at a line end the main loop takes the line end.
                recordUnclosed(quote, openLine, openColumn);
                return;
            }
            if (is(c, '\\')) {
                advance();
                const std::string_view after = cursor_.at(0);
                if (!after.empty() && !isLineEnd(after)) advance();
            } else if (is(c, quote)) {
                advance();
                return;
            } else {
                advance();
            }
        }
    }

    void recordUnclosed(char quote, Count openLine, Count openColumn) {
        record([&] {
            return std::string("Unclosed ") + quote + " quote opened at line " + std::to_string(openLine) +
                   ", column " + std::to_string(openColumn);
        });
    }

    void open(char opener) {
        stack_.push_back(Open{line_, static_cast<Count>(col_ + 1), opener});
        ++openCount_[bracketKind(opener)];
        advance();
    }

    void close(int kind) {
        const char closer = kClosers[kind];
        const Count column = col_ + 1;
        if (stack_.empty()) {
            record([&] {
                return "Line " + std::to_string(line_) + ", column " + std::to_string(column) +
                       ": extra closing '" + closer + "' with no matching opener";
            });
        } else if (stack_.back().opener == kOpeners[kind]) {
            stack_.pop_back();
            --openCount_[kind];
        } else {
            const Open& top = stack_.back();
            record([&] {
                return "Line " + std::to_string(line_) + ", column " + std::to_string(column) + ": found '" +
                       closer + "' but '" + top.opener + "' from line " + std::to_string(top.line) +
                       ", column " + std::to_string(top.column) + " is still open";
            });
            // Recover by dropping back to the nearest matching opener. The per-kind counts skip the
            // walk when there is none, so every walked entry is removed and each entry is walked
            // over at most once: a long run of mismatches stays linear.
            if (openCount_[kind] > 0) {
                while (stack_.back().opener != kOpeners[kind]) {
                    --openCount_[bracketKind(stack_.back().opener)];
                    stack_.pop_back();
                }
                stack_.pop_back();
                --openCount_[kind];
            }
        }
        advance();
    }

    // Only the problems that the report shows are worded; the rest are only counted.
    bool wantsText() const { return shown_.size() < kShownProblems; }

    template <typename Describe>
    void record(Describe describe) {
        if (wantsText()) shown_.push_back(describe());
        ++problemCount_;
    }

    Outcome report() {
        // The openers still open at the end follow the scan's problems, innermost first.
        const std::size_t total = problemCount_ + stack_.size();
        for (auto it = stack_.rbegin(); it != stack_.rend() && wantsText(); ++it) {
            const char closer = kClosers[bracketKind(it->opener)];
            shown_.push_back("Line " + std::to_string(it->line) + ", column " + std::to_string(it->column) + ": '" +
                             it->opener + "' is never closed (expected '" + closer + "')");
        }
        if (total == 0) return Outcome{"✓ All brackets and quotes are balanced.", false, false};

        std::string out = "Found " + std::to_string(total) + (total == 1 ? " problem:\n" : " problems:\n");
        for (const std::string& problem : shown_) {
            out += "\n• ";
            out += problem;
        }
        if (total > kShownProblems) out += "\n… and " + std::to_string(total - kShownProblems) + " more";
        return Outcome{std::move(out), false, false};
    }

    Cursor cursor_;
    Count line_ = 1;
    Count col_ = 0;
    bool lineBlank_ = true;
    std::vector<Open> stack_;
    std::array<std::size_t, 3> openCount_{};
    std::vector<std::string> shown_;
    std::size_t problemCount_ = 0;
};

}  // namespace

Outcome BracketCheck::run(std::string_view text) {
    if (text.size() < std::numeric_limits<std::uint32_t>::max()) return Scan<std::uint32_t>(text).run();
    return Scan<std::uint64_t>(text).run();
}

}  // namespace tavlets
