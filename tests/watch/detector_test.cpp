// The detectors through the pipeline on generated captures: which alerts a
// scenario raises, none below the thresholds, nothing new on a restart or a
// second take-in of the same traffic.
#include "WatchFixture.h"

#include "db/Database.h"
#include "reports/Catalogue.h"
#include "reports/IpMacMap.h"
#include "watch/SlidingWindow.h"

#include <filesystem>
#include <map>

using namespace trawler;
using namespace trawler::test;
using capgen::Scenario;

namespace {

std::set<std::string> sharePairsOfLanAccessReport(const std::string& db)
{
    std::set<std::string> out;
    for (const auto& row : rowsOf(reports::ReportCursor::open(db, reports::lanAccessReport())))
        out.insert("share-access ip=" + row[1] + " mac= prev= src=" + row[0]);
    return out;
}

std::set<std::string> asSet(const std::multiset<std::string>& m)
{
    return {m.begin(), m.end()};
}

// The gateway of the arp-spoof scenario: the one IP answered by two MACs, in
// the order the capture shows them.
struct Spoofed {
    std::string ip, first, second;
};

Spoofed spoofedAddress(const std::string& db)
{
    std::map<std::string, std::vector<std::string>> macs;
    for (const auto& row : reports::readIpMacMap(db).rows)
        macs[row.cells[0].value_or("")].push_back(row.cells[1].value_or(""));
    for (const auto& [ip, list] : macs) {
        if (list.size() != 2)
            continue;
        const auto first = rowsOf(reports::ReportCursor::openSql(
            db, "select Sourcemac from arp where Sourceip = '" + ip + "' order by rowid limit 1"));
        return {ip, first[0][0], first[0][0] == list[0] ? list[1] : list[0]};
    }
    ADD_FAILURE() << "no address with two MACs";
    return {};
}

class DetectorScenarios : public ::testing::Test {
protected:
    TempDir dir;
    std::string db = makeDatabase(dir);
};

} // namespace

TEST_F(DetectorScenarios, ArpSpoofRaisesOneChangeOneFlipFlopAndTheReferenceMismatch)
{
    const std::string capture = generate(dir.file("spoof.pcap"), Scenario::ArpSpoof);
    // The run is needed first to learn the addresses; a second database holds
    // the gateway's binding before the run, in another form with trailing blanks.
    watch::Pipeline probe(db, {}, {});
    takeIn(probe, capture);
    const Spoofed spoofed = spoofedAddress(db);
    ASSERT_FALSE(spoofed.ip.empty());

    const std::string bound = makeDatabase(dir, "bound.mdb");
    {
        std::string upper = spoofed.first;
        for (char& c : upper)
            c = c == '-' ? ':' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        db::Database database(bound);
        database.prepare("insert into ipmac values (?, ?)").bindText(1, spoofed.ip).bindText(2, upper + " ").execute();
    }
    watch::Pipeline pipeline(bound, {}, {});
    const auto alerts = takeIn(pipeline, capture);

    // The attacker's MAC and the gateway's take turns many times: each
    // change between the same two MACs is one event.
    const std::string ip = " ip=" + spoofed.ip;
    EXPECT_EQ(described(alerts),
              (std::multiset<std::string>{
                  "mac-changed" + ip + " mac=" + spoofed.second + " prev=" + spoofed.first + " src=",
                  "flip-flop" + ip + " mac=" + spoofed.first + " prev=" + spoofed.second + " src=",
                  "reference-mismatch" + ip + " mac=" + spoofed.second + " prev=" + spoofed.first + " src="}));
    for (const auto& a : alerts) {
        EXPECT_EQ(a.file, capture);
        EXPECT_GT(a.runId, 0);
    }
}

TEST_F(DetectorScenarios, SweepAndSynScanAreEachOneAlertFromTheScanner)
{
    watch::Pipeline pipeline(db, {}, {});
    const auto sweep = takeIn(pipeline, generate(dir.file("sweep.pcap"), Scenario::IcmpSweep));
    const auto scanners = rowsOf(reports::ReportCursor::open(db, reports::icmpScannersReport()));
    ASSERT_FALSE(scanners.empty());
    ASSERT_EQ(sweep.size(), 1u);
    EXPECT_EQ(describe(sweep[0]), "icmp-sweep ip= mac= prev= src=" + scanners[0][2]);
    EXPECT_EQ(sweep[0].count, 20);
    EXPECT_EQ(sweep[0].windowSeconds, 60);

    const auto scan = takeIn(pipeline, generate(dir.file("scan.pcap"), Scenario::SynScan));
    const auto synSources = rowsOf(reports::ReportCursor::openSql(
        db, "select Sourceip from syn group by Sourceip order by count(*) desc limit 1"));
    EXPECT_EQ(described(scan, "syn-scan"), (std::multiset<std::string>{"syn-scan ip= mac= prev= src=" + synSources[0][0]}));
    // The scan also knocks on the file-sharing ports: those pairs are new.
    EXPECT_EQ(asSet(described(scan, "share-access")), sharePairsOfLanAccessReport(db));
    EXPECT_EQ(scan.size(), 1 + described(scan, "share-access").size());
}

