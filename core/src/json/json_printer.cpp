// The two printers. Both walk the records twice: once to measure the exact output size, once to
// write into a string of that size, so a large document costs one allocation and no regrowth.
// The walk keeps its own stack, so trees built by the factories may nest to any depth.

#include "json/json_storage.hpp"

#include <tavlets/cancel.hpp>

#include <algorithm>
#include <cstring>

namespace tavlets {

using jsonimpl::Tag;
using jsonimpl::View;

namespace {

class Measure {
public:
    void put(std::string_view s) { n_ += s.size(); }
    void put(char) { ++n_; }
    void spaces(std::size_t k) { n_ += k; }
    std::size_t size() const { return n_; }

private:
    std::size_t n_ = 0;
};

// Collects output in a small buffer and appends it to the (already reserved) result in blocks:
// the result is written once, never zero-filled first.
class Write {
public:
    explicit Write(std::string& out) : out_(out) {}
    ~Write() { flush(); }

    void put(std::string_view s)
    {
        if (s.size() > kSize - used_) [[unlikely]] {
            flush();
            if (s.size() > kSize) {
                out_.append(s);
                return;
            }
        }
        std::memcpy(buffer_ + used_, s.data(), s.size());
        used_ += s.size();
    }
    void put(char c)
    {
        if (used_ == kSize) [[unlikely]]
            flush();
        buffer_[used_++] = c;
    }
    void spaces(std::size_t k)
    {
        while (k > kSize - used_) [[unlikely]] {
            const std::size_t room = kSize - used_;
            std::memset(buffer_ + used_, ' ', room);
            used_ = kSize;
            k -= room;
            flush();
        }
        std::memset(buffer_ + used_, ' ', k);
        used_ += k;
    }

private:
    static constexpr std::size_t kSize = 16 * 1024;

    void flush()
    {
        out_.append(buffer_, used_);
        used_ = 0;
    }

    std::string& out_;
    std::size_t used_ = 0;
    char buffer_[kSize];
};

struct Frame {
    const JSONNode::Storage* storage;
    std::uint64_t next;  // next child record
    std::uint64_t end;   // one past the last child record
    bool object;
    bool started;
};

template <bool Pretty, class Sink>
class Walker {
public:
    Walker(Sink& sink, std::size_t indent) : sink_(sink), indent_(indent) {}

    void run(const JSONNode& root)
    {
        open(JSONNodeAccess::storage(root), JSONNodeAccess::index(root));
        std::uint32_t steps = 0;
        while (!stack_.empty()) {
            // A cancelled print stops short; its result is thrown away.
            if ((++steps & 4095) == 0 && cancelRequested()) [[unlikely]]
                return;
            Frame& f = stack_.back();
            const std::size_t level = indent_ + stack_.size();
            if (f.next == f.end) {
                const char close = f.object ? '}' : ']';
                stack_.pop_back();
                if constexpr (Pretty) {
                    sink_.put('\n');
                    sink_.spaces(2 * (level - 1));
                }
                sink_.put(close);
                continue;
            }
            if constexpr (Pretty) {
                if (f.started)
                    sink_.put(",\n");
                else
                    sink_.put('\n');
                sink_.spaces(2 * level);
            } else if (f.started) {
                sink_.put(',');
            }
            f.started = true;
            const JSONNode::Storage* s = f.storage;
            if (f.object) {
                sink_.put(s->token(s->at(f.next)));
                if constexpr (Pretty)
                    sink_.put(": ");
                else
                    sink_.put(':');
                ++f.next;
            }
            const std::uint64_t child = f.next++;
            open(s, child);  // may grow the stack: `f` is not used after this
        }
    }

private:
    Sink& sink_;
    std::size_t indent_;
    std::vector<Frame> stack_;

    // Prints a leaf or an empty container, or opens a container for the loop above.
    void open(const JSONNode::Storage* s, std::size_t index)
    {
        View v;
        for (;;) {
            if (!s)
                return;  // a default node prints as nothing
            v = s->at(index);
            if (v.tag != Tag::external)
                break;
            const JSONNode& e = s->externals[v.a];
            s = JSONNodeAccess::storage(e);
            index = JSONNodeAccess::index(e);
        }
        if (v.tag == Tag::leaf) {
            sink_.put(s->token(v));
            return;
        }
        const bool object = v.tag == Tag::object;
        if (v.b == 0) {
            sink_.put(object ? std::string_view("{}") : std::string_view("[]"));
            return;
        }
        sink_.put(object ? '{' : '[');
        stack_.push_back({s, v.a, v.a + v.b * (object ? 2 : 1), object, false});
    }
};

template <bool Pretty>
std::string print(const JSONNode& node, std::size_t indent)
{
    Measure measure;
    Walker<Pretty, Measure>(measure, indent).run(node);
    std::string out;
    out.reserve(measure.size());
    {
        Write write(out);
        Walker<Pretty, Write>(write, indent).run(node);
    }
    return out;
}

}  // namespace

std::string JSONTools::pretty(const JSONNode& node, int indent)
{
    return print<true>(node, std::size_t(std::max(indent, 0)));
}

std::string JSONTools::minify(const JSONNode& node) { return print<false>(node, 0); }

}  // namespace tavlets
