// The PostgreSQL engine against a throwaway server of its own: the layout
// and its rules, hostile values, all-or-nothing writes, interruption, and
// every fixed report giving the same rows as on a file for the same captures.
#include "PgServerTest.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "parse/ParseRun.h"
#include "reports/Catalogue.h"
#include "reports/IpMacMap.h"
#include "reports/ReportCursor.h"
#include "tools/capgen/Generator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace trawler;
using namespace trawler::db;
using trawler::test::PgServer;
using trawler::test::TempDir;

namespace {

class Quiet : public parse::RunListener {
public:
    void message(std::string_view, std::string_view) override {}
};

class ServerEngine : public trawler::test::PgServerTest<ServerEngine> {
protected:
    static std::string freshDatabase() { return PgServerTest::freshDatabase("capture_"); }

    static std::string errorOf(const std::function<void()>& f)
    {
        try {
            f();
        } catch (const DbError& e) {
            return e.description();
        }
        return "<no error>";
    }

};

using Rows = std::vector<reports::Row>;

// Rows of a report, or the message it ends with; sorted, since rows that tie
// on a report's sort key may come in either order on either engine.
std::pair<Rows, std::string> reportRows(const std::string& db, const reports::ReportDefinition& definition)
{
    try {
        reports::ReportCursor cursor = reports::ReportCursor::open(db, definition);
        Rows rows = cursor.fetchAll();
        std::sort(rows.begin(), rows.end());
        return {rows, ""};
    } catch (const reports::ReportError& e) {
        return {{}, e.what()};
    }
}

} // namespace

TEST_F(ServerEngine, CreateInitAndTheColumnRules)
{
    const std::string uri = s_server->uri("rules");
    createDatabaseFile(uri);
    EXPECT_NE(errorOf([&] { createDatabaseFile(uri); }).find("already exists"), std::string::npos);
    const InitOutcome first = initTables(uri);
    ASSERT_TRUE(first.completed()) << *first.error;
    EXPECT_EQ(first.created, (std::vector<std::string>{"arp", "ip", "history", "icmp", "syn", "pccount", "ipmac"}));
    EXPECT_TRUE(initTables(uri).created.empty());

    Database db(uri);
    EXPECT_EQ(db.engineName(), "PostgreSQL");
    db.execute("insert into ipmac values ('10.0.0.1', '00-11-22-33-44-55')");
    // Fixed-width text: compared without trailing blanks, handed out as written.
    Statement st = db.prepare("select [Ip], Mac from ipmac where Ip = ?");
    st.bindText(1, "10.0.0.1   ");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(*st.value("ip").toText(), "10.0.0.1");
    EXPECT_EQ(*st.value("MAC").toText(), "00-11-22-33-44-55");

    EXPECT_THROW(db.execute("insert into ipmac values ('10.0.0.1234567890', NULL)"), DbError); // 17 characters
    EXPECT_THROW(db.execute("insert into ipmac values ('10.0.0.1', NULL)"), DbError);         // duplicate key
    EXPECT_THROW(db.execute("insert into ipmac (Mac) values ('x')"), DbError);                // NULL key
    EXPECT_THROW(db.execute("insert into ip (Totallen) values (2147483648)"), DbError);
    EXPECT_EQ(db.execute("insert into ip (Totallen) values (-2147483648)"), 1);
    Statement sum = db.prepare("select sum(Totallen) as s, count(*) as n from ip");
    ASSERT_TRUE(sum.step());
    EXPECT_EQ(*sum.value("s").toText(), "-2147483648");
    EXPECT_EQ(sum.value("n").toInt(), 1);

    // A database that is not there, and a server that is not there.
    EXPECT_NE(errorOf([&] { Database(s_server->uri("missing")); }).find("missing"), std::string::npos);
    EXPECT_THROW(Database("postgresql://trawler@/x?host=/nonexistent&port=5432"), DbError);
}