TEST_F(DetectorScenarios, BelowTheThresholdsNothingIsRaised)
{
    watch::DetectorSettings strict;
    strict.sweepDestinations = 255; // more than a /24 holds
    strict.synTargets = 100000;
    watch::Pipeline pipeline(db, strict, {});
    EXPECT_TRUE(takeIn(pipeline, generate(dir.file("sweep.pcap"), Scenario::IcmpSweep)).empty());
    EXPECT_TRUE(described(takeIn(pipeline, generate(dir.file("scan.pcap"), Scenario::SynScan)), "syn-scan").empty());
}

TEST_F(DetectorScenarios, BulkTrafficRaisesOnlyNewSharingPairsAndStations)
{
    watch::Pipeline pipeline(db, {}, {});
    auto alerts = takeIn(pipeline, generate(dir.file("bulk1.pcap"), Scenario::Bulk, 1, 20000));
    // The first run of a database only learns its stations.
    EXPECT_TRUE(described(alerts, "new-station").empty());
    const auto more = takeIn(pipeline, generate(dir.file("bulk2.pcap"), Scenario::Bulk, 1, 20000, 1700003600));
    alerts.insert(alerts.end(), more.begin(), more.end());
    for (const auto& a : alerts)
        EXPECT_TRUE(a.kind == "share-access") << describe(a);
    EXPECT_EQ(asSet(described(alerts)), sharePairsOfLanAccessReport(db));
    EXPECT_EQ(described(alerts).size(), sharePairsOfLanAccessReport(db).size());
}

TEST_F(DetectorScenarios, NewStationsAfterTheFirstRunCarryTheirFirstMac)
{
    watch::Pipeline pipeline(db, {}, {});
    takeIn(pipeline, generate(dir.file("netbios.pcap"), Scenario::Netbios));
    const auto alerts = takeIn(pipeline, generate(dir.file("spoof.pcap"), Scenario::ArpSpoof, 7));

    std::multiset<std::string> expected;
    for (const auto& row : rowsOf(reports::ReportCursor::openSql(
             db, "select Sourceip, Sourcemac from arp a where rowid = "
                 "(select min(rowid) from arp b where b.Sourceip = a.Sourceip)")))
        expected.insert("new-station ip=" + row[0] + " mac=" + row[1] + " prev= src=");
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(described(alerts, "new-station"), expected);
}

TEST_F(DetectorScenarios, RestartAndSecondTakeInOfTheSameTrafficRaiseNothingNew)
{
    const std::string spoof = generate(dir.file("spoof.pcap"), Scenario::ArpSpoof);
    const std::string sweep = generate(dir.file("sweep.pcap"), Scenario::IcmpSweep);
    const std::string shares = generate(dir.file("netbios.pcap"), Scenario::Netbios);
    std::size_t first = 0;
    {
        watch::Pipeline pipeline(db, {}, {});
        for (const auto& f : {spoof, sweep, shares})
            first += takeIn(pipeline, f).size();
    }
    ASSERT_GT(first, 0u);

    watch::Pipeline restarted(db, {}, {});
    QuietRun listener;
    for (const auto& f : {spoof, sweep, shares}) {
        const auto again = restarted.takeIn(f, listener);
        EXPECT_EQ(again.run.outcome, TRAWLER_PARSE_ALREADY_STORED);
        EXPECT_TRUE(again.alerts.empty());
        // The same bytes under another name are an ordinary new run.
        const std::string copy = f + ".copy";
        std::filesystem::copy_file(f, copy);
        EXPECT_TRUE(described(takeIn(restarted, copy)).empty()) << copy;
    }
    db::Database database(db);
    EXPECT_EQ(db::AlertStore(database).list().size(), first);
}

TEST(SlidingWindow, ReportsEachBurstOnceAndForgetsTargetsOutsideTheWindow)
{
    watch::SlidingWindow w;
    for (std::uint64_t t = 1; t < 5; ++t)
        EXPECT_FALSE(w.add(0, t, 60, 5));
    EXPECT_FALSE(w.add(1, 4, 60, 5)) << "a target seen again counts once";
    EXPECT_TRUE(w.add(2, 5, 60, 5));
    EXPECT_FALSE(w.add(3, 6, 60, 5)) << "one report per burst";
    EXPECT_EQ(w.distinct(), 6u);

    // 59 seconds after the last target the burst still goes on.
    EXPECT_FALSE(w.add(62, 7, 60, 5));
    EXPECT_EQ(w.distinct(), 2u); // targets 6 (t=3) and 7
    // After a quiet window the next burst is reported again.
    for (std::uint64_t t = 10; t < 14; ++t)
        EXPECT_FALSE(w.add(200, t, 60, 5));
    EXPECT_TRUE(w.add(201, 14, 60, 5));
}
