// trawler-cli ingest, report alerts and watch, run as the operator runs them.
// The live watch uses the loopback interface only.
#include "WatchFixture.h"
#include "cli/CliRun.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace trawler;
using namespace trawler::test;
using capgen::Scenario;
namespace fs = std::filesystem;

namespace {

const std::string kCli = std::string(TRAWLER_BINARY_DIR) + "/bin/trawler-cli";

std::string quote(const std::string& s) { return shellQuote(s); }
std::string readFile(const std::string& path) { return readWholeFile(path); }

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

CliRun cli(const TempDir& dir, const std::vector<std::string>& args) { return runCli(dir, args); }

// Waits (checking a few times a second) until `done` holds; false if it
// never does within a cap that only keeps a broken build from hanging.
template <typename Condition>
bool await(Condition done)
{
    for (int i = 0; i < 1200; ++i) {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

void sendEchoRound(int socket)
{
    for (int host = 2; host < 32; ++host) {
        std::uint8_t echo[12] = {8, 0, 0, 0, 0x12, 0x34, 0, static_cast<std::uint8_t>(host), 'w', 'a', 't', 'c'};
        std::uint32_t sum = 0;
        for (int i = 0; i < 12; i += 2)
            sum += (echo[i] << 8) | echo[i + 1];
        while (sum >> 16)
            sum = (sum & 0xffff) + (sum >> 16);
        echo[2] = static_cast<std::uint8_t>(~sum >> 8);
        echo[3] = static_cast<std::uint8_t>(~sum & 0xff);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl((127u << 24) | static_cast<std::uint32_t>(host));
        ::sendto(socket, echo, sizeof echo, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
}

} // namespace

TEST(WatchCli, IngestPrintsNewAlertsOnceAndReportListsThemNewestFirst)
{
    TempDir dir;
    const std::string db = makeDatabase(dir);
    fs::create_directory(dir.file("in"));
    generate(dir.file("in/sweep.pcap"), Scenario::IcmpSweep);
    generate(dir.file("in/scan.pcap"), Scenario::SynScan, 1, std::nullopt, capgen::kDefaultStart + 3600);

    const CliRun first = cli(dir, {"ingest", db, dir.file("in")});
    EXPECT_EQ(first.status, 0) << first.err;
    const auto printed = lines(first.out);
    ASSERT_GE(printed.size(), 2u);
    for (const auto& line : printed)
        EXPECT_EQ(line.front(), '{') << line;
    EXPECT_NE(first.out.find("\"kind\":\"icmp-sweep\""), std::string::npos);
    EXPECT_NE(first.out.find("\"kind\":\"syn-scan\""), std::string::npos);

    // Again, into a file: nothing is new.
    const CliRun second = cli(dir, {"ingest", db, dir.file("in"), "--alerts", dir.file("alerts.jsonl")});
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(readFile(dir.file("alerts.jsonl")), "");

    const CliRun report = cli(dir, {"report", "alerts", db, "--format", "tsv"});
    EXPECT_EQ(report.status, 0) << report.err;
    const auto rows = lines(report.out);
    ASSERT_EQ(rows.size(), printed.size() + 1);
    EXPECT_EQ(rows[0].substr(0, 8), "Id\tTime\t");
    // The scan came an hour after the sweep: its alerts lead the list.
    EXPECT_NE(rows[1].find("2023-11-14 23:"), std::string::npos) << rows[1];
    EXPECT_NE(rows.back().find("icmp-sweep"), std::string::npos) << rows.back();

    // A file that is not a capture is reported and fails the command; the rest goes on.
    std::ofstream(dir.file("in/notes.txt")) << "not a capture";
    const CliRun third = cli(dir, {"ingest", db, dir.file("in")});
    EXPECT_EQ(third.status, 1);
    EXPECT_NE(third.err.find("notes.txt"), std::string::npos) << third.err;
}

TEST(WatchCli, LiveWatchOnLoopbackTakesInEveryFileOnceAndAlertsTheSweep)
{
    const int probe = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    if (probe < 0)
        GTEST_SKIP() << "live capture and raw ICMP on lo need root (CAP_NET_RAW)";
    TempDir dir;
    const std::string db = makeDatabase(dir);
    const std::string folder = dir.file("captures");
    const std::string hook = dir.file("hook.jsonl");

    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const std::string out = dir.file("watch.out");
        std::freopen(out.c_str(), "w", stdout);
        std::freopen(dir.file("watch.err").c_str(), "w", stderr);
        ::execl(kCli.c_str(), kCli.c_str(), "watch", db.c_str(), "--interface", "lo", "--dir", folder.c_str(),
                "--filter", "icmp", "--rotate-seconds", "2", "--on-alert", ("cat >> " + quote(hook)).c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const bool started = await([&] { return fs::exists(folder) && !fs::is_empty(folder); });

    // Rounds of echo requests (RFC 792) to 30 loopback addresses, a sweep
    // from 127.0.0.1, until the hook has the alert.
    const bool alerted = started && await([&] {
        sendEchoRound(probe);
        return readFile(hook).find("icmp-sweep") != std::string::npos;
    });
    ::close(probe);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(started) << readFile(dir.file("watch.err"));
    EXPECT_TRUE(alerted) << readFile(dir.file("watch.err"));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << readFile(dir.file("watch.err"));

    const std::string json = readFile(hook);
    EXPECT_NE(json.find("\"kind\":\"icmp-sweep\",\"severity\":\"medium\",\"source\":\"127.0.0.1\""), std::string::npos)
        << json;
    EXPECT_NE(readFile(dir.file("watch.out")).find("icmp-sweep"), std::string::npos);

    // Every file the capture closed, the last one included, was taken in once.
    std::multiset<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.insert(entry.path().string());
    std::multiset<std::string> runs;
    for (const auto& row : rowsOf(reports::ReportCursor::openSql(db, "select Filename from history")))
        runs.insert(row[0]);
    EXPECT_EQ(runs, files);
}

TEST(WatchCli, IpMacMapNamesVendorsOnRequest)
{
    TempDir dir;
    const std::string db = makeDatabase(dir);
    ASSERT_EQ(cli(dir, {"query", db, "insert into arp (Sourceip, Sourcemac) values ('10.0.0.9', '00-00-00-12-34-56')"})
                  .status,
              0);
    const CliRun plain = cli(dir, {"report", "ipmac-map", db, "--format", "tsv"});
    EXPECT_EQ(lines(plain.out).at(0).find("Vendor"), std::string::npos);
    const CliRun named = cli(dir, {"report", "ipmac-map", db, "--format", "tsv", "--vendors"});
    EXPECT_EQ(named.status, 0) << named.err;
    const auto rows = lines(named.out);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].substr(rows[0].rfind('\t') + 1), "Vendor");
    if (!fs::exists("/usr/share/ieee-data/oui.txt"))
        GTEST_SKIP() << "ieee-data is not installed: vendor names are empty";
    // 00-00-00 is the registry's first block, held by Xerox since the 1980s.
    EXPECT_NE(rows[1].find("10.0.0.9\t00-00-00-12-34-56\tXEROX"), std::string::npos) << rows[1];
}
