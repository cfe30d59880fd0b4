#pragma once
// Strict JSON: a parser that keeps every token exactly as written and reports the first error
// with its byte offset, two printers, string quoting and the user-facing error report.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavlets {

struct JSONSyntaxError {
    std::int64_t offset = 0;  // 0-based byte offset into the UTF-8 text, 0 ... size
    std::string message;

    bool operator==(const JSONSyntaxError&) const = default;
};

// Immutable tree. Leaf texts and object keys are complete JSON tokens as they are to be printed
// (a quoted string, a number as written, true, false or null). Copies are cheap and share storage.
class JSONNode {
public:
    enum class Kind { leaf, array, object };

    static JSONNode leaf(std::string token);
    static JSONNode array(std::vector<JSONNode> elements);
    static JSONNode object(std::vector<std::pair<std::string, JSONNode>> members);

    Kind kind() const;
    std::string_view text() const;             // leaf token; empty for containers
    std::size_t size() const;                  // number of elements or members; 0 for a leaf
    JSONNode element(std::size_t i) const;     // array element i
    std::string_view key(std::size_t i) const; // object member i's key token
    JSONNode value(std::size_t i) const;       // object member i's value

    struct Storage;  // implementation detail

private:
    friend class JSONParser;
    friend class JSONParseResult;
    friend struct JSONTools;
    friend struct JSONNodeAccess;  // the engine's own printers and builders
    JSONNode() = default;          // an empty leaf; only a failed parse result holds one
    JSONNode(std::shared_ptr<const Storage> storage, std::size_t index);
    std::shared_ptr<const Storage> storage_;
    std::size_t index_ = 0;
};

// Either the tree or the first syntax error.
class JSONParseResult {
public:
    JSONParseResult(JSONNode node);
    JSONParseResult(JSONSyntaxError error);

    bool ok() const { return ok_; }
    explicit operator bool() const { return ok_; }
    const JSONNode& node() const;             // only when ok()
    const JSONSyntaxError& error() const;     // only when !ok()

private:
    bool ok_;
    JSONNode node_;
    JSONSyntaxError error_;
};

class JSONParser {
public:
    // Never throws.
    static JSONParseResult parse(std::string_view text);
};

struct JSONTools {
    // Two spaces per level, starting at `indent` levels.
    static std::string pretty(const JSONNode& node, int indent = 0);
    static std::string minify(const JSONNode& node);
    // Any text as a JSON string token, quotes included.
    static std::string quote(std::string_view text);
    // "Syntax error at line L, column C", the message, the offending line and a caret.
    static std::string describe(const JSONSyntaxError& error, std::string_view text);
};

}  // namespace tavlets
