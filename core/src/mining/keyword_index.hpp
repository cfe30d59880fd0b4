#pragma once
// The summary's keywords of many sentences, as small ids.
//
// A sentence is cut where a word break is certain and nothing on one side changes how the other
// is split into words: after a run of spaces, before a code point that does not join the space
// (a combining mark would). The
// pieces between such cuts repeat across a long text ("the", "budget,", "Straße"), so each
// distinct piece is split into words, lower-cased and checked against the stop words once, and
// its keyword ids are reused whenever it comes back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <tavlets/text.hpp>

namespace tavlets::mining {

// The pieces are remembered as slices of the texts given, which must outlive the index.
class KeywordIndex {
public:
    KeywordIndex();

    // Appends the ids of the keywords of text, in order: its words (as TextMining::words gives
    // them) of at least four characters that are not stop words. Equal words get equal ids.
    void keywords(std::string_view text, std::vector<std::uint32_t>& ids);
    // The number of distinct keywords so far; ids are below it.
    std::size_t size() const { return byWord_.size(); }

    // Where text is cut into pieces (the offsets where pieces after the first start).
    static std::vector<std::size_t> cuts(std::string_view text);

private:
    struct Slot {
        const char* data = nullptr;  // empty slot when null
        std::uint32_t size = 0;
        std::uint32_t first = 0;  // the piece's ids are pieceIds_[first, first + count)
        std::uint32_t count = 0;
        std::uint64_t hash = 0;
    };

    void piece(std::string_view piece, std::vector<std::uint32_t>& ids);
    void split(std::string_view piece, std::vector<std::uint32_t>& ids);
    void grow();

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
    std::vector<std::uint32_t> pieceIds_;
    std::unordered_map<std::string, std::uint32_t> byWord_;
    text::Segmenter words_;
    std::vector<text::Range> ranges_;
};

}  // namespace tavlets::mining
