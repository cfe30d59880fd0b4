#include "mining/keyword_index.hpp"

#include <cstring>

#include <tavlets/cancel.hpp>

#include "mining/mining_shared.hpp"

namespace tavlets::mining {

namespace {

constexpr std::size_t kKeywordMinimumLength = 4;
// Pieces remembered at most: a text of ever new pieces (hashes, numbers) then costs no more
// memory, only the splitting the plain way.
constexpr std::size_t kMaximumPieces = std::size_t{1} << 18;

std::uint64_t hashOf(std::string_view s) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
    const char* p = s.data();
    std::size_t n = s.size();
    while (n >= 8) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        h = (h ^ v) * 0xBF58476D1CE4E5B9ull;
        h ^= h >> 31;
        p += 8;
        n -= 8;
    }
    std::uint64_t v = 0;
    std::memcpy(&v, p, n);
    h = (h ^ v) * 0x94D049BB133111EBull;
    return h ^ (h >> 29);
}

// Whether a piece may start at s[i], right after a space.
bool mayStartPiece(std::string_view s, std::size_t i) {
    if (static_cast<unsigned char>(s[i]) < 0x80) return true;  // never a space here
    return !text::staysWithSpace(text::decodeAt(s, i));
}

}  // namespace

KeywordIndex::KeywordIndex() : slots_(1024), words_(text::Segmenter::Kind::word) {}

std::vector<std::size_t> KeywordIndex::cuts(std::string_view text) {
    std::vector<std::size_t> out;
    std::size_t i = text.find(' ');
    while (i != std::string_view::npos) {
        std::size_t end = i;
        while (end < text.size() && text[end] == ' ') ++end;
        if (end >= text.size()) break;
        if (mayStartPiece(text, end)) out.push_back(end);
        i = text.find(' ', end);
    }
    return out;
}

void KeywordIndex::keywords(std::string_view text, std::vector<std::uint32_t>& ids) {
    std::size_t start = 0;
    std::size_t i = text.find(' ');
    std::size_t pieces = 0;
    while (i != std::string_view::npos) {
        if ((++pieces & 4095) == 0 && cancelRequested()) return;  // a sentence of millions of words
        std::size_t end = i;
        while (end < text.size() && text[end] == ' ') ++end;
        if (end >= text.size()) break;
        if (mayStartPiece(text, end)) {
            // The piece without its trailing spaces, which hold no words.
            piece(text.substr(start, i - start), ids);
            start = end;
        }
        i = text.find(' ', end);
    }
    std::size_t last = text.size();
    while (last > start && text[last - 1] == ' ') --last;
    piece(text.substr(start, last - start), ids);
}

void KeywordIndex::piece(std::string_view piece, std::vector<std::uint32_t>& ids) {
    if (piece.empty()) return;
    const std::uint64_t h = hashOf(piece);
    std::size_t mask = slots_.size() - 1;
    std::size_t at = static_cast<std::size_t>(h) & mask;
    while (slots_[at].data != nullptr) {
        const Slot& slot = slots_[at];
        if (slot.hash == h && slot.size == piece.size() && std::memcmp(slot.data, piece.data(), piece.size()) == 0) {
            ids.insert(ids.end(), pieceIds_.begin() + slot.first, pieceIds_.begin() + slot.first + slot.count);
            return;
        }
        at = (at + 1) & mask;
    }
    const std::size_t before = ids.size();
    split(piece, ids);
    if (used_ >= kMaximumPieces || piece.size() > UINT32_MAX || pieceIds_.size() > UINT32_MAX / 2) return;
    Slot& slot = slots_[at];
    slot.data = piece.data();
    slot.size = static_cast<std::uint32_t>(piece.size());
    slot.first = static_cast<std::uint32_t>(pieceIds_.size());
    slot.count = static_cast<std::uint32_t>(ids.size() - before);
    slot.hash = h;
    pieceIds_.insert(pieceIds_.end(), ids.begin() + static_cast<std::ptrdiff_t>(before), ids.end());
    if (++used_ * 2 > slots_.size()) grow();
}

void KeywordIndex::split(std::string_view piece, std::vector<std::uint32_t>& ids) {
    words_.ranges(piece, ranges_);
    for (const text::Range& range : ranges_) {
        std::string word = text::lowercased(piece.substr(range.begin, range.end - range.begin));
        if (text::characterCount(word) < kKeywordMinimumLength || isStopWord(word)) continue;
        const auto [it, added] = byWord_.try_emplace(std::move(word), static_cast<std::uint32_t>(byWord_.size()));
        ids.push_back(it->second);
    }
}

void KeywordIndex::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.data == nullptr) continue;
        std::size_t at = static_cast<std::size_t>(slot.hash) & mask;
        while (slots_[at].data != nullptr) at = (at + 1) & mask;
        slots_[at] = slot;
    }
}

}  // namespace tavlets::mining
