#pragma once
#include "Statement.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trawler::db {

// One TCP or UDP endpoint pair and a byte sum, packed into whole numbers.
// Only addresses in the form the parse run writes (dotted decimal without
// leading zeros or blanks) are packed: formatting the number gives back the
// very text that was read.
struct PackedPair {
    std::uint64_t addresses = 0; // source << 32 | dest
    std::uint32_t ports = 0;     // source port << 16 | dest port
    std::int64_t bytes = 0;

    bool sameKey(const PackedPair& o) const { return addresses == o.addresses && ports == o.ports; }
};
static_assert(sizeof(PackedPair) == 24, "memory figures count 24 bytes a row");

// Sums partial rows of equal pairs and hands the totals out largest first.
//
// Rows are spread by hash over partitions small enough for the processor's
// cache as they come, and each partition is later grouped in place with its
// own small hash table and sorted: one table over all pairs at once spends
// most of its time waiting for memory. Partitions are grouped on two
// threads, and the sorted partitions are merged as they are handed out, so
// no copy of the totals is ever made: memory is 24 bytes a partial row.
class PairGroups {
public:
    // `expectedRows`: about how many rows will come. Reserved memory that is
    // never touched costs nothing, so an upper bound is fine.
    PairGroups(std::size_t maxRows, std::size_t expectedRows = 0);

    // False, and nothing kept, once `maxRows` rows have come.
    bool add(std::uint32_t source, std::uint32_t dest, std::uint16_t sourcePort, std::uint16_t destPort,
             std::int64_t bytes);
    // A stored row (Sourceip, Sourceport, Destip, Destport, byte sum from
    // field `first` on); false when it does not have the packed shape or
    // the limit is reached.
    bool addStored(const Statement& row, int first = 0);
    std::size_t rows() const { return m_rows; }
    // Takes every row of `other`; false, taking none, when together they
    // pass this one's limit.
    bool absorb(PairGroups& other);

    // Groups and sorts; false when a total overflows 64 bits (the engine's
    // sum() fails then: the caller lets it say so). Once only.
    bool group();
    // After group(): every total, largest first; equal totals in no set
    // order, as the engine's ORDER BY leaves them.
    template <typename F> void forEachLargestFirst(F&& f) const;
    std::size_t pairs() const;

private:
    static constexpr std::size_t kPartitions = 256;

    static std::uint64_t hashOf(const PackedPair& p);
    void groupPartitions(std::size_t first, std::size_t step, bool& overflow);

    std::vector<std::vector<PackedPair>> m_parts;
    std::size_t m_maxRows;
    std::size_t m_rows = 0;
};

template <typename F> void PairGroups::forEachLargestFirst(F&& f) const
{
    // A binary heap of the partitions' heads, largest total on top.
    struct Head {
        std::int64_t bytes;
        std::uint32_t part;
        std::uint32_t next;
    };
    std::vector<Head> heap;
    auto below = [](const Head& a, const Head& b) { return a.bytes < b.bytes; };
    for (std::size_t k = 0; k < m_parts.size(); ++k)
        if (!m_parts[k].empty())
            heap.push_back({m_parts[k][0].bytes, static_cast<std::uint32_t>(k), 0});
    std::make_heap(heap.begin(), heap.end(), below);
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), below);
        Head& h = heap.back();
        const std::vector<PackedPair>& part = m_parts[h.part];
        f(part[h.next]);
        if (++h.next < part.size()) {
            h.bytes = part[h.next].bytes;
            std::push_heap(heap.begin(), heap.end(), below);
        } else {
            heap.pop_back();
        }
    }
}

} // namespace trawler::db
