// The traffic reports read sums kept beside the ip table. Whatever happened
// to the file (several parse runs, runs over the same traffic, rows deleted,
// changed or added by a free query, a file made before the sums existed),
// each report must give exactly the rows its statement gives over ip.
#include "ReportFixture.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/ParseWriting.h"
#include "db/Summary.h"
#include "db/SummaryWriter.h"
#include "parse/ParseRun.h"
#include "text/AddressText.h"
#include "reports/Catalogue.h"
#include "reports/FreeQuery.h"
#include "reports/ReportCursor.h"
#include "tools/capgen/Generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

using namespace trawler;
namespace fs = std::filesystem;

namespace {

struct Quiet : parse::RunListener {
    void message(std::string_view, std::string_view) override {}
};

std::vector<reports::ReportDefinition> trafficReports()
{
    return {reports::destIpTrafficReport("192.168.0"), reports::tcpPairTrafficReport(),
            reports::udpPairTrafficReport(), reports::lanAccessReport()};
}

// The report's rows through the report engine (empty for "no records").
std::vector<reports::Row> reported(const std::string& path, const reports::ReportDefinition& d,
                                   db::SummaryObserver* observer = nullptr)
{
    try {
        return reports::ReportCursor::open(path, d, observer).fetchAll();
    } catch (const reports::ReportError& e) {
        if (e.kind() != reports::ReportError::Kind::NoRecords)
            throw;
        return {};
    }
}

// The report's statement run as written over the raw table.
std::vector<reports::Row> raw(const std::string& path, const reports::ReportDefinition& d)
{
    db::Database database(path);
    db::Statement st = database.prepare(d.sql);
    std::vector<reports::Row> rows;
    while (st.step()) {
        reports::Row row;
        for (const auto& column : d.columns)
            row.push_back(st.value(st.fieldIndex(column.field)).toText());
        rows.push_back(row);
    }
    return rows;
}

// Same rows, and the same sequence of sort keys (the last column): rows whose
// keys differ come in the same order; ties may come in any order.
void expectSameAsRaw(const std::string& path, const std::string& when)
{
    for (const auto& d : trafficReports()) {
        SCOPED_TRACE(d.name + " " + when);
        std::vector<reports::Row> got = reported(path, d);
        std::vector<reports::Row> want = raw(path, d);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            ASSERT_EQ(got[i].back(), want[i].back()) << "row " << i;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
    }
}

db::SummaryStatus statusOf(const std::string& path)
{
    db::Database database(path);
    return db::summaryStatus(database);
}

class Recorder : public db::SummaryObserver {
public:
    void summaryProgress(std::uint64_t done, std::uint64_t total) override
    {
        lastDone = done;
        lastTotal = total;
        ++calls;
    }
    bool summaryCancelled() override { return cancel; }
    std::uint64_t lastDone = 0, lastTotal = 0;
    int calls = 0;
    bool cancel = false;
};

class TrafficSummaryTest : public test::ReportFixture {
protected:
    std::string capture(std::uint64_t seed, std::uint64_t frames, std::int64_t start,
                        capgen::Scenario scenario = capgen::Scenario::Bulk)
    {
        capgen::Options o;
        o.scenario = scenario;
        o.seed = seed;
        o.frames = frames;
        o.start = start;
        o.output = dir.file("run-" + std::to_string(seed) + "-" + std::to_string(start) + ".cap");
        capgen::generateCapture(o);
        return o.output;
    }
    void parse(const std::string& file)
    {
        Quiet quiet;
        ASSERT_EQ(parse::runParse(file, path, quiet).outcome, TRAWLER_PARSE_COMPLETE) << file;
    }
};

} // namespace

TEST_F(TrafficSummaryTest, ParseRunsAndFreeQueryChangesMatchTheRawStatements)
{
    parse(capture(11, 6000, capgen::kDefaultStart));
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "after one run");

    // Another day's traffic, then the very same flows again under another
    // name: every key of the first run gets a second partial sum.
    parse(capture(12, 6000, capgen::kDefaultStart + 86400));
    const std::string again = dir.file("same-flows-again.cap");
    fs::copy_file(capture(11, 6000, capgen::kDefaultStart), again);
    parse(again);
    parse(capture(13, 3000, capgen::kDefaultStart, capgen::Scenario::Netbios));
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "after overlapping runs");

    reports::runFreeQuery(path, "delete from ip where Destport = 53 or Sourceport = 445 or Totallen > 1000");
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Stale);
    expectSameAsRaw(path, "after a delete");
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);

    reports::runFreeQuery(path, "update ip set Totallen = Totallen + 1 where Upperlayer = 'UDP'");
    expectSameAsRaw(path, "after an update");

    // Rows no parse writes: NULL keys and times, blank-padded texts, a
    // protocol text in other letter case.
    ip("10.9.9.9", "10.0.0.1", "TCP", 1, 445, 70, "2004-05-17 09:00:00");
    db.execute("insert into ip values (NULL, '10.9.9.9', NULL, 'TCP', NULL, 139, NULL)");
    db.execute("insert into ip values ('2001-01-01 00:00:00', '10.9.9.9  ', '10.0.0.1', 'UDP ', 137, 7, 5)");
    db.execute("insert into ip values ('2030-01-01 00:00:00', '10.9.9.8', '10.0.0.1', 'tcp', 137, 7, 5)");
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Behind);
    expectSameAsRaw(path, "after inserts");

    // The next run finds the sums current again and adds to them.
    parse(capture(14, 4000, capgen::kDefaultStart + 3 * 86400));
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "after a run following the inserts");
}

