#pragma once
// A small seeded generator for randomized comparisons, so a failure repeats with its seed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Random {
    std::uint64_t state;
    std::size_t below(std::size_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>(state >> 33) % n;
    }
    // Up to `most` pieces picked at random, joined.
    std::string glue(const std::vector<std::string>& pieces, std::size_t most) {
        std::string s;
        for (std::size_t k = 0, n = below(most + 1); k < n; ++k) s += pieces[below(pieces.size())];
        return s;
    }
};
