// Taking captures in with the detectors into a database on a throwaway
// PostgreSQL server as into a file: the same alerts in the same order, each
// event stored once, acknowledging, and sensors kept apart.
#include "WatchFixture.h"
#include "cli/CliRun.h"
#include "db/PgServerTest.h"

#include "db/Database.h"
#include "db/SqlDialect.h"

#include <filesystem>
#include <sstream>

using namespace trawler;
using namespace trawler::test;
using capgen::Scenario;
namespace fs = std::filesystem;

namespace {

// What an alert says, its Id and Run aside (each engine numbers its own).
std::string shown(const db::StoredAlert& a)
{
    return a.time + ' ' + describe(a) + " count=" + (a.count ? std::to_string(*a.count) : "-")
        + " window=" + (a.windowSeconds ? std::to_string(*a.windowSeconds) : "-") + " file=" + a.file
        + " ack=" + (a.acknowledged ? "yes" : "no");
}

std::vector<std::string> shownAll(const std::vector<db::StoredAlert>& alerts)
{
    std::vector<std::string> out;
    for (const auto& a : alerts)
        out.push_back(shown(a));
    return out;
}

std::vector<db::StoredAlert> stored(const std::string& database,
                                    db::Database::Access access = db::Database::Access::ReadWrite)
{
    db::Database connection(database, access);
    return db::AlertStore(connection).list();
}

class ServerPipeline : public PgServerTest<ServerPipeline> {
protected:
    void SetUp() override
    {
        PgServerTest::SetUp();
        if (IsSkipped())
            return;
        // A spoofed gateway (a changed binding, then back) and an ICMP sweep,
        // an hour later; the sweep's file named relative to the working folder.
        spoof = generate(dir.file("spoof.pcap"), Scenario::ArpSpoof);
        sweep = fs::relative(generate(dir.file("sweep.pcap"), Scenario::IcmpSweep, 1, std::nullopt,
                                      capgen::kDefaultStart + 3600))
                    .string();
    }

    static std::string freshServerDatabase() { return freshDatabase("watch_"); }

    // Both captures through a new pipeline; the alerts it raised.
    std::vector<db::StoredAlert> takeInBoth(const std::string& database)
    {
        watch::Pipeline pipeline(database, {}, watch::VendorTable{});
        auto alerts = takeIn(pipeline, spoof);
        for (auto& a : takeIn(pipeline, sweep))
            alerts.push_back(std::move(a));
        return alerts;
    }

