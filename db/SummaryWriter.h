#pragma once
#include "Database.h"
#include "PairGroups.h"
#include "Statement.h"
#include "SummarySums.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace trawler::db {

// The parse run's side of the traffic summaries (Summary.h): appends the
// run's partial sums (SummarySums) inside the run's own transaction, so they
// commit or roll back with the rows.
//
// Memory stays bounded whatever the capture's size: when the in-memory sums
// reach a fixed number of keys they are written out and started afresh (a key
// then has more than one partial row, which the reports group again).
//
// When the file's sums do not cover its rows when the run starts (a file
// made before summaries existed, or rows changed since), the writer stays
// idle and the next report brings the sums up to date from the raw rows.
//
// The endpoint-pair results (PairRanking.h) are ranked again at the end of
// the run, so the first report after a parse has them at once, when that
// costs no more than what the run did anyway: they were current when the
// run began, and they hold no more pairs than the run wrote partial rows.
// The run's partial pair rows are kept in memory for it as they are
// written, up to kMaxRunPairs rows. Otherwise the first report ranks them.
class SummaryWriter {
public:
    using Layer = SummarySums::Layer;
    static constexpr std::size_t kMaxPairSlots = SummarySums::kMaxPairSlots;
    // Partial pair rows of a run kept for ranking at its end: 24 bytes each.
    static constexpr std::size_t kMaxRunPairs = std::size_t(3) << 20;

    // `db` is inside the run's transaction.
    explicit SummaryWriter(Database& db, std::size_t maxPairSlots = kMaxPairSlots);

    // Sums one row into the writer's own sums, writing them out when full.
    void add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
             std::uint16_t destPort, std::uint32_t totalLength, std::string_view time);
    // Appends sums gathered elsewhere (another thread's, say) as partial rows.
    void write(const SummarySums& sums);
    // Writes what is left, records that the sums cover every row the run
    // wrote and ranks the pairs (see above). Call before the commit, after
    // every write(). `cancelled` is asked while ranking; true ends it with a
    // DbError whose interrupted() is true.
    void finish(const std::function<bool()>& cancelled = {});

    bool active() const { return m_active; }
    std::size_t maxPairSlots() const { return m_maxPairSlots; }

private:
    static constexpr std::size_t kPairBatch = 64;

    using PairTexts = char[2][16];   // source and destination address texts
    void bindPair(Statement& st, int base, const SummarySums::PairKey& key, std::int64_t bytes, PairTexts& texts);

    void keepForRanking(const SummarySums::PairKey& key, std::int64_t bytes);
    // The first report ranks instead of the run.
    void dropRunPairs();

    Database& m_db;
    std::size_t m_maxPairSlots;
    bool m_active = false;
    SummarySums m_sums;
    Statement m_appendDest;
    Statement m_appendPair;
    Statement m_appendPairBatch;
    PairTexts m_pairTexts[kPairBatch] = {};
    Statement m_appendLan;
    // The run's partial pair rows, TCP and UDP, while they may be ranked.
    std::unique_ptr<PairGroups> m_runPairs[2];
};

} // namespace trawler::db
