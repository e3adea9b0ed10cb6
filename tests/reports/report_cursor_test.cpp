// The engine over fixture databases: what each report lists, the three ways
// a report stops, batch fetching, and the free query.
#include "ReportFixture.h"

#include "reports/Catalogue.h"
#include "reports/FreeQuery.h"
#include "reports/ReportCursor.h"

using namespace trawler::reports;
using trawler::db::Statement;

namespace {

using Cells = std::vector<std::vector<std::string>>;

// NULL shows as "<null>" so it cannot be mistaken for the empty text.
Cells cellsOf(const std::vector<Row>& rows)
{
    Cells out;
    for (const auto& r : rows) {
        std::vector<std::string> line;
        for (const auto& c : r)
            line.push_back(c.value_or("<null>"));
        out.push_back(line);
    }
    return out;
}

Cells run(const std::string& path, const ReportDefinition& d)
{
    return cellsOf(ReportCursor::open(path, d).fetchAll());
}

ReportError::Kind failureOf(const std::string& path, const ReportDefinition& d, std::string* message = nullptr)
{
    try {
        ReportCursor::open(path, d).fetchAll();
    } catch (const ReportError& e) {
        if (message)
            *message = e.what();
        return e.kind();
    }
    ADD_FAILURE() << d.name << " did not fail";
    return ReportError::Kind::Database;
}

class ReportCursorTest : public trawler::test::ReportFixture {};

} // namespace

TEST_F(ReportCursorTest, IcmpReportsGroupCountAndSpanDays)
{
    // .1 probes .2 twice and .3 once with echo requests, and sends two
    // timestamp requests across midnight; "Timestamp Reply" is no probe.
    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request", 60);
    icmp("2004-05-18 10:00:00", "10.0.0.1", "10.0.0.2", "Echo Request", 60);
    icmp("2004-05-17 08:00:00", "10.0.0.1", "10.0.0.3", "Echo Request", 100);
    icmp("2004-05-19 00:00:01", "10.0.0.1", "10.0.0.3", "TimeStamp", 40);
    icmp("2004-05-16 23:59:59", "10.0.0.1", "10.0.0.3", "TimeStamp", 40);
    icmp("2004-05-17 09:00:02", "10.0.0.5", "10.0.0.3", "Address Mask Request", 40);
    icmp("2004-05-17 09:00:03", "10.0.0.4", "10.0.0.1", "Timestamp Reply", 40);
    icmp("2004-05-17 09:00:04", "10.0.0.2", "10.0.0.1", "Echo Reply", 60);
    icmp("2004-05-17 09:00:05", "10.0.0.2", "10.0.0.1", "Echo Reply", 60);
    icmp("2004-05-17 09:00:06", "10.0.0.9", "10.0.0.1", "Destination Unreachable", 56);

    EXPECT_EQ(run(path, icmpScannersReport()),
              (Cells{{"2004-05-16 23:59:59", "2004-05-19 00:00:01", "10.0.0.1", "5"},
                     {"2004-05-17 09:00:02", "2004-05-17 09:00:02", "10.0.0.5", "1"}}));
    EXPECT_EQ(run(path, icmpScannedReport()),
              (Cells{{"2004-05-17 09:00:04", "2004-05-17 09:00:05", "10.0.0.2", "2"},
                     {"2004-05-17 09:00:06", "2004-05-17 09:00:06", "10.0.0.9", "1"}}));
    EXPECT_EQ(run(path, icmpRelationsReport()),
              (Cells{{"2004-05-17 09:00:00", "2004-05-18 10:00:00", "10.0.0.1", "10.0.0.2", "2"},
                     {"2004-05-17 08:00:00", "2004-05-17 08:00:00", "10.0.0.1", "10.0.0.3", "1"}}));
    EXPECT_EQ(run(path, icmpProbeLengthReport()),
              (Cells{{"2004-05-17 08:00:00", "2004-05-18 10:00:00", "10.0.0.1", "220"}}));
    EXPECT_EQ(run(path, icmpShowAllReport()).size(), 10u);
}

