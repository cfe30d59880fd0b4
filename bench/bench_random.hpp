#pragma once
// A small deterministic generator for benchmark texts, so every run measures the same input.

#include <cstddef>
#include <cstdint>

namespace tavlets::bench {

class Random {
public:
    explicit Random(std::uint64_t seed = 42) : state_(seed) {}

    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    std::size_t below(std::size_t n) { return next() % n; }

private:
    std::uint64_t state_;
};

}  // namespace tavlets::bench
