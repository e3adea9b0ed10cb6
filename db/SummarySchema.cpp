#include "SummarySchema.h"

namespace trawler::db::summary_schema {

namespace {

// Text keys compare like the capture columns they come from (blank-
// insensitive), so grouping the partial rows groups as the raw table does.
const char* const kCreate[] = {
    "create table if not exists trawler_sum_dest (Destip TEXT COLLATE RTRIM, FirstTm TEXT COLLATE RTRIM, "
    "LastTm TEXT COLLATE RTRIM, Bytes INTEGER)",
    "create table if not exists trawler_sum_pair (Upperlayer TEXT COLLATE RTRIM, Sourceip TEXT COLLATE RTRIM, "
    "Sourceport INTEGER, Destip TEXT COLLATE RTRIM, Destport INTEGER, Bytes INTEGER)",
    "create table if not exists trawler_sum_lan (Sourceip TEXT COLLATE RTRIM, Destip TEXT COLLATE RTRIM, "
    "Times INTEGER)",
    "create table if not exists trawler_sum_state (Id INTEGER PRIMARY KEY CHECK (Id = 1), Covered INTEGER NOT NULL, "
    "Stale INTEGER NOT NULL, Version INTEGER NOT NULL, RankedTcp INTEGER NOT NULL DEFAULT -1, "
    "RankedUdp INTEGER NOT NULL DEFAULT -1)",
    // The endpoint-pair results, grouped and stored in report order (rowid
    // order), so a report lists its first rows at once at any size.
    "create table if not exists trawler_rank_tcp (Sourceip TEXT, Sourceport INTEGER, Destip TEXT, Destport INTEGER, "
    "Totallenth INTEGER)",
    "create table if not exists trawler_rank_udp (Sourceip TEXT, Sourceport INTEGER, Destip TEXT, Destport INTEGER, "
    "Totallenth INTEGER)",
    // Appended rows are found by rowid; anything else done to ip rows makes
    // the sums unreliable. The WHEN keeps a mass delete from rewriting the
    // state row for every row.
    "create trigger if not exists trawler_sum_ip_delete after delete on ip "
    "when (select Stale from trawler_sum_state) = 0 begin update trawler_sum_state set Stale = 1; end",
    "create trigger if not exists trawler_sum_ip_update after update on ip "
    "when (select Stale from trawler_sum_state) = 0 begin update trawler_sum_state set Stale = 1; end",
};

const char* const kObjects[] = {"trawler_sum_dest", "trawler_sum_pair",      "trawler_sum_lan",
                                "trawler_sum_state", "trawler_rank_tcp",      "trawler_rank_udp",
                                "trawler_sum_ip_delete", "trawler_sum_ip_update"};
constexpr int kObjectCount = sizeof kObjects / sizeof kObjects[0];

std::int64_t single(Database& db, const char* sql)
{
    Statement st = db.prepare(sql);
    return st.step() ? st.value(0).toInt() : 0;
}

} // namespace

const char* const kAppendDest = "insert into trawler_sum_dest values (?, ?, ?, ?)";
const char* const kAppendPair = "insert into trawler_sum_pair values (?, ?, ?, ?, ?, ?)";
const char* const kAppendLan = "insert into trawler_sum_lan values (?, ?, ?)";

const char* const kSumDest = "insert into trawler_sum_dest select Destip, min(Tm), max(Tm), sum(Totallen) from ip "
                             "where rowid > ?1 and rowid <= ?2 group by Destip";
const char* const kSumPair =
    "insert into trawler_sum_pair select Upperlayer, Sourceip, Sourceport, Destip, Destport, sum(Totallen) from ip "
    "where rowid > ?1 and rowid <= ?2 and (Upperlayer = 'TCP' or Upperlayer = 'UDP') "
    "group by Upperlayer, Sourceip, Sourceport, Destip, Destport";
const char* const kSumLan =
    "insert into trawler_sum_lan select Sourceip, Destip, count(*) from ip where rowid > ?1 and rowid <= ?2 and "
    "(Sourceport=137 or Sourceport=138 or Sourceport=139 or Sourceport=445 or Destport=137 or Destport=138 or "
    "Destport=139 or Destport=445) group by Sourceip, Destip";

State read(Database& db)
{
    State s;
    // The sums are this engine's tables and triggers; a server engine answers
    // the traffic reports from its rows directly (ipTable stays false).
    if (db.engineName() != "SQLite")
        return s;
    s.ipTable = single(db, "select count(*) from sqlite_master where type = 'table' and name = 'ip' collate nocase") > 0;
    if (!s.ipTable)
        return s;
    s.lastRow = single(db, "select ifnull(max(rowid), 0) from ip");
    std::string names;
    for (const char* name : kObjects)
        names += std::string(names.empty() ? "'" : ", '") + name + "'";
    if (single(db, ("select count(*) from sqlite_master where name in (" + names + ")").c_str()) != kObjectCount)
        return s;
    // A layout of another version may lack a column: read it first.
    s.version = static_cast<int>(single(db, "select Version from trawler_sum_state where Id = 1"));
    if (s.version != kVersion)
        return s;
    Statement st = db.prepare("select Covered, Stale, RankedTcp, RankedUdp from trawler_sum_state where Id = 1");
    if (!st.step())
        return s;
    s.complete = true;
    s.covered = st.value(0).toInt();
    s.stale = st.value(1).toInt() != 0;
    s.rankedTcp = st.value(2).toInt();
    s.rankedUdp = st.value(3).toInt();
    return s;
}

void create(Database& db)
{
    for (const char* sql : kCreate)
        db.execute(sql);
    Statement st = db.prepare(
        "insert or ignore into trawler_sum_state (Id, Covered, Stale, Version) values (1, 0, 0, ?1)");
    st.bindInt(1, kVersion);
    st.execute();
}

void clear(Database& db)
{
    // Dropped rather than emptied: a file of another version gets this
    // version's layout.
    for (const char* name : kObjects) {
        const bool trigger = std::string(name).find("_ip_") != std::string::npos;
        db.execute(std::string(trigger ? "drop trigger if exists " : "drop table if exists ") + name);
    }
    create(db);
}

void markRanked(Database& db, bool tcp)
{
    db.execute(std::string("update trawler_sum_state set ") + (tcp ? "RankedTcp" : "RankedUdp") + " = Covered");
}

void markCovered(Database& db, std::int64_t lastRow)
{
    Statement st = db.prepare("update trawler_sum_state set Covered = ?1, Stale = 0");
    st.bindInt64(1, lastRow);
    st.execute();
}

} // namespace trawler::db::summary_schema
