#include "json/json_storage.hpp"

namespace tavlets {

using jsonimpl::Tag;
using jsonimpl::View;

namespace {

// A default node (no storage) reads as an empty leaf.
View viewOf(const JSONNode::Storage* s, std::size_t index)
{
    if (!s)
        return {Tag::leaf, 0, 0};
    return s->at(index);
}

template <class R>
void fillRecords(jsonimpl::RecordArray<R>& out, Tag tag, std::size_t count,
                 const std::vector<std::pair<std::uint64_t, std::uint64_t>>& children)
{
    out.reserve(children.size() + 1);
    out.push_back(R::make(tag, 1, count));
    for (const auto& [a, b] : children)
        out.push_back(R::make(Tag(b >> 62), a, b & ((std::uint64_t(1) << 62) - 1)));
}

// Builds one arena for a container made by a factory. Leaf children and keys are copied into the
// arena's own text, so a tree of small leaves costs one allocation per container rather than one
// per leaf; container children stay shared as external records.
class Builder {
public:
    explicit Builder(std::size_t expected) { children_.reserve(expected); }

    void key(std::string_view token) { copy(token); }

    void child(const JSONNode& node)
    {
        const auto* s = JSONNodeAccess::storage(node);
        const View v = viewOf(s, JSONNodeAccess::index(node));
        if (v.tag == Tag::leaf) {
            copy(s ? s->token(v) : std::string_view());
        } else if (v.tag == Tag::external) {
            // Never stored as a node's own record, but resolve it rather than trust that.
            child(s->externals[v.a]);
        } else {
            children_.push_back({storage_->externals.size(), tagged(Tag::external, 0)});
            storage_->externals.push_back(node);
        }
    }

    JSONNode finish(Tag tag, std::size_t count)
    {
        const bool narrow = storage_->source.size() < Record32Limit && children_.size() + 1 < Record32Limit;
        if (narrow) {
            storage_->form = JSONNode::Storage::Form::narrow;
            fillRecords(storage_->narrow, tag, count, children_);
        } else {
            storage_->form = JSONNode::Storage::Form::wide;
            fillRecords(storage_->wide, tag, count, children_);
        }
        return JSONNodeAccess::make(std::move(storage_), 0);
    }

    void reserveText(std::size_t n) { storage_->source.reserve(n); }

private:
    static constexpr std::uint64_t Record32Limit = jsonimpl::Record32::kLimit;

    static std::uint64_t tagged(Tag tag, std::uint64_t value) { return (std::uint64_t(tag) << 62) | value; }

    void copy(std::string_view token)
    {
        children_.push_back({storage_->source.size(), tagged(Tag::leaf, token.size())});
        storage_->source.append(token);
    }

    std::shared_ptr<JSONNode::Storage> storage_ = std::make_shared<JSONNode::Storage>();
    std::vector<std::pair<std::uint64_t, std::uint64_t>> children_;
};

std::size_t leafBytes(const JSONNode& n)
{
    const auto* s = JSONNodeAccess::storage(n);
    const View v = viewOf(s, JSONNodeAccess::index(n));
    return v.tag == Tag::leaf ? v.b : 0;
}

}  // namespace

// Built trees may nest without limit. Releasing them recursively could exhaust the stack, so
// subtrees this storage owns alone are taken apart here, one level at a time.
JSONNode::Storage::~Storage()
{
    if (externals.empty())
        return;
    std::vector<JSONNode> work = std::move(externals);
    while (!work.empty()) {
        JSONNode node = std::move(work.back());
        work.pop_back();
        if (node.storage_ && node.storage_.use_count() == 1) {
            // The sole owner: nobody else can see this storage any more.
            auto& owned = const_cast<Storage&>(*node.storage_);
            for (auto& e : owned.externals)
                work.push_back(std::move(e));
            owned.externals.clear();
        }
    }
}

JSONNode::JSONNode(std::shared_ptr<const Storage> storage, std::size_t index)
    : storage_(std::move(storage)), index_(index)
{
}

JSONNode JSONNode::leaf(std::string token)
{
    auto s = std::make_shared<Storage>();
    s->form = Storage::Form::token;
    s->source = std::move(token);
    return JSONNode(std::move(s), 0);
}

JSONNode JSONNode::array(std::vector<JSONNode> elements)
{
    Builder b(elements.size());
    std::size_t bytes = 0;
    for (const auto& e : elements)
        bytes += leafBytes(e);
    b.reserveText(bytes);
    for (const auto& e : elements)
        b.child(e);
    return b.finish(Tag::array, elements.size());
}

JSONNode JSONNode::object(std::vector<std::pair<std::string, JSONNode>> members)
{
    Builder b(members.size() * 2);
    std::size_t bytes = 0;
    for (const auto& [k, v] : members)
        bytes += k.size() + leafBytes(v);
    b.reserveText(bytes);
    for (const auto& [k, v] : members) {
        b.key(k);
        b.child(v);
    }
    return b.finish(Tag::object, members.size());
}

JSONNode::Kind JSONNode::kind() const
{
    switch (viewOf(storage_.get(), index_).tag) {
    case Tag::array:
        return Kind::array;
    case Tag::object:
        return Kind::object;
    default:
        return Kind::leaf;
    }
}

std::string_view JSONNode::text() const
{
    const View v = viewOf(storage_.get(), index_);
    return v.tag == Tag::leaf && storage_ ? storage_->token(v) : std::string_view();
}

std::size_t JSONNode::size() const
{
    const View v = viewOf(storage_.get(), index_);
    return v.tag == Tag::array || v.tag == Tag::object ? v.b : 0;
}

namespace {

JSONNode childAt(const std::shared_ptr<const JSONNode::Storage>& s, std::size_t i)
{
    const View v = s->at(i);
    if (v.tag == Tag::external)
        return s->externals[v.a];
    return JSONNodeAccess::make(s, i);
}

}  // namespace

JSONNode JSONNode::element(std::size_t i) const
{
    const View v = viewOf(storage_.get(), index_);
    if (v.tag != Tag::array || i >= v.b)
        return JSONNode();
    return childAt(storage_, v.a + i);
}

std::string_view JSONNode::key(std::size_t i) const
{
    const View v = viewOf(storage_.get(), index_);
    if (v.tag != Tag::object || i >= v.b)
        return {};
    return storage_->token(storage_->at(v.a + 2 * i));
}

JSONNode JSONNode::value(std::size_t i) const
{
    const View v = viewOf(storage_.get(), index_);
    if (v.tag != Tag::object || i >= v.b)
        return JSONNode();
    return childAt(storage_, v.a + 2 * i + 1);
}

JSONParseResult::JSONParseResult(JSONNode node) : ok_(true), node_(std::move(node)) {}

JSONParseResult::JSONParseResult(JSONSyntaxError error) : ok_(false), error_(std::move(error)) {}

const JSONNode& JSONParseResult::node() const { return node_; }

const JSONSyntaxError& JSONParseResult::error() const { return error_; }

}  // namespace tavlets
