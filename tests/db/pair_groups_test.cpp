// Grouping endpoint-pair partial sums in memory: totals, largest first
// across every partition, refusal of rows it cannot keep exactly, and the
// ranking stored after a run, cancel included.
#include "CaptureDatabase.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/PairGroups.h"
#include "db/PairRanking.h"
#include "db/Summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <map>
#include <random>
#include <tuple>

using namespace trawler::db;
using trawler::test::TempDir;

namespace {

using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint16_t, std::uint16_t>;

std::vector<std::pair<Key, std::int64_t>> largestFirst(const PairGroups& groups)
{
    std::vector<std::pair<Key, std::int64_t>> out;
    groups.forEachLargestFirst([&](const PackedPair& p) {
        out.push_back({Key(static_cast<std::uint32_t>(p.addresses >> 32), static_cast<std::uint32_t>(p.addresses),
                           static_cast<std::uint16_t>(p.ports >> 16), static_cast<std::uint16_t>(p.ports)),
                       p.bytes});
    });
    return out;
}

} // namespace

TEST(PairGroups, SumsEqualPairsAndHandsTotalsOutLargestFirst)
{
    // Few addresses and ports, so most keys come many times and land in
    // every partition.
    std::mt19937_64 random(5);
    std::map<Key, std::int64_t> want;
    PairGroups groups(1u << 20);
    for (int i = 0; i < 60000; ++i) {
        const Key key(0x0a000000u | random() % 40, 0xc0a80000u | random() % 40, static_cast<std::uint16_t>(random() % 6),
                      static_cast<std::uint16_t>(65535 - random() % 3));
        const std::int64_t bytes = static_cast<std::int64_t>(random() % 1500);
        want[key] += bytes;
        ASSERT_TRUE(groups.add(std::get<0>(key), std::get<1>(key), std::get<2>(key), std::get<3>(key), bytes));
    }
    ASSERT_TRUE(groups.group());
    const auto got = largestFirst(groups);
    ASSERT_EQ(got.size(), want.size());
    EXPECT_EQ(groups.pairs(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(want.at(got[i].first), got[i].second);
        if (i > 0) {
            ASSERT_GE(got[i - 1].second, got[i].second) << "row " << i;
        }
    }
}

TEST(PairGroups, RefusesWhatItCannotKeepExactly)
{
    PairGroups two(2);
    EXPECT_TRUE(two.add(1, 2, 3, 4, 5));
    EXPECT_TRUE(two.add(1, 2, 3, 4, 5));
    EXPECT_FALSE(two.add(1, 2, 3, 4, 5)) << "more rows than it may hold";

    PairGroups overflow(8);
    overflow.add(1, 2, 3, 4, std::numeric_limits<std::int64_t>::max());
    overflow.add(1, 2, 3, 4, 1);
    EXPECT_FALSE(overflow.group()) << "a total past 64 bits is the engine's error to give";

    // Stored rows whose text a packed key would not give back: left to the
    // engine, which compares and shows them as stored.
    TempDir dir;
    createDatabaseFile(dir.file("rows.mdb"));
    Database db(dir.file("rows.mdb"));
    db.execute("create table t (a, b, c, d, e)");
    const char* rows[] = {
        "'10.0.0.1', 1, '10.0.0.2', 2, 3",       // kept
        "'010.0.0.1', 1, '10.0.0.2', 2, 3",      // leading zero
        "'10.0.0.1 ', 1, '10.0.0.2', 2, 3",      // blank kept in the text
        "'10.0.0.1', NULL, '10.0.0.2', 2, 3",    // no port
        "'10.0.0.1', 70000, '10.0.0.2', 2, 3",   // not a port
        "'10.0.0.1', 1, '10.0.0.2', 2, 3.5",     // not a whole byte count
        "'10.0.0.1', 1, x'0a000002', 2, 3",      // bytes, not text
    };
    for (std::size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        db.execute("delete from t");
        db.execute(std::string("insert into t values (") + rows[i] + ")");
        Statement st = db.prepare("select * from t");
        ASSERT_TRUE(st.step());
        PairGroups groups(16);
        EXPECT_EQ(groups.addStored(st), i == 0) << rows[i];
    }
}

TEST(PairRanking, RankingAfterARunCanBeCancelledAndLeavesNothingBehind)
{
    trawler::test::CaptureDatabase scratch;
    Database& db = scratch.db;
    ASSERT_TRUE(refreshSummaries(db));
    {
        PairGroups few(16);
        for (std::uint32_t i = 0; i < 10; ++i)
            few.add(0x0a000000u + i, 0x0a000001u, 1000, 53, i);
        Transaction t(db);
        rankPairsAfterRun(db, false, few);
        t.commit();
    }
    ASSERT_EQ(rankedPairCount(db, false), 10u);

    PairGroups many(1u << 20);
    for (std::uint32_t i = 0; i < 200000; ++i)
        many.add(0x0b000000u + i, 0x0a000001u, 1000, 53, i);
    {
        Transaction t(db);
        try {
            rankPairsAfterRun(db, false, many, [] { return true; });
            ADD_FAILURE() << "not cancelled";
        } catch (const DbError& e) {
            EXPECT_TRUE(e.interrupted()) << e.description();
        }
    }
    EXPECT_EQ(rankedPairCount(db, false), 10u) << "the earlier ranking stays";
}

// Enough partial rows that half of them are read on a second connection; the
// same pairs in both halves, and once a row only the engine can rank.
TEST(PairRanking, RankingReadOnTwoConnectionsMatchesTheEngine)
{
    trawler::test::CaptureDatabase scratch;
    Database& db = scratch.db;
    ASSERT_TRUE(refreshSummaries(db));
    db.execute("with recursive n(i) as (select 0 union all select i + 1 from n where i < 299999) "
               "insert into trawler_sum_pair select 'UDP', '10.0.' || (i % 7) || '.1', 1000 + i % 5000, "
               "'192.168.1.' || (i % 3), 53, i % 977 from n");
    const std::string engine = "select Sourceip, Sourceport, Destip, Destport, sum(Bytes) from trawler_sum_pair "
                               "where Upperlayer = 'UDP' group by 1, 2, 3, 4";
    auto rows = [&db](const std::string& sql) {
        std::vector<std::string> out;
        Statement st = db.prepare(sql);
        while (st.step()) {
            std::string row;
            for (int i = 0; i < 5; ++i)
                row += st.value(i).toText().value_or("NULL") + "|";
            out.push_back(row);
        }
        return out;
    };
    for (const char* change : {"", "update trawler_sum_pair set Sourceip = '010.0.0.1' where rowid = 290000"}) {
        SCOPED_TRACE(change);
        if (*change)
            db.execute(change);
        {
            Transaction t(db);
            rankPairs(db, false, true);
            t.commit();
        }
        std::vector<std::string> ranked = rows("select * from trawler_rank_udp order by rowid");
        Statement totals = db.prepare("select Totallenth from trawler_rank_udp order by rowid");
        std::int64_t previous = std::numeric_limits<std::int64_t>::max();
        while (totals.step()) {
            ASSERT_LE(totals.value(0).toInt(), previous);
            previous = totals.value(0).toInt();
        }
        std::vector<std::string> want = rows(engine);
        std::sort(ranked.begin(), ranked.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(ranked, want);
    }
}