    TempDir dir;
    std::string spoof, sweep;
};


TEST_F(ServerPipeline, SameAlertsAsAFileStoredOnceAndAcknowledged)
{
    const std::string file = makeDatabase(dir);
    const std::string server = db::withSensor(freshServerDatabase(), "lan-a");

    const auto raisedInFile = takeInBoth(file);
    const auto raisedOnServer = takeInBoth(server);
    EXPECT_EQ(shownAll(raisedOnServer), shownAll(raisedInFile));
    EXPECT_EQ(described(raisedInFile, "mac-changed").size(), 1u);
    EXPECT_EQ(described(raisedInFile, "icmp-sweep").size(), 1u);

    const auto inFile = stored(file);
    const auto onServer = stored(server);
    ASSERT_EQ(inFile.size(), raisedInFile.size());
    ASSERT_EQ(shownAll(onServer), shownAll(inFile));
    // Newest first.
    EXPECT_EQ(inFile.front().kind, "icmp-sweep");
    for (const auto* list : {&inFile, &onServer}) {
        for (const auto& a : *list) {
            EXPECT_GT(a.id, 0);
            // The run is found however the file was named.
            EXPECT_GT(a.runId, 0) << shown(a);
        }
        EXPECT_NE((*list)[0].runId, list->back().runId);
    }
    for (const auto& a : onServer)
        EXPECT_EQ(a.sensor, "lan-a");
    EXPECT_EQ(raisedOnServer.front().sensor, "lan-a");
    EXPECT_EQ(inFile.front().sensor, "");

    // The detectors start again from what each database holds: the last MAC
    // of every ARP sender comes out the same, and the same traffic in new
    // files raises nothing new.
    {
        db::Database f(file), s(server);
        EXPECT_EQ(db::AlertStore(s).lastSenderMacs(), db::AlertStore(f).lastSenderMacs());
    }
    fs::copy_file(spoof, dir.file("spoof-again.pcap"));
    fs::copy_file(sweep, dir.file("sweep-again.pcap"));
    for (const std::string& database : {file, server}) {
        watch::Pipeline restarted(database, {}, watch::VendorTable{});
        EXPECT_TRUE(takeIn(restarted, dir.file("spoof-again.pcap")).empty()) << database;
        EXPECT_TRUE(takeIn(restarted, dir.file("sweep-again.pcap")).empty()) << database;
        db::Database connection(database);
        db::AlertStore store(connection);
        db::StoredAlert again = stored(database).back();
        EXPECT_FALSE(store.insert(again)) << database;
    }

    // Acknowledging one alert, then the rest.
    for (const std::string& database : {file, server}) {
        db::Database connection(database);
        db::AlertStore store(connection);
        const auto before = store.list();
        ASSERT_EQ(before.size(), 3u);
        // A number beyond 32 bits names no alert, not the one it wraps to.
        EXPECT_EQ(store.acknowledge(before[1].id + (std::int64_t{1} << 32)), 0);
        EXPECT_EQ(store.acknowledge(before[1].id), 1);
        EXPECT_EQ(store.acknowledge(before[1].id), 0);
        const auto after = store.list();
        for (std::size_t i = 0; i < after.size(); ++i)
            EXPECT_EQ(after[i].acknowledged, i == 1) << database << ' ' << shown(after[i]);
        EXPECT_EQ(store.acknowledge(std::nullopt), static_cast<int>(before.size()) - 1);
    }
    EXPECT_EQ(shownAll(stored(server)), shownAll(stored(file)));
}

// Each sensor learns and alerts from its own traffic only; its alerts carry
// its name, numbers never repeat across sensors, and a reader narrowed to a
// sensor lists that sensor's alerts alone.
TEST_F(ServerPipeline, SensorsAlertApart)
{
    const std::string uri = freshServerDatabase();
    const auto north = takeInBoth(db::withSensor(uri, "north"));
    const auto south = takeInBoth(db::withSensor(uri, "south"));
    ASSERT_FALSE(north.empty());
    EXPECT_EQ(shownAll(south), shownAll(north));

    const auto all = stored(uri);
    ASSERT_EQ(all.size(), north.size() + south.size());
    std::set<std::int64_t> ids;
    std::multiset<std::string> sensors;
    for (const auto& a : all) {
        ids.insert(a.id);
        sensors.insert(a.sensor);
    }
    EXPECT_EQ(ids.size(), all.size());
    EXPECT_EQ(sensors.count("north"), north.size());

    const auto narrowed = stored(db::withSensor(uri, "south"), db::Database::Access::ReadOnly);
    EXPECT_EQ(shownAll(narrowed), shownAll(stored(db::withSensor(uri, "north"), db::Database::Access::ReadOnly)));
    for (const auto& a : narrowed)
        EXPECT_EQ(a.sensor, "south");
    // Acknowledged by its number, one sensor's alert leaves the other's be.
    db::Database writer(uri);
    EXPECT_EQ(db::AlertStore(writer).acknowledge(narrowed.front().id), 1);
    for (const auto& a : stored(uri))
        EXPECT_EQ(a.acknowledged, a.id == narrowed.front().id);
}

// A server database written by an earlier version: an alert table whose Id
// the server did not fill, and sensor tables without the arrival numbers.
TEST_F(ServerPipeline, EarlierServerDatabasesAreBroughtUpToDate)
{
    const std::string uri = freshServerDatabase();
    const std::string sensor = db::withSensor(uri, "old");
    {
        db::Database connection(uri);
        connection.execute("create table alert (Id integer primary key, Tm char(30), Kind char(24), Severity char(8), "
                           "Ip char(16), Mac char(18), Previousmac char(18), Vendor text, Source char(16), Count "
                           "integer, Windowseconds integer, File text, Eventkey text not null, Runid integer, "
                           "Acknowledged integer not null default 0, unique (Eventkey))");
    }
    QuietRun quiet;
    ASSERT_TRUE(parse::runParse(spoof, sensor, quiet).outcome == TRAWLER_PARSE_COMPLETE);
    {
        db::Database connection(uri);
        connection.execute("alter table sensor_old.arp drop column " + std::string(db::kArrivalColumn));
        connection.execute("alter table sensor_old.history drop column " + std::string(db::kArrivalColumn));
    }
    const std::string file = makeDatabase(dir);
    ASSERT_TRUE(parse::runParse(spoof, file, quiet).outcome == TRAWLER_PARSE_COMPLETE);

    watch::Pipeline pipeline(sensor, {}, watch::VendorTable{});
    const auto alerts = takeIn(pipeline, sweep);
    EXPECT_EQ(described(alerts, "icmp-sweep").size(), 1u);
    ASSERT_FALSE(alerts.empty());
    EXPECT_GT(alerts.front().id, 0);
    db::Database f(file), s(sensor);
    EXPECT_EQ(db::AlertStore(s).lastSenderMacs(), db::AlertStore(f).lastSenderMacs());
}

// As the operator runs it: two sensors ingest the same folder; the alert
// report says whose each alert is, --sensor narrows it, and an alert is
// acknowledged by the Id the report shows.
TEST_F(ServerPipeline, CommandLineIngestReportAndAcknowledge)
{
    const std::string uri = freshServerDatabase();
    fs::create_directory(dir.file("in"));
    fs::copy_file(spoof, dir.file("in/1-spoof.pcap"));
    fs::copy_file(sweep, dir.file("in/2-sweep.pcap"));
    auto rows = [](const std::string& tsv) {
        std::vector<std::vector<std::string>> out;
        std::istringstream in(tsv);
        for (std::string line; std::getline(in, line);) {
            out.emplace_back();
            std::istringstream cells(line);
            for (std::string cell; std::getline(cells, cell, '\t');)
                out.back().push_back(cell);
        }
        return out;
    };

    for (const char* sensor : {"north", "south"}) {
        const CliRun ingest = runCli(dir, {"ingest", uri, dir.file("in"), "--sensor", sensor});
        ASSERT_EQ(ingest.status, 0) << ingest.err;
        EXPECT_EQ(rows(ingest.out).size(), 3u) << ingest.out;
        EXPECT_NE(ingest.out.find(std::string("\"sensor\":\"") + sensor + "\""), std::string::npos) << ingest.out;
    }
    const CliRun all = runCli(dir, {"report", "alerts", uri, "--format", "tsv"});
    ASSERT_EQ(all.status, 0) << all.err;
    const auto allRows = rows(all.out);
    ASSERT_EQ(allRows.size(), 7u) << all.out;
    EXPECT_EQ(allRows[0].back(), "Sensor");

    const CliRun south = runCli(dir, {"report", "alerts", uri, "--format", "tsv", "--sensor", "south"});
    ASSERT_EQ(south.status, 0) << south.err;
    const auto southRows = rows(south.out);
    ASSERT_EQ(southRows.size(), 4u) << south.out;
    for (std::size_t i = 1; i < southRows.size(); ++i)
        EXPECT_EQ(southRows[i].back(), "south");

    const CliRun ack = runCli(dir, {"acknowledge", uri, southRows[2][0]});
    EXPECT_EQ(ack.status, 0) << ack.err;
    const auto after = rows(runCli(dir, {"report", "alerts", uri, "--format", "tsv"}).out);
    int acknowledged = 0;
    for (const auto& row : after)
        if (row.size() > 13 && row[13] == "yes") {
            ++acknowledged;
            EXPECT_EQ(row[0], southRows[2][0]);
        }
    EXPECT_EQ(acknowledged, 1);
}

} // namespace