// The first pair report after a parse finds the pairs ranked by the run
// when ranking cost no more than the run's own work, and ranks them itself
// otherwise; either way the results are those of the raw statements.
TEST_F(TrafficSummaryTest, ParseRanksThePairsWhenCheapAndTheReportOtherwise)
{
    auto leftToRank = [this] {
        db::Database database(path);
        int steps = 0;
        for (db::SummaryUse use : {db::SummaryUse::RankedTcp, db::SummaryUse::RankedUdp}) {
            Recorder r;
            EXPECT_TRUE(db::refreshSummaries(database, &r, use));
            steps += r.calls;
        }
        return steps;
    };
    parse(capture(31, 3000, capgen::kDefaultStart));
    EXPECT_EQ(leftToRank(), 0) << "first run into an empty file";
    // More partial rows than pairs ranked so far, many of the same pairs:
    // the run adds to the earlier results.
    const std::string again = dir.file("same-flows-again.cap");
    fs::copy_file(capture(31, 3000, capgen::kDefaultStart), again);
    parse(again);
    parse(capture(32, 9000, capgen::kDefaultStart + 86400));
    EXPECT_EQ(leftToRank(), 0) << "runs as large as what was ranked before";
    expectSameAsRaw(path, "ranked by the runs");

    // A small run into a large file leaves the ranking to the first report.
    parse(capture(33, 200, capgen::kDefaultStart + 2 * 86400));
    EXPECT_GT(leftToRank(), 0) << "a small run into a large file";
    expectSameAsRaw(path, "ranked by the report");
}

TEST_F(TrafficSummaryTest, OlderFileGetsItsSumsOnFirstUseWithProgressAndCancel)
{
    // Rows as a file made before the sums existed holds them.
    for (int i = 0; i < 300; ++i)
        ip("10.0.0." + std::to_string(i % 7), "10.0.1." + std::to_string(i % 5), i % 3 ? "TCP" : "UDP",
           i % 4 ? 1024 + i % 9 : 139, 80 + i % 2, 40 + i, "2004-05-17 09:0" + std::to_string(i % 10) + ":00");
    ip("10.0.0.1", "10.0.1.1", "", 0, 0, 84);
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Stale);

    Recorder cancelling;
    cancelling.cancel = true;
    try {
        reported(path, reports::destIpTrafficReport(""), &cancelling);
        FAIL() << "a cancelled build must not give a report";
    } catch (const reports::ReportError& e) {
        EXPECT_EQ(e.kind(), reports::ReportError::Kind::Database);
    }
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Stale);

    Recorder progress;
    const auto rows = reported(path, reports::destIpTrafficReport(""), &progress);
    EXPECT_EQ(rows, raw(path, reports::destIpTrafficReport("")));
    EXPECT_GE(progress.calls, 2);
    EXPECT_GT(progress.lastTotal, 0u);
    EXPECT_EQ(progress.lastDone, progress.lastTotal);
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "built on first use");

    // Another program recreates the ip table: its triggers go with it, so the
    // sums are rebuilt rather than trusted.
    db.execute("drop table ip");
    db.execute("create table ip (Tm char(30), Sourceip char(16), Destip char(16), Upperlayer char(16), "
               "Sourceport long, Destport long, Totallen long )");
    ip("10.0.0.2", "10.0.1.2", "TCP", 445, 3000, 99);
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Stale);
    expectSameAsRaw(path, "after the table was recreated");
}

TEST_F(TrafficSummaryTest, WithoutAnIpTableTheReportsFailAsTheirStatementsDo)
{
    db.execute("drop table ip");
    for (const auto& d : trafficReports()) {
        try {
            reports::ReportCursor::open(path, d);
            FAIL() << d.name;
        } catch (const reports::ReportError& e) {
            EXPECT_EQ(e.kind(), reports::ReportError::Kind::Database);
            EXPECT_NE(std::string(e.what()).find("ip"), std::string::npos) << e.what();
        }
    }
}

