#pragma once
#include "SummaryTable.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace trawler::db {

// The traffic sums of a stretch of a parse run, in memory: per destination
// (first and last time, bytes), per TCP/UDP endpoint pair (bytes) and per
// address pair on the file-sharing ports (packets). Filled on the thread
// that reads the capture; written out by SummaryWriter (which may run on
// another thread) once full() or at the end of the run.
class SummarySums {
public:
    enum class Layer : std::uint8_t { Other, Tcp, Udp };

    // Largest endpoint-pair table: 32 bytes a slot, written out when three
    // quarters full. A power of two, at least 1024. Small enough to stay in
    // the processor's cache: packets of one flow come close together, so a
    // larger table saves few partial rows and costs a cache miss a packet.
    static constexpr std::size_t kMaxPairSlots = std::size_t(1) << 16;

    explicit SummarySums(std::size_t maxPairSlots = kMaxPairSlots);

    // One ip row as the run writes it. Ports matter for TCP and UDP only;
    // an empty time is a NULL one.
    void add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
             std::uint16_t destPort, std::uint32_t totalLength, std::string_view time);
    // A table reached its largest size: write the sums out and start afresh.
    bool full() const { return m_pair.full() || m_dest.full() || m_lan.full(); }
    bool empty() const { return m_pair.size() == 0 && m_dest.size() == 0 && m_lan.size() == 0; }
    void clear();

    struct TimeText {
        std::array<char, 31> text{};
        std::uint8_t size = 0;
        std::string_view view() const { return {text.data(), size}; }
        void set(std::string_view t);
    };
    struct DestSums {
        TimeText first, last;
        bool timed = false;
        std::int64_t bytes = 0;
    };
    struct PairKey {
        std::uint64_t addresses;   // source << 32 | dest
        std::uint64_t portsLayer;  // sourcePort << 24 | destPort << 8 | layer
        bool operator==(const PairKey& o) const { return addresses == o.addresses && portsLayer == o.portsLayer; }
    };
    struct PairHash {
        std::size_t operator()(const PairKey& k) const;
    };
    struct MixHash {
        std::size_t operator()(std::uint64_t k) const;
    };

    template <typename F> void forEachDest(F&& f) const { m_dest.forEach(f); }
    template <typename F> void forEachPair(F&& f) const { m_pair.forEach(f); }
    template <typename F> void forEachLan(F&& f) const { m_lan.forEach(f); }

private:
    SummaryTable<std::uint64_t, DestSums, MixHash> m_dest;
    SummaryTable<PairKey, std::int64_t, PairHash> m_pair;
    SummaryTable<std::uint64_t, std::int64_t, MixHash> m_lan;
};

} // namespace trawler::db
