#pragma once
// Pieces shared by the text layer's sources; not part of the public interface.

#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <cstddef>
#include <memory>
#include <string_view>

namespace tavlets::text {

// Index of the first byte at or after `from` that is not ASCII (s.size() when there is none).
std::size_t asciiPrefixLength(std::string_view s, std::size_t from);

// A read-only ICU text over UTF-8 bytes, without a copy. ICU reads each ill-formed sequence as
// U+FFFD; its native indexes are byte offsets into `s`.
class Utf8Text {
public:
    explicit Utf8Text(std::string_view s);
    ~Utf8Text();
    Utf8Text(const Utf8Text&) = delete;
    Utf8Text& operator=(const Utf8Text&) = delete;
    UText* get() { return &ut_; }

private:
    UText ut_ = UTEXT_INITIALIZER;
};

enum class BreakKind { character, word, sentence };

// A fresh iterator cloned from a process-wide prototype (creating one from rules is costly).
std::unique_ptr<icu::BreakIterator> newBreakIterator(BreakKind kind);

}  // namespace tavlets::text
