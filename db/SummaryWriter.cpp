#include "SummaryWriter.h"

#include "PairRanking.h"
#include "SummarySchema.h"

#include "text/AddressText.h"

#include <new>

namespace trawler::db {

namespace schema = summary_schema;

namespace {

constexpr int kTcp = 0;
constexpr int kUdp = 1;

} // namespace

SummaryWriter::SummaryWriter(Database& db, std::size_t maxPairSlots)
    : m_db(db), m_maxPairSlots(maxPairSlots), m_sums(maxPairSlots)
{
    schema::State s = schema::read(db);
    if (!s.ipTable)
        return;
    if (!s.complete) {
        schema::create(db);
        s = schema::read(db);
    }
    m_active = s.complete && !s.stale && s.version == schema::kVersion && s.covered == s.lastRow;
    if (!m_active)
        return;
    m_appendDest = db.prepare(schema::kAppendDest);
    m_appendPair = db.prepare(schema::kAppendPair);
    std::string batch = "insert into trawler_sum_pair values ";
    for (std::size_t i = 0; i < kPairBatch; ++i)
        batch += i == 0 ? "(?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?)";
    m_appendPairBatch = db.prepare(batch);
    m_appendLan = db.prepare(schema::kAppendLan);
    for (int k : {kTcp, kUdp}) {
        const bool tcp = k == kTcp;
        // Sums that cover no row yet have nothing to rank: an empty ranking
        // is current, whatever the state row says.
        const bool current = (tcp ? s.rankedTcp : s.rankedUdp) == s.covered
            || (s.covered == 0 && rankedPairCount(db, tcp) == 0);
        // Reserved for the largest run at once (only touched as rows come)
        // rather than grown, which would copy and keep more than it holds.
        if (current) {
            try {
                m_runPairs[k] = std::make_unique<PairGroups>(kMaxRunPairs, kMaxRunPairs);
            } catch (const std::bad_alloc&) {
                m_runPairs[k].reset();
            }
        }
    }
}

void SummaryWriter::keepForRanking(const SummarySums::PairKey& key, std::int64_t bytes)
{
    const auto layer = static_cast<Layer>(key.portsLayer & 0xff);
    std::unique_ptr<PairGroups>& kept = m_runPairs[layer == Layer::Tcp ? kTcp : kUdp];
    if (!kept)
        return;
    const std::size_t both = (m_runPairs[kTcp] ? m_runPairs[kTcp]->rows() : 0)
        + (m_runPairs[kUdp] ? m_runPairs[kUdp]->rows() : 0);
    if (both >= kMaxRunPairs) {
        // Too large a run to rank at its end within bounded memory.
        dropRunPairs();
        return;
    }
    try {
        kept->add(static_cast<std::uint32_t>(key.addresses >> 32), static_cast<std::uint32_t>(key.addresses),
                  static_cast<std::uint16_t>(key.portsLayer >> 24), static_cast<std::uint16_t>(key.portsLayer >> 8),
                  bytes);
    } catch (const std::bad_alloc&) {
        // Ranking at the end of the run saves the first report its work; it
        // is not part of the run: without the memory the report ranks.
        dropRunPairs();
    }
}

void SummaryWriter::dropRunPairs()
{
    m_runPairs[kTcp].reset();
    m_runPairs[kUdp].reset();
}

void SummaryWriter::add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
                        std::uint16_t destPort, std::uint32_t totalLength, std::string_view time)
{
    if (!m_active)
        return;
    m_sums.add(source, dest, layer, sourcePort, destPort, totalLength, time);
    if (m_sums.full()) {
        write(m_sums);
        m_sums.clear();
    }
}

void SummaryWriter::bindPair(Statement& st, int base, const SummarySums::PairKey& key, std::int64_t bytes, PairTexts& texts)
{
    // Texts are bound unowned: `texts` stays put until the statement's step.
    char (&source)[16] = texts[0];
    char (&dest)[16] = texts[1];
    const auto layer = static_cast<Layer>(key.portsLayer & 0xff);
    st.bindTextUnowned(base + 1, layer == Layer::Tcp ? "TCP" : "UDP");
    st.bindTextUnowned(base + 2, {source, text::formatIpv4(static_cast<std::uint32_t>(key.addresses >> 32), source)});
    st.bindInt(base + 3, static_cast<std::int32_t>(key.portsLayer >> 24));
    st.bindTextUnowned(base + 4, {dest, text::formatIpv4(static_cast<std::uint32_t>(key.addresses), dest)});
    st.bindInt(base + 5, static_cast<std::int32_t>((key.portsLayer >> 8) & 0xffff));
    st.bindInt64(base + 6, bytes);
}

void SummaryWriter::write(const SummarySums& sums)
{
    if (!m_active)
        return;
    char a[16];
    char b[16];
    sums.forEachDest([&](std::uint64_t address, const SummarySums::DestSums& d) {
        m_appendDest.bindTextUnowned(1, {a, text::formatIpv4(static_cast<std::uint32_t>(address), a)});
        if (d.timed) {
            m_appendDest.bindTextUnowned(2, d.first.view());
            m_appendDest.bindTextUnowned(3, d.last.view());
        } else {
            m_appendDest.bindNull(2);
            m_appendDest.bindNull(3);
        }
        m_appendDest.bindInt64(4, d.bytes);
        m_appendDest.execute();
    });
    // Pairs are by far the most rows: they go in batches, one statement
    // step for kPairBatch rows; the remainder row by row.
    std::array<std::pair<SummarySums::PairKey, std::int64_t>, kPairBatch> batch;
    std::size_t filled = 0;
    sums.forEachPair([&](const SummarySums::PairKey& key, std::int64_t bytes) {
        keepForRanking(key, bytes);
        batch[filled++] = {key, bytes};
        if (filled == kPairBatch) {
            for (std::size_t i = 0; i < kPairBatch; ++i)
                bindPair(m_appendPairBatch, static_cast<int>(i) * 6, batch[i].first, batch[i].second, m_pairTexts[i]);
            m_appendPairBatch.execute();
            filled = 0;
        }
    });
    for (std::size_t i = 0; i < filled; ++i) {
        bindPair(m_appendPair, 0, batch[i].first, batch[i].second, m_pairTexts[0]);
        m_appendPair.execute();
    }
    sums.forEachLan([&](std::uint64_t addresses, std::int64_t times) {
        m_appendLan.bindTextUnowned(1, {a, text::formatIpv4(static_cast<std::uint32_t>(addresses >> 32), a)});
        m_appendLan.bindTextUnowned(2, {b, text::formatIpv4(static_cast<std::uint32_t>(addresses), b)});
        m_appendLan.bindInt64(3, times);
        m_appendLan.execute();
    });
}

void SummaryWriter::finish(const std::function<bool()>& cancelled)
{
    if (!m_active)
        return;
    write(m_sums);
    m_sums.clear();
    schema::markCovered(m_db, schema::read(m_db).lastRow);
    m_active = false;
    for (int k : {kTcp, kUdp}) {
        std::unique_ptr<PairGroups> kept = std::move(m_runPairs[k]);
        if (!kept)
            continue;
        const bool tcp = k == kTcp;
        if (rankedPairCount(m_db, tcp) > kept->rows())
            continue;
        rankPairsAfterRun(m_db, tcp, *kept, cancelled);
        schema::markRanked(m_db, tcp);
    }
}

} // namespace trawler::db
