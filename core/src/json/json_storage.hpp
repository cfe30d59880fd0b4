#pragma once
// The shared storage behind JSONNode: one flat arena of node records per document.
//
// A record is two integers. Leaves point into `source` (offset, length); containers point at their
// children, which always sit side by side in the record array (first index, count; an object's
// children alternate key, value). A child that lives in another storage (a subtree handed to a
// factory) is an `external` record that indexes `externals`. The tag sits in the top two bits of
// the second integer. Documents under 1 GiB use 32-bit records, larger ones 64-bit records.

#include "tavlets/json.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace tavlets {

namespace jsonimpl {

enum class Tag : std::uint8_t { leaf = 0, array = 1, object = 2, external = 3 };

template <class U>
struct Record {
    static constexpr unsigned kShift = sizeof(U) * 8 - 2;
    static constexpr U kMask = (U(1) << kShift) - 1;
    // Largest length, count or index a record of this width can hold.
    static constexpr std::uint64_t kLimit = kMask;

    U a;  // leaf: offset into source; container: first child record; external: index into externals
    U b;  // tag in the top bits; leaf: length; container: number of elements or members

    static Record make(Tag tag, std::uint64_t first, std::uint64_t value)
    {
        return {U(first), U((U(tag) << kShift) | U(value))};
    }
    Tag tag() const { return Tag(b >> kShift); }
    std::uint64_t value() const { return b & kMask; }
};

using Record32 = Record<std::uint32_t>;
using Record64 = Record<std::uint64_t>;

// A plain growable array of records: sized once when the bound is known, appended to with
// memcpy, never zero-filled.
template <class R>
class RecordArray {
public:
    void reserve(std::size_t capacity)
    {
        if (capacity > capacity_)
            regrow(capacity);
    }
    void push_back(const R& r)
    {
        if (size_ == capacity_) [[unlikely]]
            regrow(capacity_ * 2 + 16);
        data_[size_++] = r;
    }
    void append(const R* from, std::size_t n)
    {
        if (capacity_ - size_ < n) [[unlikely]]
            regrow(std::max(capacity_ * 2, size_ + n));
        R* to = data_.get() + size_;
        if (n <= 4) {
            for (std::size_t i = 0; i < n; ++i)
                to[i] = from[i];
        } else {
            std::memcpy(to, from, n * sizeof(R));
        }
        size_ += n;
    }
    const R& operator[](std::size_t i) const { return data_[i]; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

private:
    void regrow(std::size_t capacity)
    {
        std::unique_ptr<R[]> bigger(new R[capacity]);
        if (size_)
            std::memcpy(bigger.get(), data_.get(), size_ * sizeof(R));
        data_ = std::move(bigger);
        capacity_ = capacity;
    }

    std::unique_ptr<R[]> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// A record widened for reading, whatever the storage's width.
struct View {
    Tag tag;
    std::uint64_t a;
    std::uint64_t b;
};

}  // namespace jsonimpl

struct JSONNode::Storage {
    // token: the whole source is one leaf (what the leaf factory makes); narrow/wide: records.
    enum class Form : std::uint8_t { token, narrow, wide };

    Storage() = default;
    Storage(const Storage&) = delete;
    Storage& operator=(const Storage&) = delete;
    ~Storage();

    Form form = Form::token;
    std::string source;
    jsonimpl::RecordArray<jsonimpl::Record32> narrow;
    jsonimpl::RecordArray<jsonimpl::Record64> wide;
    std::vector<JSONNode> externals;

    jsonimpl::View at(std::size_t i) const
    {
        switch (form) {
        case Form::narrow: {
            const auto r = narrow[i];
            return {r.tag(), r.a, r.value()};
        }
        case Form::wide: {
            const auto r = wide[i];
            return {r.tag(), r.a, r.value()};
        }
        case Form::token:
            break;
        }
        return {jsonimpl::Tag::leaf, 0, source.size()};
    }

    std::string_view token(const jsonimpl::View& v) const
    {
        return std::string_view(source.data() + v.a, v.b);
    }
};

// The engine's own access to a node's storage (the printers walk records directly).
struct JSONNodeAccess {
    static const JSONNode::Storage* storage(const JSONNode& n) { return n.storage_.get(); }
    static std::size_t index(const JSONNode& n) { return n.index_; }
    static JSONNode make(std::shared_ptr<const JSONNode::Storage> s, std::size_t i)
    {
        return JSONNode(std::move(s), i);
    }
};

// Parses into 64-bit records whatever the size (the parser's path for texts of 1 GiB or more).
JSONParseResult parseJSONWide(std::string_view text);

}  // namespace tavlets