TEST_F(ServerEngine, HostileValuesAndNamesRoundTrip)
{
    const std::string uri = freshDatabase();
    Database db(uri);
    const std::vector<std::string> values = {"it's", "back\\slash", "tab\there", "line\nend", "\x1b[31mred",
                                             std::string("\xff\xfe not UTF-8"), "[Sourceip] ? ?1 -- /*"};
    {
        Transaction t(db);
        Statement ins = db.prepare("insert into history (Filename) values (?)");
        BulkInsert bulk(db, "icmp", {"Type", "Sourceip"});
        for (const auto& v : values) {
            ins.bindText(1, v).execute();
            bulk.text(0, v).null(1);
            bulk.endRow();
        }
        bulk.finish();
        t.commit();
    }
    for (const char* sql : {"select Filename from history order by Filename", "select Type from icmp order by Type"}) {
        std::vector<std::string> back;
        Statement st = db.prepare(sql);
        while (st.step())
            back.push_back(*st.value(0).toText());
        std::vector<std::string> expected = values;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(back, expected) << sql;
    }
    Statement nulls = db.prepare("select count(*) from icmp where Sourceip is null");
    ASSERT_TRUE(nulls.step());
    EXPECT_EQ(nulls.value(0).toInt(), static_cast<std::int64_t>(values.size()));

    // A database name that needs quoting on the server.
    const std::string odd = s_server->uri("we%22ird%20name");
    createDatabaseFile(odd);
    EXPECT_TRUE(initTables(odd).completed());
}

TEST_F(ServerEngine, WritesAreAllOrNothing)
{
    const std::string uri = freshDatabase();
    {
        // A refused row in a batch: nothing of the batch or the transaction stays.
        Database db(uri);
        Transaction t(db);
        db.execute("insert into history values ('run')");
        BulkInsert bulk(db, "ip", {"Sourceip", "Totallen"});
        for (int i = 0; i < 1000; ++i) {
            bulk.text(0, i == 500 ? "a value far too long for sixteen" : "10.0.0.1").integer(1, i);
            bulk.endRow();
        }
        EXPECT_THROW(bulk.finish(), DbError);
    }
    {
        // A connection that ends without committing (a killed run).
        Database db(uri);
        db.begin();
        BulkInsert bulk(db, "ip", {"Sourceip"});
        bulk.text(0, "10.0.0.2");
        bulk.endRow();
        bulk.finish();
    }
    Database db(uri, Database::Access::ReadOnly);
    for (const char* table : {"history", "ip"}) {
        Statement st = db.prepare(std::string("select count(*) from ") + table);
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.value(0).toInt(), 0) << table;
    }
    // A reader cannot change anything.
    EXPECT_THROW(db.execute("insert into history values ('x')"), DbError);
}

// The server goes away in the middle of a run: the run fails, and the
// server, once back, holds nothing of it.
TEST_F(ServerEngine, AServerStoppedMidRunKeepsNothingOfIt)
{
    const std::string uri = freshDatabase();
    {
        Database db(uri);
        Transaction t(db);
        Statement ins = db.prepare("insert into ip (Sourceip, Totallen) values (?, ?)");
        for (int i = 0; i < 10000; ++i)
            ins.bindText(1, "10.0.0.1").bindInt(2, i).execute();
        db.execute("select count(*) from ip"); // sends the rows gathered so far
        s_server->kill();
        EXPECT_THROW(t.commit(), DbError);
    }
    ASSERT_TRUE(s_server->restart());
    Database db(uri, Database::Access::ReadOnly);
    Statement st = db.prepare("select count(*) from ip");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), 0);
}

