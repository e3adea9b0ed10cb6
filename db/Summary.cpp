#include "Summary.h"

#include "DbError.h"
#include "PairRanking.h"
#include "ParseWriting.h"
#include "SummarySchema.h"

#include <algorithm>
#include <array>

namespace trawler::db {

namespace schema = summary_schema;

namespace summary_sql {
const char* const kDestTraffic = "SELECT min(FirstTm) AS StartTime, max(LastTm) AS EndTime, Destip, sum(Bytes) AS "
                                 "Totallenth FROM trawler_sum_dest GROUP BY Destip ORDER BY sum(Bytes) DESC";
const char* const kTcpPairs =
    "SELECT Sourceip, Sourceport, Destip, Destport, Totallenth FROM trawler_rank_tcp ORDER BY rowid";
const char* const kUdpPairs =
    "SELECT Sourceip, Sourceport, Destip, Destport, Totallenth FROM trawler_rank_udp ORDER BY rowid";
const char* const kLanAccess = "SELECT Sourceip, Destip, sum(Times) AS Times FROM trawler_sum_lan "
                               "GROUP BY Sourceip, Destip ORDER BY sum(Times) DESC";
} // namespace summary_sql

namespace {

// Rows summed per statement: each chunk's grouping stays small in memory,
// and the observer hears of progress a few times a second.
constexpr std::int64_t kChunkRows = 500000;

bool rankingCurrent(const schema::State& s, SummaryUse use)
{
    switch (use) {
    case SummaryUse::RankedTcp: return s.rankedTcp == s.covered;
    case SummaryUse::RankedUdp: return s.rankedUdp == s.covered;
    case SummaryUse::Sums: break;
    }
    return true;
}

// The transports whose ranking a use needs: TCP, UDP.
std::array<bool, 2> rankingsOf(SummaryUse use, bool all)
{
    return {all || use == SummaryUse::RankedTcp, all || use == SummaryUse::RankedUdp};
}

SummaryStatus statusOf(const schema::State& s)
{
    if (!s.ipTable)
        return SummaryStatus::Unavailable;
    if (!s.complete || s.stale || s.version != schema::kVersion || s.covered > s.lastRow)
        return SummaryStatus::Stale;
    return s.covered == s.lastRow ? SummaryStatus::Current : SummaryStatus::Behind;
}

class Steps {
public:
    Steps(SummaryObserver* observer, std::uint64_t total) : m_observer(observer), m_total(total) { report(); }
    void checkCancelled() const
    {
        if (m_observer && m_observer->summaryCancelled())
            throw DbError("Building the traffic summaries was cancelled.", 0, DbError::Cause::Interrupted);
    }
    void done()
    {
        ++m_done;
        report();
    }

private:
    void report() const
    {
        if (m_observer)
            m_observer->summaryProgress(m_done, m_total);
    }
    SummaryObserver* m_observer;
    std::uint64_t m_total;
    std::uint64_t m_done = 0;
};

std::uint64_t chunksBetween(std::int64_t from, std::int64_t to)
{
    return static_cast<std::uint64_t>((to - from + kChunkRows - 1) / kChunkRows);
}

// Sums the ip rows after `from` up to `to` in chunks; the caller holds the
// transaction.
void sumRows(Database& db, std::int64_t from, std::int64_t to, Steps& steps)
{
    Statement statements[] = {db.prepare(schema::kSumDest), db.prepare(schema::kSumPair),
                              db.prepare(schema::kSumLan)};
    for (std::int64_t low = from; low < to;) {
        steps.checkCancelled();
        const std::int64_t high = std::min(to, low + kChunkRows);
        for (Statement& st : statements) {
            st.bindInt64(1, low).bindInt64(2, high);
            st.execute();
        }
        low = high;
        steps.done();
    }
    schema::markCovered(db, to);
}

void bringUpToDate(Database& db, SummaryObserver* observer, bool rebuild, SummaryUse use)
{
    Transaction transaction(db);
    // Read again under the write lock: another connection may have done it.
    const schema::State s = schema::read(db);
    if (!s.ipTable)
        return;
    const SummaryStatus status = statusOf(s);
    const bool resum = rebuild || status == SummaryStatus::Stale;
    const std::int64_t from = resum ? 0 : s.covered;
    const bool changed = resum || status == SummaryStatus::Behind;
    const std::array<bool, 2> wanted = rankingsOf(use, rebuild);
    bool reRank[2] = {};
    std::uint64_t rankSteps = 0;
    for (int k = 0; k < 2; ++k) {
        const SummaryUse layerUse = k == 0 ? SummaryUse::RankedTcp : SummaryUse::RankedUdp;
        reRank[k] = wanted[k] && (changed || !rankingCurrent(s, layerUse));
        rankSteps += reRank[k] ? 1 : 0;
    }
    Steps steps(observer, chunksBetween(from, s.lastRow) + rankSteps);
    if (resum)
        schema::clear(db);
    if (changed)
        sumRows(db, from, s.lastRow, steps);
    for (int k = 0; k < 2; ++k) {
        if (!reRank[k])
            continue;
        const bool tcp = k == 0;
        steps.checkCancelled();
        rankPairs(db, tcp, !changed);
        schema::markRanked(db, tcp);
        steps.done();
    }
    transaction.commit();
}

} // namespace

SummaryStatus summaryStatus(Database& db)
{
    return statusOf(schema::read(db));
}

bool refreshSummaries(Database& db, SummaryObserver* observer, SummaryUse use)
{
    const schema::State s = schema::read(db);
    const SummaryStatus status = statusOf(s);
    if (status == SummaryStatus::Unavailable)
        return false;
    if (status == SummaryStatus::Current && rankingCurrent(s, use))
        return true;
    // A parse run holds the write lock for its whole capture; rather than
    // wait for it, read the raw rows it has not yet added to.
    if (parseIsWriting(db.path()))
        return false;
    bringUpToDate(db, observer, false, use);
    return true;
}

void rebuildSummaries(Database& db, SummaryObserver* observer)
{
    bringUpToDate(db, observer, true, SummaryUse::Sums);
}

} // namespace trawler::db
