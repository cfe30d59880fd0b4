#pragma once
// Cuts a text into user-perceived characters in batches, for scans that look at every character
// of clipboard-sized texts. Between two ASCII bytes there is always a character boundary except
// inside CR LF, so ASCII stretches are cut here without a call per character; stretches that hold
// non-ASCII text go to the grapheme iterator. The characters are exactly those of
// text::CharacterIterator.

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include <tavlets/cancel.hpp>
#include <tavlets/text.hpp>

namespace tavlets::code {

class CharacterSplitter {
public:
    explicit CharacterSplitter(std::string_view text) : text_(text) {}

    bool done() const { return pos_ >= text_.size(); }

    // Appends the end offsets of up to `limit` further characters to `ends`; returns how many.
    std::size_t fill(std::vector<std::size_t>& ends, std::size_t limit) {
        const std::size_t n = text_.size();
        const char* d = text_.data();
        std::size_t made = 0;
        while (made < limit && pos_ < n) {
            if (pos_ < regionEnd_) {
                // Inside a stretch that touches non-ASCII text: ask the grapheme iterator.
                const auto character = region_->next();
                pos_ = character ? static_cast<std::size_t>(character->data() - d) + character->size() : regionEnd_;
                ends.push_back(pos_);
                ++made;
                continue;
            }
            if (isAscii(d[pos_]) && (pos_ + 1 == n || isAscii(d[pos_ + 1]))) {
                // An ASCII stretch: every byte in it is a character of its own, CR LF excepted.
                const std::size_t cap = std::min(n, pos_ + (limit - made));
                std::size_t stop = pos_ + 1;
                while (stop < cap && isAscii(d[stop])) ++stop;
                // The last byte before non-ASCII text may take combining marks: a region decides.
                if (stop < n && !isAscii(d[stop])) --stop;
                // Never split CR LF at the end of the stretch.
                if (stop < n && d[stop - 1] == '\r' && d[stop] == '\n') stop = stop - 1 == pos_ ? stop + 1 : stop - 1;
                while (pos_ < stop) {
                    pos_ += (d[pos_] == '\r' && pos_ + 1 < n && d[pos_ + 1] == '\n') ? 2 : 1;
                    ends.push_back(pos_);
                    ++made;
                }
                continue;
            }
            startRegion();
        }
        return made;
    }

private:
    static bool isAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

    // A boundary no segmentation rule can remove: between two ASCII bytes other than CR LF.
    bool certainBoundary(std::size_t p) const {
        const char before = text_[p - 1];
        const char after = text_[p];
        return isAscii(before) && isAscii(after) && !(before == '\r' && after == '\n');
    }

    // A region takes in short ASCII gaps between non-ASCII text (setting up a grapheme iterator
    // costs about as much as a few hundred ASCII characters walked through one) and ends just
    // after the last non-ASCII byte before a long gap, which the ASCII path then takes.
    void startRegion() {
        static constexpr std::size_t kLongGap = 256;
        const std::size_t n = text_.size();
        std::size_t lastHigh = pos_;
        for (std::size_t i = pos_ + 1; i < n && i - lastHigh <= kLongGap; ++i) {
            if (!isAscii(text_[i])) lastHigh = i;
        }
        std::size_t end = lastHigh + 1;
        while (end < n && !certainBoundary(end)) ++end;
        region_.reset();
        region_.emplace(text_.substr(pos_, end - pos_));
        regionEnd_ = end;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t regionEnd_ = 0;
    std::optional<text::CharacterIterator> region_;
};

// Calls f with every character of the text, in order; stops early when the run is cancelled.
template <typename F>
void forEachCharacter(std::string_view text, F&& f) {
    CharacterSplitter splitter(text);
    std::vector<std::size_t> ends;
    ends.reserve(4096);
    std::size_t begin = 0;
    while (!splitter.done()) {
        if (cancelRequested()) return;  // the caller's result is thrown away
        ends.clear();
        splitter.fill(ends, 4096);
        for (const std::size_t end : ends) {
            f(text.substr(begin, end - begin));
            begin = end;
        }
    }
}

}  // namespace tavlets::code
