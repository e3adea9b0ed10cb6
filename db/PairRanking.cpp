#include "PairRanking.h"

#include "DbError.h"
#include "PairGroups.h"

#include "text/AddressText.h"

#include <unistd.h>

#include <algorithm>
#include <new>
#include <string>

namespace trawler::db {

namespace {

// Rows per insert statement when storing the ranking.
constexpr std::size_t kInsertBatch = 64;

std::string tableOf(bool tcp) { return tcp ? "trawler_rank_tcp" : "trawler_rank_udp"; }
std::string layerOf(bool tcp) { return tcp ? "'TCP'" : "'UDP'"; }

std::int64_t lastRowid(Database& db, const std::string& table)
{
    Statement st = db.prepare("select ifnull(max(rowid), 0) from " + table);
    return st.step() ? st.value(0).toInt() : 0;
}

// Adds every row of `sql` (the five pair fields); false at the first row
// that cannot be kept in memory.
bool addRows(Database& db, const std::string& sql, PairGroups& groups)
{
    Statement rows = db.prepare(sql);
    while (rows.step())
        if (!groups.addStored(rows))
            return false;
    return true;
}

// Rows stored between two looks at the cancel request.
constexpr std::size_t kCancelCheckRows = kInsertBatch * 1024;

void store(Database& db, const std::string& table, const PairGroups& groups, const std::function<bool()>& cancelled)
{
    const std::string one = "(?, ?, ?, ?, ?)";
    std::string batchSql = "insert into " + table + " values " + one;
    for (std::size_t i = 1; i < kInsertBatch; ++i)
        batchSql += ", " + one;
    Statement batch = db.prepare(batchSql);
    Statement single = db.prepare("insert into " + table + " values " + one);
    // Bound unowned: each row's texts stay in their own buffers until the step.
    char texts[kInsertBatch][2][text::kIpv4TextSize];
    auto bind = [&texts](Statement& st, std::size_t k, const PackedPair& p) {
        const int base = static_cast<int>(k) * 5;
        char(&source)[text::kIpv4TextSize] = texts[k][0];
        char(&dest)[text::kIpv4TextSize] = texts[k][1];
        st.bindTextUnowned(base + 1, {source, text::formatIpv4(static_cast<std::uint32_t>(p.addresses >> 32), source)});
        st.bindInt(base + 2, static_cast<std::int32_t>(p.ports >> 16));
        st.bindTextUnowned(base + 3, {dest, text::formatIpv4(static_cast<std::uint32_t>(p.addresses), dest)});
        st.bindInt(base + 4, static_cast<std::int32_t>(p.ports & 0xffff));
        st.bindInt64(base + 5, p.bytes);
    };
    // Inserted in rank order: rowid order is the report's order.
    PackedPair pending[kInsertBatch];
    std::size_t filled = 0;
    std::size_t stored = 0;
    groups.forEachLargestFirst([&](const PackedPair& p) {
        pending[filled++] = p;
        if (filled < kInsertBatch)
            return;
        stored += kInsertBatch;
        if (stored % kCancelCheckRows == 0 && cancelled && cancelled())
            throw DbError("Ranking the endpoint pairs was cancelled.", 0, DbError::Cause::Interrupted);
        for (std::size_t k = 0; k < kInsertBatch; ++k)
            bind(batch, k, pending[k]);
        batch.execute();
        filled = 0;
    });
    for (std::size_t k = 0; k < filled; ++k) {
        bind(single, 0, pending[k]);
        single.execute();
    }
}

// Groups, sorts and stores; false when a total overflows.
bool rankAndStore(Database& db, bool tcp, PairGroups& groups, const std::function<bool()>& cancelled = {})
{
    if (!groups.group())
        return false;
    store(db, tableOf(tcp), groups, cancelled);
    return true;
}

void rankByEngine(Database& db, bool tcp)
{
    db.execute("insert into " + tableOf(tcp) + " select Sourceip, Sourceport, Destip, Destport, sum(Bytes) from "
               "trawler_sum_pair where Upperlayer = " + layerOf(tcp) + " group by Sourceip, Sourceport, Destip, "
               "Destport order by sum(Bytes) desc");
}

} // namespace

void rankPairs(Database& db, bool tcp)
{
    const std::string table = tableOf(tcp);
    db.execute("delete from " + table);
    try {
        // Both transports' rows are an upper bound for one's.
        PairGroups groups(maxPairsInMemory(), static_cast<std::size_t>(lastRowid(db, "trawler_sum_pair")));
        if (addRows(db, "select Sourceip, Sourceport, Destip, Destport, Bytes from trawler_sum_pair where Upperlayer = "
                            + layerOf(tcp),
                    groups)
            && rankAndStore(db, tcp, groups))
            return;
    } catch (const std::bad_alloc&) {
        // The engine groups within bounded memory.
    }
    db.execute("delete from " + table);
    rankByEngine(db, tcp);
}

std::size_t maxPairsInMemory()
{
    constexpr std::size_t kLeast = std::size_t(8) << 20;
    constexpr std::size_t kMost = std::size_t(128) << 20;
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0)
        return kLeast;
    const std::size_t rows = static_cast<std::size_t>(pages) / 8 * static_cast<std::size_t>(pageSize)
        / sizeof(PackedPair);
    return std::clamp(rows, kLeast, kMost);
}

std::size_t rankedPairCount(Database& db, bool tcp)
{
    // Stored with fresh rowids from 1 after the table was emptied.
    return static_cast<std::size_t>(lastRowid(db, tableOf(tcp)));
}

void rankPairsAfterRun(Database& db, bool tcp, PairGroups& runRows, const std::function<bool()>& cancelled)
{
    const std::string table = tableOf(tcp);
    // The results ranked before the run are the earlier partial rows grouped
    // already; summed with the run's rows they give every pair's total.
    if (!addRows(db, "select Sourceip, Sourceport, Destip, Destport, Totallenth from " + table, runRows)) {
        rankPairs(db, tcp);
        return;
    }
    db.execute("delete from " + table);
    if (!rankAndStore(db, tcp, runRows, cancelled)) {
        db.execute("delete from " + table);
        rankByEngine(db, tcp);
    }
}

} // namespace trawler::db
