#include <tavlets/bracket_check.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <tavlets/text.hpp>

namespace tavlets {
namespace {

bool isAsciiByte(char b) { return static_cast<unsigned char>(b) < 0x80; }

// Hands out the user-perceived characters of a text as slices of it. Code is mostly ASCII, so
// ASCII stretches are cut byte by byte here; the rest goes through the grapheme iterator. The text
// is taken in chunks that begin and end where a character boundary is certain: between two ASCII
// bytes that are not CR LF, nothing in the segmentation rules can join them.
class CharacterSource {
public:
    explicit CharacterSource(std::string_view text) : text_(text) {}

    std::optional<std::string_view> next() {
        for (;;) {
            if (pos_ < chunkEnd_) {
                if (!iterator_) {
                    const std::size_t length =
                        (text_[pos_] == '\r' && pos_ + 1 < chunkEnd_ && text_[pos_ + 1] == '\n') ? 2 : 1;
                    const std::string_view character = text_.substr(pos_, length);
                    pos_ += length;
                    return character;
                }
                if (auto character = iterator_->next()) {
                    pos_ += character->size();
                    return character;
                }
                pos_ = chunkEnd_;  // the iterator covers the chunk exactly; never reached
            }
            if (pos_ >= text_.size()) return std::nullopt;
            startChunk();
        }
    }

private:
    static constexpr std::size_t kChunkSize = 16 * 1024;

    bool certainBoundary(std::size_t p) const {
        const char before = text_[p - 1];
        const char after = text_[p];
        return isAsciiByte(before) && isAsciiByte(after) && !(before == '\r' && after == '\n');
    }

    void startChunk() {
        std::size_t end = std::min(text_.size(), pos_ + kChunkSize);
        while (end < text_.size() && !certainBoundary(end)) ++end;
        const std::string_view chunk = text_.substr(pos_, end - pos_);
        iterator_.reset();
        if (!std::all_of(chunk.begin(), chunk.end(), isAsciiByte)) iterator_.emplace(chunk);
        chunkEnd_ = end;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t chunkEnd_ = 0;
    std::optional<text::CharacterIterator> iterator_;
};

// The scan looks at most three characters ahead; they wait in a small ring.
class Cursor {
public:
    explicit Cursor(std::string_view text) : source_(text) {}

    // The character k places after the current one; an empty slice past the end.
    std::string_view at(std::size_t k) {
        while (count_ <= k) {
            auto character = source_.next();
            if (!character) return {};
            ring_[(head_ + count_) % kRing] = *character;
            ++count_;
        }
        return ring_[(head_ + k) % kRing];
    }

    void pop() {
        head_ = (head_ + 1) % kRing;
        --count_;
    }

private:
    static constexpr std::size_t kRing = 4;
    CharacterSource source_;
    std::array<std::string_view, kRing> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

bool is(std::string_view character, char c) { return character.size() == 1 && character[0] == c; }

// CR LF counts as a line end, so text from Windows editors gets the lines and columns its editor
// shows, and line comments and unclosed strings end where the line does. A lone CR does not.
bool isLineEnd(std::string_view character) {
    return is(character, '\n') || character == "\r\n";
}

bool isWhitespace(std::string_view character) {
    if (character.size() == 1 && isAsciiByte(character[0])) {
        const char c = character[0];
        return c == ' ' || (c >= '\t' && c <= '\r');
    }
    return text::isWhitespaceCharacter(character);
}

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
    explicit Scan(std::string_view text) : cursor_(text) {}

    Outcome run() {
        for (;;) {
            const std::string_view c = cursor_.at(0);
            if (c.empty()) break;
            if (c.size() != 1) {
                advance();
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

    void advance() {
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
                    if (wantsText()) {
                        record(std::string("Unclosed triple quote ") + quote + quote + quote + " opened at line " +
                               std::to_string(openLine) + ", column " + std::to_string(openColumn));
                    } else {
                        record({});
                    }
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
        if (!wantsText()) {
            record({});
            return;
        }
        record(std::string("Unclosed ") + quote + " quote opened at line " + std::to_string(openLine) +
               ", column " + std::to_string(openColumn));
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
            if (wantsText()) {
                record("Line " + std::to_string(line_) + ", column " + std::to_string(column) +
                       ": extra closing '" + closer + "' with no matching opener");
            } else {
                record({});
            }
        } else if (stack_.back().opener == kOpeners[kind]) {
            stack_.pop_back();
            --openCount_[kind];
        } else {
            const Open& top = stack_.back();
            if (wantsText()) {
                record("Line " + std::to_string(line_) + ", column " + std::to_string(column) + ": found '" +
                       closer + "' but '" + top.opener + "' from line " + std::to_string(top.line) +
                       ", column " + std::to_string(top.column) + " is still open");
            } else {
                record({});
            }
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

    // Only the problems that the report shows are kept as text; the rest are counted.
    bool wantsText() const { return shown_.size() < kShownProblems; }

    void record(std::string problem) {
        if (wantsText()) shown_.push_back(std::move(problem));
        ++problemCount_;
    }

    Outcome report() {
        // The openers still open at the end follow the scan's problems, innermost first.
        std::size_t total = problemCount_ + stack_.size();
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
