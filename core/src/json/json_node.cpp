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

// Builds one arena for a container made by a factory. Leaf children and keys are copied into the
// arena's own text, so a tree of small leaves costs one allocation per container rather than one
// per leaf; container children stay shared as external records.
class Builder {
public:
    Builder(Tag tag, std::size_t count, std::size_t children, std::size_t textBytes)
        : wide_(textBytes >= jsonimpl::Record32::kLimit || children + 1 >= jsonimpl::Record32::kLimit)
    {
        storage_->form = wide_ ? JSONNode::Storage::Form::wide : JSONNode::Storage::Form::narrow;
        storage_->source.reserve(textBytes);
        if (wide_)
            storage_->wide.reserve(children + 1);
        else
            storage_->narrow.reserve(children + 1);
        push(tag, 1, count);
    }

    void key(std::string_view token) { copy(token); }

    void child(const JSONNode& node)
    {
        const auto* s = JSONNodeAccess::storage(node);
        const View v = viewOf(s, JSONNodeAccess::index(node));
        if (v.tag == Tag::leaf) {
            copy(s ? s->token(v) : std::string_view());
        } else {
            push(Tag::external, storage_->externals.size(), 0);
            storage_->externals.push_back(node);
        }
    }

    JSONNode finish() { return JSONNodeAccess::make(std::move(storage_), 0); }

private:
    void push(Tag tag, std::uint64_t a, std::uint64_t b)
    {
        if (wide_)
            storage_->wide.push_back(jsonimpl::Record64::make(tag, a, b));
        else
            storage_->narrow.push_back(jsonimpl::Record32::make(tag, a, b));
    }

    void copy(std::string_view token)
    {
        push(Tag::leaf, storage_->source.size(), token.size());
        storage_->source.append(token);
    }

    bool wide_;
    std::shared_ptr<JSONNode::Storage> storage_ = std::make_shared<JSONNode::Storage>();
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
    std::size_t bytes = 0;
    for (const auto& e : elements)
        bytes += leafBytes(e);
    Builder b(Tag::array, elements.size(), elements.size(), bytes);
    for (const auto& e : elements)
        b.child(e);
    return b.finish();
}

JSONNode JSONNode::object(std::vector<std::pair<std::string, JSONNode>> members)
{
    std::size_t bytes = 0;
    for (const auto& [k, v] : members)
        bytes += k.size() + leafBytes(v);
    Builder b(Tag::object, members.size(), members.size() * 2, bytes);
    for (const auto& [k, v] : members) {
        b.key(k);
        b.child(v);
    }
    return b.finish();
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
