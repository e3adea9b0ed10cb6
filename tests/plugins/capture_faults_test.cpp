// The capture under faults, live on the loopback interface only: its folder
// removed while it writes, and a stop in the middle of a ping flood.
#include "CaptureApi.h"
#include "LoopbackTraffic.h"
#include "RollingCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using trawler::test::RollingCapture;
using trawler::test::TempDir;

extern char** environ;

namespace {

class CaptureFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
        ::setenv("TRAWLER_CAPTURE_INTERFACE", "lo", 1);
        m_settings.interfaceName = "lo";
    }
    TempDir m_dir;
    TrawlerCaptureSettings m_settings{};
};

// Frames of `path` while it is being written (whole records only).
int ownEchoesInFile(const std::string& path)
{
    return trawler::test::countOwnEchoes(trawler::test::readCaptureFile(path).frames);
}

// A ping process flooding one loopback address, its report in a file.
class PingFlood {
public:
    PingFlood(const std::string& address, const std::string& report, int count = 0) : m_report(report)
    {
        std::vector<std::string> args{"ping", "-f", "-q", "-n"};
        if (count > 0)
            args.insert(args.end(), {"-c", std::to_string(count)});
        args.push_back(address);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        m_spawned = posix_spawnp(&m_pid, "ping", &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~PingFlood()
    {
        if (m_spawned && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            finish();
        }
    }
    bool spawned() const { return m_spawned; }
    void interrupt() { ::kill(m_pid, SIGINT); }
    // Waits for the exit; the "N packets transmitted, M received" figures.
    bool finish(long& transmitted, long& received)
    {
        if (!finish())
            return false;
        std::ifstream in(m_report);
        std::stringstream text;
        text << in.rdbuf();
        std::smatch match;
        const std::string report = text.str();
        if (!std::regex_search(report, match, std::regex(R"((\d+) packets transmitted, (\d+) received)")))
            return false;
        transmitted = std::stol(match[1]);
        received = std::stol(match[2]);
        return true;
    }

private:
    bool finish()
    {
        int status = 0;
        const bool ok = ::waitpid(m_pid, &status, 0) == m_pid;
        m_reaped = true;
        return ok && WIFEXITED(status) && WEXITSTATUS(status) != 2; // 2: ping could not run
    }

    std::string m_report;
    pid_t m_pid = -1;
    bool m_spawned = false;
    bool m_reaped = false;
};

// Echo requests (type 8) to `destination` in `frames`, by sequence number
// (RFC 792: identifier at ICMP bytes 4-5, sequence at 6-7; ICMP at byte 34).
std::vector<int> requestSequences(const std::vector<std::vector<std::uint8_t>>& frames,
                                  const std::array<std::uint8_t, 4>& destination)
{
    std::vector<int> sequences;
    for (const auto& frame : frames) {
        if (trawler::test::icmpType(frame) == 8 && frame.size() >= 42 &&
            std::equal(destination.begin(), destination.end(), frame.begin() + 30))
            sequences.push_back((frame[40] << 8) | frame[41]);
    }
    return sequences;
}

int repliesFrom(const std::vector<std::vector<std::uint8_t>>& frames, const std::array<std::uint8_t, 4>& source)
{
    int count = 0;
    for (const auto& frame : frames)
        count += trawler::test::icmpType(frame) == 0 && std::equal(source.begin(), source.end(), frame.begin() + 26);
    return count;
}

} // namespace

TEST_F(CaptureFaults, FolderRemovedWhileCapturingIsAnErrorNotACount)
{
    const fs::path folder = m_dir.path() / "caps";
    fs::create_directory(folder);
    const std::string folderText = folder.string();
    const std::string filter = trawler::test::ownEchoFilter();
    m_settings.directory = folderText.c_str();
    m_settings.filter = filter.c_str();
    RollingCapture capture(m_settings);
    ASSERT_TRUE(capture.waitStarted());
    trawler::test::pingLoopback(2);
    for (int i = 0; i < 400 && ownEchoesInFile(capture.startedFile()) < 4; ++i)
        std::this_thread::sleep_for(25ms);
    ASSERT_EQ(ownEchoesInFile(capture.startedFile()), 4);

    fs::remove_all(folder);
    // No stop: the capture notices by itself at its next check of the file.
    ASSERT_TRUE(capture.waitEnded()) << "the capture ran on into a removed file";
    EXPECT_EQ(capture.join(), TRAWLER_CAPTURE_WRITE_FAILED);
    const TrawlerCaptureTotals& totals = capture.totals();
    EXPECT_NE(std::string(totals.error).find("was removed"), std::string::npos) << totals.error;
    EXPECT_NE(std::string(totals.error).find(capture.startedFile()), std::string::npos) << totals.error;
    EXPECT_EQ(totals.packets, 0u) << "no file holds the packets any more";
    EXPECT_STREQ(totals.lastFile, "");
    EXPECT_TRUE(capture.closedFiles().empty()) << "a removed file is not handed on";
}

TEST_F(CaptureFaults, StopDuringAPingFloodKeepsEveryCountedPacket)
{
    // Addresses of this process alone in 127.0.0.0/8, so captures of other
    // tests do not mix in.
    const std::uint8_t a = static_cast<std::uint8_t>((::getpid() >> 8) & 0xff);
    const std::uint8_t b = static_cast<std::uint8_t>(::getpid() & 0xff);
    const std::array<std::uint8_t, 4> bounded{127, a, b, 1}, endless{127, a, b, 2};
    auto text = [](const std::array<std::uint8_t, 4>& ip) {
        return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
               std::to_string(ip[3]);
    };
    const std::string filter = "icmp and (host " + text(bounded) + " or host " + text(endless) + ")";
    const std::string folder = m_dir.path().string();
    m_settings.directory = folder.c_str();
    m_settings.filter = filter.c_str();
    RollingCapture capture(m_settings);
    ASSERT_TRUE(capture.waitStarted());

    long transmitted = 0, received = 0;
    {
        PingFlood flood(text(bounded), m_dir.file("bounded.txt"), 2000);
        if (!flood.spawned() || !flood.finish(transmitted, received))
            GTEST_SKIP() << "ping cannot flood here (ping -f needs iputils-ping and root)";
    }
    PingFlood flood(text(endless), m_dir.file("endless.txt"));
    ASSERT_TRUE(flood.spawned());
    for (int i = 0; i < 400 && requestSequences(trawler::test::readCaptureFile(capture.startedFile()).frames,
                                                endless).empty(); ++i)
        std::this_thread::sleep_for(25ms);
    // Stopped while the flood goes on.
    EXPECT_EQ(capture.stopAndJoin(), TRAWLER_CAPTURE_STOPPED) << capture.totals().error;
    flood.interrupt();

    const TrawlerCaptureTotals& totals = capture.totals();
    const auto file = trawler::test::readCaptureFile(totals.lastFile);
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.frames.size(), totals.packets) << "the count must be what the file holds";
    ASSERT_EQ(capture.closedFiles().size(), 1u);
    EXPECT_EQ(capture.closedFiles()[0].packets, totals.packets);
    EXPECT_LE(totals.packets + totals.kernelDropped, totals.kernelReceived);

    // The finished flood is in the file whole.
    EXPECT_EQ(static_cast<long>(requestSequences(file.frames, bounded).size()), transmitted);
    EXPECT_EQ(repliesFrom(file.frames, bounded), received);
    // What was read of the running flood has no hole: nothing the capture
    // took from the kernel was lost on the way to the file.
    const std::vector<int> sequences = requestSequences(file.frames, endless);
    ASSERT_FALSE(sequences.empty());
    if (totals.kernelDropped == 0) {
        for (std::size_t i = 0; i < sequences.size(); ++i)
            ASSERT_EQ(sequences[i], static_cast<int>(i + 1) & 0xffff) << "request " << i << " missing";
    }
}
