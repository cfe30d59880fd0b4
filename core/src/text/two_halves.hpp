#pragma once
// Reading a large text as two halves at once, for passes whose pieces never span a line end.

#include <cstddef>
#include <future>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include <tavlets/cancel.hpp>

namespace tavlets::text {

// Where to cut a text for two threads: just after the first line end past its middle. npos for a
// text under 1 MB (a thread costs more than it saves there) or with no line end past the middle.
inline std::size_t halvesCut(std::string_view text) {
    constexpr std::size_t kParallelFrom = 1024 * 1024;
    if (text.size() < kParallelFrom) return std::string_view::npos;
    const std::size_t end = text.find('\n', text.size() / 2);
    return end == std::string_view::npos ? end : end + 1;
}

// f(first) here and f(second) on another thread that sees the caller's cancellation flag.
// nullopt when no thread can be had; the caller then makes one pass.
template <class F>
auto onTwoThreads(std::string_view first, std::string_view second, const F& f)
    -> std::optional<std::pair<decltype(f(first)), decltype(f(first))>> {
    using Part = decltype(f(first));
    const std::atomic<bool>* cancel = tavlets::detail::currentCancelFlag;
    std::future<Part> later;
    try {
        later = std::async(std::launch::async, [cancel, second, &f] {
            const CancelScope scope(cancel);
            return f(second);
        });
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    Part head = f(first);
    return std::pair<Part, Part>(std::move(head), later.get());
}

}  // namespace tavlets::text
