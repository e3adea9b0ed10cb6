// Alert texts and where they go: the JSON line, vendor names from the
// registry file, and the command run per alert.
#include "TempDir.h"

#include "watch/AlertOutputs.h"
#include "watch/VendorTable.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>

using namespace trawler;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

db::StoredAlert stationAlert()
{
    db::StoredAlert a;
    a.time = "2023-11-14 22:13:30";
    a.kind = "mac-changed";
    a.severity = "medium";
    a.ip = "192.168.1.1";
    a.mac = "00-0c-29-3a-5f-01";
    a.previousMac = "c6-52-46-f0-f5-b5";
    a.file = "/var/lib/trawler/a \"quoted\"\\name\n.cap";
    return a;
}

} // namespace

TEST(AlertJson, HoldsOnlyTheFieldsThatApplyWithTextsEscaped)
{
    EXPECT_EQ(watch::alertJson(stationAlert()),
              "{\"time\":\"2023-11-14 22:13:30\",\"kind\":\"mac-changed\",\"severity\":\"medium\",\"ip\":\"192.168.1.1\","
              "\"mac\":\"00-0c-29-3a-5f-01\",\"previous_mac\":\"c6-52-46-f0-f5-b5\",\"vendor\":\"\","
              "\"file\":\"/var/lib/trawler/a \\\"quoted\\\"\\\\name\\n.cap\"}");

    db::StoredAlert sweep;
    sweep.time = "2023-11-14 22:13:20";
    sweep.kind = "icmp-sweep";
    sweep.severity = "medium";
    sweep.source = "10.0.0.9";
    sweep.count = 20;
    sweep.windowSeconds = 60;
    sweep.file = std::string("x\x01y");
    EXPECT_EQ(watch::alertJson(sweep), "{\"time\":\"2023-11-14 22:13:20\",\"kind\":\"icmp-sweep\",\"severity\":"
                                       "\"medium\",\"source\":\"10.0.0.9\",\"count\":20,\"window_seconds\":60,"
                                       "\"file\":\"x\\u0001y\"}");
}

TEST(VendorTable, NamesTheOwnerOfAnyMacFormAndIsEmptyWithoutTheRegistry)
{
    trawler::test::TempDir dir;
    const std::string path = dir.file("oui.txt");
    std::ofstream(path) << "OUI/MA-L                                                    Organization\n"
                           "company_id                                                  Organization\n"
                           "                                                            Address\n\n"
                           "00-0C-29   (hex)\t\tVMware, Inc.\n"
                           "000C29     (base 16)\t\tVMware, Inc.\n"
                           "\t\t\t\t3401 Hillview Avenue\n\n"
                           "C6-52-46   (hex)\t\tExample Networks  \r\n"
                           "BAD LINE   (hex)\t\tNobody\n";
    const auto table = watch::VendorTable::load(path);
    EXPECT_EQ(table.size(), 2u);
    EXPECT_EQ(table.lookup("00-0c-29-3a-5f-01"), "VMware, Inc.");
    EXPECT_EQ(table.lookup("00:0C:29:3A:5F:01 "), "VMware, Inc.");
    EXPECT_EQ(table.lookup("c6-52-46-f0-f5-b5"), "Example Networks");
    EXPECT_EQ(table.lookup("00-0c-2a-00-00-01"), "");
    EXPECT_EQ(table.lookup("not a mac"), "");
    EXPECT_EQ(watch::VendorTable::load(dir.file("absent.txt")).lookup("00-0c-29-3a-5f-01"), "");
}

TEST(CommandSink, EachAlertReachesTheCommandAndFailuresAreLogged)
{
    trawler::test::TempDir dir;
    const std::string out = dir.file("hook.txt");
    std::vector<std::string> log;
    std::mutex logMutex;
    auto logLine = [&](const std::string& line) {
        std::lock_guard<std::mutex> lock(logMutex);
        log.push_back(line);
    };
    const db::StoredAlert alert = stationAlert();
    {
        watch::CommandSink sink("cat >> '" + out + "'", logLine);
        sink.publish(alert, "{\"n\":1}");
        sink.publish(alert, "{\"n\":2}");
    } // the destructor runs what is queued
    EXPECT_EQ(readFile(out), "{\"n\":1}\n{\"n\":2}\n");
    EXPECT_TRUE(log.empty());

    {
        watch::CommandSink failing("exit 3", logLine);
        failing.publish(alert, "{}");
        // One that never reads its input nor ends is stopped at the time limit.
        watch::CommandSink stuck("exec sleep 600", logLine, 64, 1);
        stuck.publish(alert, "{}");
    }
    // The two run side by side: their lines come in either order.
    ASSERT_EQ(log.size(), 2u);
    std::sort(log.begin(), log.end(), [](const std::string& a, const std::string& b) {
        return a.find("exit status") != std::string::npos && b.find("exit status") == std::string::npos;
    });
    EXPECT_NE(log[0].find("exit status 3"), std::string::npos) << log[0];
    EXPECT_NE(log[1].find("still running"), std::string::npos) << log[1];
}

TEST(CommandSink, AFullQueueDropsTheAlertInsteadOfWaiting)
{
    std::vector<std::string> log;
    std::mutex logMutex;
    {
        // The first command holds the worker until the test writes to the
        // pipe it reads; the later ones end at once.
        trawler::test::TempDir dir;
        const std::string fifo = dir.file("gate");
        const std::string marker = dir.file("first");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        watch::CommandSink sink("[ -e '" + marker + "' ] || { touch '" + marker + "'; read line < '" + fifo + "'; }",
                                [&](const std::string& line) {
            std::lock_guard<std::mutex> lock(logMutex);
            log.push_back(line);
        }, 1);
        const db::StoredAlert alert = stationAlert();
        sink.publish(alert, "{}");  // taken by the worker, or waiting in the queue
        sink.publish(alert, "{}");
        sink.publish(alert, "{}");  // at least one of these finds the queue full
        std::ofstream(fifo) << "go\n";
    }
    std::lock_guard<std::mutex> lock(logMutex);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("dropped"), std::string::npos) << log[0];
}
