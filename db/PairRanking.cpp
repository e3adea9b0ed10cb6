#include "PairRanking.h"

#include "DbError.h"
#include "PairGroups.h"

#include "text/AddressText.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace trawler::db {

namespace {

// Rows per insert statement when storing the ranking.
constexpr std::size_t kInsertBatch = 64;
// Fewer partial rows than this are read on one connection: a second one
// costs more to open than it saves.
constexpr std::int64_t kSideReadRows = 200000;

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

// Reads the rows of `sql` (the five pair fields) on a connection and a
// thread of its own, while the caller's connection reads others: the
// engine's reading is most of a ranking's time. The rows must be committed
// (a second connection sees only those).
class SideReader {
public:
    enum class Outcome { Read, Refused, Failed };

    SideReader(const std::string& path, const std::string& sql, std::size_t maxRows, std::size_t expectedRows)
        : m_groups(maxRows, expectedRows), m_thread([this, path, sql] { run(path, sql); })
    {
    }
    ~SideReader()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    SideReader(const SideReader&) = delete;
    SideReader& operator=(const SideReader&) = delete;

    Outcome finish()
    {
        m_thread.join();
        return m_outcome;
    }
    PairGroups& groups() { return m_groups; }

private:
    void run(const std::string& path, const std::string& sql)
    {
        try {
            Database reader(path, Database::Access::ReadOnly);
            Statement rows = reader.prepare(sql);
            while (rows.step()) {
                if (m_stop) {
                    m_outcome = Outcome::Failed;
                    return;
                }
                if (!m_groups.addStored(rows)) {
                    m_outcome = Outcome::Refused;
                    return;
                }
            }
            m_outcome = Outcome::Read;
        } catch (const std::exception&) {
            // The caller's connection reads these rows itself.
            m_outcome = Outcome::Failed;
        }
    }

    PairGroups m_groups;
    std::atomic<bool> m_stop{false};
    Outcome m_outcome = Outcome::Failed;
    std::thread m_thread;
};

// Reads the partial rows of one transport into `groups`: the upper half of
// the rowids on a side connection when `committed`; false when a row cannot
// be kept in memory.
bool addPartialRows(Database& db, bool tcp, bool committed, PairGroups& groups)
{
    const std::string sql = "select Sourceip, Sourceport, Destip, Destport, Bytes from trawler_sum_pair where "
                            "Upperlayer = " + layerOf(tcp);
    const std::int64_t last = lastRowid(db, "trawler_sum_pair");
    const std::string split = std::to_string(last / 2);
    std::optional<SideReader> side;
    if (committed && last >= kSideReadRows) {
        try {
            side.emplace(db.path(), sql + " and rowid > " + split, maxPairsInMemory(),
                         static_cast<std::size_t>(last - last / 2));
        } catch (const std::system_error&) {
            // No second thread to be had: this one reads everything.
        }
    }
    if (!side)
        return addRows(db, sql, groups);
    if (!addRows(db, sql + " and rowid <= " + split, groups))
        return false;
    switch (side->finish()) {
    case SideReader::Outcome::Read: return groups.absorb(side->groups());
    case SideReader::Outcome::Refused: return false;
    case SideReader::Outcome::Failed: break;
    }
    return addRows(db, sql + " and rowid > " + split, groups);
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

void rankPairs(Database& db, bool tcp, bool committed)
{
    const std::string table = tableOf(tcp);
    db.execute("delete from " + table);
    try {
        // Both transports' rows are an upper bound for one's.
        PairGroups groups(maxPairsInMemory(), static_cast<std::size_t>(lastRowid(db, "trawler_sum_pair")));
        if (addPartialRows(db, tcp, committed, groups) && rankAndStore(db, tcp, groups))
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
        rankPairs(db, tcp, false);
        return;
    }
    db.execute("delete from " + table);
    if (!rankAndStore(db, tcp, runRows, cancelled)) {
        db.execute("delete from " + table);
        rankByEngine(db, tcp);
    }
}

} // namespace trawler::db
