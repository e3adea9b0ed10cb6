#include "Summary.h"

#include "DbError.h"
#include "ParseWriting.h"
#include "SummarySchema.h"

#include <algorithm>

namespace trawler::db {

namespace schema = summary_schema;

namespace summary_sql {
const char* const kDestTraffic = "SELECT min(FirstTm) AS StartTime, max(LastTm) AS EndTime, Destip, sum(Bytes) AS "
                                 "Totallenth FROM trawler_sum_dest GROUP BY Destip ORDER BY sum(Bytes) DESC";
const char* const kTcpPairs =
    "SELECT Sourceip, Sourceport, Destip, Destport, sum(Bytes) AS Totallenth FROM trawler_sum_pair "
    "WHERE Upperlayer='TCP' GROUP BY Sourceip, Sourceport, Destip, Destport ORDER BY sum(Bytes) DESC";
const char* const kUdpPairs =
    "SELECT Sourceip, Sourceport, Destip, Destport, sum(Bytes) AS Totallenth FROM trawler_sum_pair "
    "WHERE Upperlayer='UDP' GROUP BY Sourceip, Sourceport, Destip, Destport ORDER BY sum(Bytes) DESC";
const char* const kLanAccess = "SELECT Sourceip, Destip, sum(Times) AS Times FROM trawler_sum_lan "
                               "GROUP BY Sourceip, Destip ORDER BY sum(Times) DESC";
} // namespace summary_sql

namespace {

// Rows summed per statement: each chunk's grouping stays small in memory,
// and the observer hears of progress a few times a second.
constexpr std::int64_t kChunkRows = 500000;

SummaryStatus statusOf(const schema::State& s)
{
    if (!s.ipTable)
        return SummaryStatus::Unavailable;
    if (!s.complete || s.stale || s.version != schema::kVersion || s.covered > s.lastRow)
        return SummaryStatus::Stale;
    return s.covered == s.lastRow ? SummaryStatus::Current : SummaryStatus::Behind;
}

// Sums the ip rows after `from` up to `to` in chunks; the caller holds the
// transaction.
void sumRows(Database& db, std::int64_t from, std::int64_t to, SummaryObserver* observer)
{
    Statement statements[] = {db.prepare(schema::kSumDest), db.prepare(schema::kSumPair),
                              db.prepare(schema::kSumLan)};
    const auto total = static_cast<std::uint64_t>(to - from);
    if (observer)
        observer->summaryProgress(0, total);
    for (std::int64_t low = from; low < to;) {
        if (observer && observer->summaryCancelled())
            throw DbError("Building the traffic summaries was cancelled.", 0, DbError::Cause::Interrupted);
        const std::int64_t high = std::min(to, low + kChunkRows);
        for (Statement& st : statements) {
            st.bindInt64(1, low).bindInt64(2, high);
            st.execute();
        }
        low = high;
        if (observer)
            observer->summaryProgress(static_cast<std::uint64_t>(low - from), total);
    }
    schema::markCovered(db, to);
}

void bringUpToDate(Database& db, SummaryObserver* observer, bool rebuild)
{
    Transaction transaction(db);
    // Read again under the write lock: another connection may have done it.
    const schema::State s = schema::read(db);
    if (!s.ipTable)
        return;
    const SummaryStatus status = statusOf(s);
    if (rebuild || status == SummaryStatus::Stale) {
        schema::clear(db);
        sumRows(db, 0, s.lastRow, observer);
    } else if (status == SummaryStatus::Behind) {
        sumRows(db, s.covered, s.lastRow, observer);
    }
    transaction.commit();
}

} // namespace

SummaryStatus summaryStatus(Database& db)
{
    return statusOf(schema::read(db));
}

bool refreshSummaries(Database& db, SummaryObserver* observer)
{
    const SummaryStatus status = summaryStatus(db);
    if (status == SummaryStatus::Current)
        return true;
    if (status == SummaryStatus::Unavailable)
        return false;
    // A parse run holds the write lock for its whole capture; rather than
    // wait for it, read the raw rows it has not yet added to.
    if (parseIsWriting(db.path()))
        return false;
    bringUpToDate(db, observer, false);
    return true;
}

void rebuildSummaries(Database& db, SummaryObserver* observer)
{
    bringUpToDate(db, observer, true);
}

} // namespace trawler::db
