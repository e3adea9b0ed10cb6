#pragma once
#include "Database.h"
#include "Statement.h"
#include "SummaryTable.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace trawler::db {

// The parse run's side of the traffic summaries (Summary.h): sums the run's
// packets in memory as they are written and appends the partial sums inside
// the run's own transaction, so they commit or roll back with the rows.
//
// Memory stays bounded whatever the capture's size: when the in-memory sums
// reach a fixed number of keys they are written out and started afresh (a key
// then has more than one partial row, which the reports group again).
//
// When the file's sums do not cover its rows when the run starts (a file
// made before summaries existed, or rows changed since), the writer stays
// idle and the next report brings the sums up to date from the raw rows.
class SummaryWriter {
public:
    enum class Layer : std::uint8_t { Other, Tcp, Udp };
    // Dotted decimal form of an address (host byte order); returns the length.
    using AddressText = std::size_t (*)(std::uint32_t address, char (&out)[16]);

    // Largest endpoint-pair table: 32 bytes a slot, written out when three
    // quarters full. A power of two, at least 1024. Small enough to stay in
    // the processor's cache: packets of one flow come close together, so a
    // larger table saves few partial rows and costs a cache miss a packet.
    static constexpr std::size_t kMaxPairSlots = std::size_t(1) << 16;

    // `db` is inside the run's transaction.
    SummaryWriter(Database& db, AddressText addressText, std::size_t maxPairSlots = kMaxPairSlots);

    // One ip row as the run writes it. Ports matter for TCP and UDP only;
    // an empty time is a NULL one.
    void add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
             std::uint16_t destPort, std::uint32_t totalLength, std::string_view time);
    // Writes what is left and records that the sums cover every row the run
    // wrote. Call before the commit.
    void finish();

    bool active() const { return m_active; }

private:
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

    static constexpr std::size_t kPairBatch = 64;

    void flush();
    using PairTexts = char[2][16];   // source and destination address texts
    void bindPair(Statement& st, int base, const PairKey& key, std::int64_t bytes, PairTexts& texts);

    Database& m_db;
    AddressText m_addressText;
    bool m_active = false;
    SummaryTable<std::uint64_t, DestSums, MixHash> m_dest;
    SummaryTable<PairKey, std::int64_t, PairHash> m_pair;
    SummaryTable<std::uint64_t, std::int64_t, MixHash> m_lan;
    Statement m_appendDest;
    Statement m_appendPair;
    Statement m_appendPairBatch;
    PairTexts m_pairTexts[kPairBatch] = {};
    Statement m_appendLan;
};

} // namespace trawler::db