TEST_F(TrafficSummaryTest, FailedRunLeavesNoSums)
{
    Quiet quiet;
    const std::string notACapture = dir.file("not-a-capture.cap");
    std::FILE* f = std::fopen(notACapture.c_str(), "w");
    std::fputs("no capture here", f);
    std::fclose(f);
    EXPECT_EQ(parse::runParse(notACapture, path, quiet).outcome, TRAWLER_PARSE_OPEN_FAILED);
    EXPECT_EQ(count("sqlite_master where name like 'trawler_sum%'"), 0);
}

TEST_F(TrafficSummaryTest, ReportOnAFileAParseIsWritingSaysSo)
{
    {
        const db::ParseWritingMark writing(path);
        ASSERT_TRUE(writing.held());
        EXPECT_TRUE(db::parseIsWriting(path));
        for (const auto& d : trafficReports()) {
            try {
                reports::ReportCursor::open(path, d);
                FAIL() << d.name;
            } catch (const reports::ReportError& e) {
                EXPECT_EQ(e.kind(), reports::ReportError::Kind::ParseWriting) << d.name;
                EXPECT_STREQ(e.what(), reports::messages::kParseWriting);
            }
        }
    }
    EXPECT_FALSE(db::parseIsWriting(path));
    EXPECT_FALSE(db::parseIsWriting(dir.file("no-such-file.mdb")));
    {
        // Two runs on one file: the mark stays until both have let go, and
        // then leaves nothing beside the database.
        const db::ParseWritingMark first(path);
        { const db::ParseWritingMark second(path); }
        EXPECT_TRUE(db::parseIsWriting(path));
    }
    EXPECT_FALSE(db::parseIsWriting(path));
    EXPECT_FALSE(fs::exists(path + "-parsing"));
    try {
        reports::ReportCursor::open(path, reports::lanAccessReport());
        FAIL();
    } catch (const reports::ReportError& e) {
        EXPECT_EQ(e.kind(), reports::ReportError::Kind::NoRecords);
    }
}

TEST(TrafficSummaryCaptures, SharedCapturesMatchTheRawStatements)
{
    const fs::path captures = "../shared/captures";
    if (!fs::exists(captures))
        GTEST_SKIP() << "../shared/captures is not here: nothing to compare";
    test::TempDir dir;
    const std::string path = dir.file("shared.mdb");
    db::createDatabaseFile(path);
    ASSERT_TRUE(db::initTables(path).completed());
    Quiet quiet;
    int parsed = 0;
    for (const auto& entry : fs::recursive_directory_iterator(captures))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            parsed += parse::runParse(entry.path().string(), path, quiet).outcome == TRAWLER_PARSE_COMPLETE;
    ASSERT_GT(parsed, 0);
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "shared captures");
}

// A run with more endpoint pairs than the writer holds writes its sums out
// several times over; the reports must still add them up per key.
TEST_F(TrafficSummaryTest, WriterThatFillsItsTableMidRunStillSumsEveryKey)
{
    {
        db::Transaction transaction(db);
        db::SummaryWriter writer(db, 1024);
        ASSERT_TRUE(writer.active());
        db::Statement row = db.prepare("insert into ip values (?, ?, ?, ?, ?, ?, ?)");
        std::uint32_t x = 12345;
        for (int i = 0; i < 20000; ++i) {
            x = x * 1103515245u + 12345u;
            const std::uint32_t source = 0x0a000000u | (x >> 28);
            const std::uint32_t dest = 0x0a000100u | ((x >> 24) & 7);
            const auto layer = static_cast<db::SummaryWriter::Layer>((x >> 8) % 3);
            const auto sourcePort = static_cast<std::uint16_t>(x % 5 == 0 ? 445 : 1024 + (x >> 12) % 700);
            const auto destPort = static_cast<std::uint16_t>(80 + (x >> 20) % 3);
            const std::uint32_t length = 40 + (x >> 16) % 1400;
            const std::string time = "2004-05-17 09:" + std::to_string(10 + (x >> 4) % 50) + ":00";
            char s[16], d[16];
            row.bindText(1, time).bindText(2, std::string(s, text::formatIpv4(source, s)))
                .bindText(3, std::string(d, text::formatIpv4(dest, d)));
            if (layer == db::SummaryWriter::Layer::Other)
                row.bindNull(4).bindNull(5).bindNull(6);
            else
                row.bindText(4, layer == db::SummaryWriter::Layer::Tcp ? "TCP" : "UDP")
                    .bindInt(5, sourcePort).bindInt(6, destPort);
            row.bindInt(7, static_cast<std::int32_t>(length)).execute();
            writer.add(source, dest, layer, sourcePort, destPort, length, time);
        }
        writer.finish();
        transaction.commit();
    }
    EXPECT_GT(count("trawler_sum_pair"), 2000);
    EXPECT_EQ(statusOf(path), db::SummaryStatus::Current);
    expectSameAsRaw(path, "after a run that filled the writer's table");
}