TEST_F(ReportCursorTest, NullCellsStayDistinctFromEmptyText)
{
    db.execute("insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) values (NULL, '10.0.0.1', '', "
               "'Other Types', NULL, 28)");
    ReportCursor c = ReportCursor::open(path, icmpShowAllReport());
    EXPECT_EQ(c.titles(), (std::vector<std::string>{"时间", "扫描者IP", "被扫描者IP", "类型", "代码", "数据包长度"}));
    const auto rows = c.fetchAll();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (Row{std::nullopt, "10.0.0.1", "", "Other Types", std::nullopt, "28"}));
}

TEST_F(ReportCursorTest, StopsWithTheOperatorsMessages)
{
    std::string message;
    EXPECT_EQ(failureOf("", synShowAllReport(), &message), ReportError::Kind::NoDatabase);
    EXPECT_EQ(message, "You haven't set the Database to be analysed.");
    EXPECT_EQ(failureOf(path, synShowAllReport(), &message), ReportError::Kind::NoRecords);
    EXPECT_EQ(message, "没有符合条件的记录.");
    // Rows exist, but none of the selected types.
    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Reply");
    EXPECT_EQ(failureOf(path, icmpScannersReport()), ReportError::Kind::NoRecords);

    const std::string bare = dir.file("bare.mdb");
    trawler::db::createDatabaseFile(bare);
    EXPECT_EQ(failureOf(bare, icmpScannersReport(), &message), ReportError::Kind::Database);
    EXPECT_EQ(message, "no such table: icmp");
    EXPECT_EQ(failureOf(dir.file("missing.mdb"), icmpScannersReport()), ReportError::Kind::Database);

    ReportDefinition wrongField = synShowAllReport();
    wrongField.columns[1].field = "Nosuchfield";
    db.execute("insert into syn values ('2004-05-17 09:00:00', '10.0.0.1', '10.0.0.2', 1025, 80)");
    EXPECT_EQ(failureOf(path, wrongField, &message), ReportError::Kind::Database);
    EXPECT_NE(message.find("Nosuchfield"), std::string::npos);
}

TEST_F(ReportCursorTest, FetchesInBatchesInResultOrder)
{
    {
        trawler::db::Transaction t(db);
        Statement st = db.prepare("insert into syn values ('2004-05-17 09:00:00', '10.0.0.1', '10.0.0.2', ?, 80)");
        for (int port = 1; port <= 1000; ++port)
            st.bindInt(1, port).execute();
        t.commit();
    }
    ReportCursor c = ReportCursor::open(path, synShowAllReport());
    std::vector<Row> rows;
    std::vector<std::size_t> batches;
    while (!c.atEnd())
        batches.push_back(c.fetch(300, rows));
    EXPECT_EQ(batches, (std::vector<std::size_t>{300, 300, 300, 100}));
    EXPECT_EQ(c.fetch(300, rows), 0u);
    EXPECT_EQ(c.rowsFetched(), 1000u);
    ASSERT_EQ(rows.size(), 1000u);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i][3], std::to_string(i + 1));
}

TEST_F(ReportCursorTest, ReadsAStableSnapshotWhileAnotherConnectionWrites)
{
    for (int i = 0; i < 10; ++i)
        db.execute("insert into syn values ('2004-05-17 09:00:00', '10.0.0.1', '10.0.0.2', 1, 80)");
    ReportCursor c = ReportCursor::open(path, synShowAllReport());
    std::vector<Row> rows;
    c.fetch(3, rows);
    // A parse writing meanwhile neither fails nor changes the running list.
    {
        trawler::db::Transaction t(db);
        for (int i = 0; i < 5; ++i)
            db.execute("insert into syn values ('2004-05-17 09:00:01', '10.0.0.1', '10.0.0.2', 2, 80)");
        t.commit();
    }
    c.fetch(100, rows);
    EXPECT_EQ(rows.size(), 10u);
    EXPECT_EQ(run(path, synShowAllReport()).size(), 15u);
}