// Two sensors' runs of files with the same path are different files; reports
// cover every sensor unless narrowed to one; a path submitted twice at once
// by one sensor is stored once.
TEST_F(ServerEngine, SensorsStoreApartAndReportTogether)
{
    const std::string uri = freshDatabase();
    auto store = [](const std::string& db, const std::string& file, int rows) {
        Database writer(db);
        Transaction t(writer);
        Statement seen = writer.prepare("select count(*) from history where Filename = ?");
        seen.bindText(1, file);
        EXPECT_TRUE(seen.step());
        if (seen.value(0).toInt() > 0)
            return false;
        writer.prepare("insert into history (Filename) values (?)").bindText(1, file).execute();
        Statement ins = writer.prepare("insert into ip (Sourceip, Totallen) values (?, ?)");
        for (int i = 0; i < rows; ++i)
            ins.bindText(1, "10.0.0.1").bindInt(2, i).execute();
        t.commit();
        return true;
    };
    EXPECT_TRUE(store(withSensor(uri, "lan 1"), "/data/a.pcap", 3));
    EXPECT_TRUE(store(withSensor(uri, "lan-2"), "/data/a.pcap", 5));
    EXPECT_FALSE(store(withSensor(uri, "lan-2"), "/data/a.pcap", 5));

    auto count = [](const std::string& db) {
        Database reader(db, Database::Access::ReadOnly);
        Statement st = reader.prepare("select count(*) from ip");
        EXPECT_TRUE(st.step());
        return st.value(0).toInt();
    };
    EXPECT_EQ(count(uri), 8);
    EXPECT_EQ(count(withSensor(uri, "lan 1")), 3);
    EXPECT_EQ(count(withSensor(uri, "lan-2")), 5);
    EXPECT_NE(errorOf([&] { count(withSensor(uri, "nowhere")); }).find("nowhere"), std::string::npos);

    // Both runs checked the history before either stored: the later one fails.
    Database first(withSensor(uri, "lan-2"));
    Database second(withSensor(uri, "lan-2"));
    first.begin();
    second.begin();
    Statement check = second.prepare("select count(*) from history where Filename = '/data/b.pcap'");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.value(0).toInt(), 0);
    first.execute("insert into history values ('/data/b.pcap')");
    first.commit();
    EXPECT_THROW(
        {
            second.execute("insert into history values ('/data/b.pcap')");
            second.commit();
        },
        DbError);
    second.rollback();
}

// A large result comes in batches; the connection serves other statements
// between them (the IP-MAC map looks each listed row up).
TEST_F(ServerEngine, LargeResultsComeInBatchesOnABusyConnection)
{
    Database db(freshDatabase());
    {
        Transaction t(db);
        BulkInsert bulk(db, "ip", {"Totallen"});
        for (int i = 0; i < 10000; ++i) {
            bulk.integer(0, i);
            bulk.endRow();
        }
        bulk.finish();
        t.commit();
    }
    Statement rows = db.prepare("select Totallen from ip order by Totallen");
    Statement lookup = db.prepare("select count(*) from ip where Totallen < ?");
    std::int64_t expected = 0;
    while (rows.step()) {
        ASSERT_EQ(rows.value(0).toInt(), expected);
        if (expected % 2500 == 0) {
            lookup.reset();
            lookup.bindInt(1, static_cast<std::int32_t>(expected));
            ASSERT_TRUE(lookup.step());
            EXPECT_EQ(lookup.value(0).toInt(), expected);
        }
        ++expected;
    }
    EXPECT_EQ(expected, 10000);
    rows.reset(); // runs again from the start
    ASSERT_TRUE(rows.step());
    EXPECT_EQ(rows.value(0).toInt(), 0);
}

