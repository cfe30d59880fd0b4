#pragma once
// Shared by the fuzz targets: a check that stops the run with a readable message (libFuzzer then
// saves the input as a crash), and a few helpers for the invariants.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <tavlets/text.hpp>

namespace tavlets::fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* what, std::string_view detail) {
    std::fprintf(stderr, "\n%s:%d: invariant broken: %s\n", file, line, what);
    if (!detail.empty()) {
        // Enough of the offending value to see what went wrong, not a 64 KB dump.
        const std::size_t shown = detail.size() < 2000 ? detail.size() : 2000;
        std::fprintf(stderr, "  value (%zu bytes): %.*s\n", detail.size(), static_cast<int>(shown), detail.data());
    }
    std::abort();
}

inline std::string_view asText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace tavlets::fuzz

#define FUZZ_CHECK(cond) \
    do { if (!(cond)) ::tavlets::fuzz::fail(__FILE__, __LINE__, #cond, {}); } while (0)
#define FUZZ_CHECK_SHOW(cond, value) \
    do { if (!(cond)) ::tavlets::fuzz::fail(__FILE__, __LINE__, #cond, (value)); } while (0)
