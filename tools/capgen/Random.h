#pragma once
// A small deterministic generator (splitmix64). The standard library's
// distributions are not used because their output may differ between library
// versions, and a capture made from a seed must be the same bytes everywhere.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trawler::capgen {

class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A value in [0, n); n == 0 gives 0. Multiply-shift keeps it branch-free.
    std::uint32_t below(std::uint32_t n)
    {
        return static_cast<std::uint32_t>(((next() >> 32) * static_cast<std::uint64_t>(n)) >> 32);
    }

    // A value in [lo, hi], both inclusive.
    std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }

    // True with a probability of perMille / 1000.
    bool chance(std::uint32_t perMille) { return below(1000) < perMille; }

    template <typename T> const T& pick(const std::vector<T>& items) { return items[below(static_cast<std::uint32_t>(items.size()))]; }

    template <typename T> void shuffle(std::vector<T>& items)
    {
        for (std::size_t i = items.size(); i > 1; --i) {
            const std::size_t j = below(static_cast<std::uint32_t>(i));
            std::swap(items[i - 1], items[j]);
        }
    }

private:
    std::uint64_t m_state;
};

} // namespace trawler::capgen