TEST_F(ReportCursorTest, TrafficReportsOverOneIpTable)
{
    // ICMP only: the destination report lists it, the port reports have nothing.
    ip("10.0.0.7", "10.0.0.1", "", 0, 0, 84);
    EXPECT_EQ(run(path, destIpTrafficReport("10.0.0")),
              (Cells{{"2004-05-17 09:00:00", "2004-05-17 09:00:00", "10.0.0.1", "84"}}));
    for (const auto& d : {tcpPairTrafficReport(), udpPairTrafficReport(), lanAccessReport()})
        EXPECT_EQ(failureOf(path, d), ReportError::Kind::NoRecords) << d.name;

    ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 80, 600);
    ip("10.0.0.1", "10.0.0.2", "TCP", 1026, 443, 300);
    ip("10.0.0.2", "10.0.0.1", "TCP", 80, 1025, 100);
    ip("10.0.0.5", "10.0.0.6", "TCP", 445, 139, 40);
    ip("10.0.0.6", "10.0.0.5", "UDP", 137, 137, 78);
    EXPECT_EQ(run(path, tcpPairTrafficReport()),
              (Cells{{"10.0.0.1", "1025", "10.0.0.2", "80", "600"},
                     {"10.0.0.1", "1026", "10.0.0.2", "443", "300"},
                     {"10.0.0.2", "80", "10.0.0.1", "1025", "100"},
                     {"10.0.0.5", "445", "10.0.0.6", "139", "40"}}));
    // 445 -> 139 is one packet; each direction is a pair of its own.
    EXPECT_EQ(run(path, lanAccessReport()), (Cells{{"10.0.0.5", "10.0.0.6", "1"}, {"10.0.0.6", "10.0.0.5", "1"}}));
}

TEST_F(ReportCursorTest, FreeQueryRunsRowsAndChanges)
{
    EXPECT_EQ(runFreeQuery("", "").kind, FreeQueryOutcome::Kind::Nothing);
    EXPECT_EQ(runFreeQuery("", " \n\t").kind, FreeQueryOutcome::Kind::Nothing);
    EXPECT_THROW(runFreeQuery("", "select 1"), ReportError);

    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    icmp("2004-05-17 09:00:01", "10.0.0.1", "10.0.0.3", "Echo Request");
    FreeQueryOutcome q = runFreeQuery(path, "select Sourceip, count(*) from icmp group by Sourceip");
    ASSERT_EQ(q.kind, FreeQueryOutcome::Kind::Rows);
    EXPECT_EQ(q.rows->titles(), (std::vector<std::string>{"Sourceip", "count(*)"}));
    EXPECT_EQ(cellsOf(q.rows->fetchAll()), (Cells{{"10.0.0.1", "2"}}));

    // A statement without a result is carried out and says what it changed.
    FreeQueryOutcome u = runFreeQuery(path, "update icmp set Totallen = 1 where Sourceip = '10.0.0.1'");
    ASSERT_EQ(u.kind, FreeQueryOutcome::Kind::Changed);
    EXPECT_EQ(u.changedRows, 2);
    EXPECT_EQ(changedRowsMessage(u.changedRows), "2 row(s) changed.");
    EXPECT_EQ(run(path, icmpProbeLengthReport())[0][3], "2");
    EXPECT_EQ(runFreeQuery(path, "create table notes (Text char(10))").changedRows, 0);

    try {
        runFreeQuery(path, "select * from icmp where Type = 'none'");
        ADD_FAILURE();
    } catch (const ReportError& e) {
        EXPECT_EQ(e.kind(), ReportError::Kind::NoRecords);
    }
    try {
        runFreeQuery(path, "selec * from icmp");
        ADD_FAILURE();
    } catch (const ReportError& e) {
        EXPECT_EQ(e.kind(), ReportError::Kind::Database);
        EXPECT_NE(std::string(e.what()).find("syntax error"), std::string::npos);
    }
}