TEST_F(ServerEngine, InterruptEndsARunningStatement)
{
    Database db(freshDatabase());
    std::atomic<bool> done{false};
    std::thread canceller([&] {
        while (!done) {
            db.interrupt();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    try {
        db.execute("select pg_sleep(60)");
        ADD_FAILURE() << "the statement was not interrupted";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.interrupted()) << e.description();
    }
    done = true;
    canceller.join();
}

TEST_F(ServerEngine, EveryReportGivesTheSameRowsAsOnAFile)
{
    TempDir dir;
    std::vector<std::string> captures;
    for (auto scenario : {capgen::Scenario::Demo, capgen::Scenario::ArpSpoof, capgen::Scenario::Netbios,
                          capgen::Scenario::SynScan, capgen::Scenario::IcmpSweep}) {
        capgen::Options options;
        options.scenario = scenario;
        options.seed = 7;
        options.output = dir.file("gen" + std::to_string(captures.size()) + ".pcap");
        capgen::generateCapture(options);
        captures.push_back(options.output);
    }
    const std::filesystem::path shared = "../shared/captures/lan";
    if (std::filesystem::exists(shared)) {
        for (const char* name : {"hs-icmpScan.pcap", "arp.pcap", "destunreachable.pcap", "dns.cap"})
            if (std::filesystem::exists(shared / name))
                captures.push_back((shared / name).string());
    } else {
        std::cout << "[ note ] ../shared/captures absent: generated captures only\n";
    }

    const std::string file = dir.file("capture.mdb");
    createDatabaseFile(file);
    ASSERT_TRUE(initTables(file).completed());
    const std::string server = freshDatabase();
    for (const std::string& db : {file, server}) {
        Quiet quiet;
        for (const auto& capture : captures) {
            const parse::RunResult result = parse::runParse(capture, db, quiet);
            ASSERT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE) << capture << " into " << db << ": " << result.text;
        }
        EXPECT_EQ(parse::runParse(captures.front(), db, quiet).outcome, TRAWLER_PARSE_ALREADY_STORED);
        Database writer(db);
        writer.execute("insert into ipmac values ('192.168.1.1', '00-00-00-00-00-01')");
    }

    for (const auto& definition : reports::reportCatalogue("192.168.1.")) {
        SCOPED_TRACE(definition.sql);
        const auto onFile = reportRows(file, definition);
        const auto onServer = reportRows(server, definition);
        EXPECT_EQ(onServer.second, onFile.second);
        EXPECT_EQ(onServer.first, onFile.first);
        EXPECT_FALSE(onFile.first.empty() && onFile.second.empty());
    }
    reports::IpMacMap fileMap = reports::readIpMacMap(file);
    reports::IpMacMap serverMap = reports::readIpMacMap(server);
    std::sort(fileMap.warnings.begin(), fileMap.warnings.end());
    std::sort(serverMap.warnings.begin(), serverMap.warnings.end());
    EXPECT_EQ(serverMap.rows.size(), fileMap.rows.size());
    EXPECT_EQ(serverMap.warnings, fileMap.warnings);
}

// The command line: --sensor keeps two sensors' runs of the same file apart
// and narrows a report to one of them; without it a report covers both.
TEST_F(ServerEngine, CommandLineSensorsParseApartAndReportTogether)
{
    const std::string uri = freshDatabase();
    const std::string cli = std::string(TRAWLER_BINARY_DIR) + "/bin/trawler-cli";
    const std::string capture = std::string(TRAWLER_SOURCE_DIR) + "/samples/demo.cap";
    auto run = [&](const std::string& args) {
        std::string out;
        FILE* pipe = ::popen((cli + " " + args + " 2>&1").c_str(), "r");
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, n);
        return std::make_pair(::pclose(pipe), out);
    };
    EXPECT_EQ(run("parse '" + capture + "' '" + uri + "' --sensor north").first, 0);
    EXPECT_EQ(run("parse '" + capture + "' '" + uri + "' --sensor south").first, 0);
    EXPECT_NE(run("parse '" + capture + "' '" + uri + "' --sensor south").first, 0);   // taken in already

    const auto [status, all] = run("report dest-traffic '" + uri + "' --format tsv");
    const auto [statusNorth, north] = run("report dest-traffic '" + uri + "' --format tsv --sensor north");
    EXPECT_EQ(status, 0) << all;
    EXPECT_EQ(statusNorth, 0) << north;
    EXPECT_NE(all, north);
    // The same destinations, each counted once per sensor.
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), std::count(north.begin(), north.end(), '\n'));
}
