// trawler-cli capture: limits, Ctrl-C and refusals, on the loopback interface.
#include "LoopbackTraffic.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using trawler::test::TempDir;

extern char** environ;

namespace {

// trawler-cli with its output in files of the scratch folder.
class CliRun {
public:
    CliRun(const TempDir& scratch, std::vector<std::string> args) : m_out(scratch.file("out.txt")), m_err(scratch.file("err.txt"))
    {
        args.insert(args.begin(), TRAWLER_BINARY_DIR "/bin/trawler-cli");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, m_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, m_err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        m_spawned = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliRun()
    {
        if (m_spawned && !m_reaped) {
            ::kill(m_pid, SIGKILL);
            wait();
        }
    }
    bool spawned() const { return m_spawned; }
    void interrupt() { ::kill(m_pid, SIGINT); }
    int wait()
    {
        if (!m_reaped) {
            ::waitpid(m_pid, &m_status, 0);
            m_reaped = true;
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }
    bool exited()
    {
        if (!m_reaped && ::waitpid(m_pid, &m_status, WNOHANG) == m_pid)
            m_reaped = true;
        return m_reaped;
    }
    std::string out() const { return slurp(m_out); }
    std::string err() const { return slurp(m_err); }

private:
    static std::string slurp(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_out, m_err;
    pid_t m_pid = -1;
    bool m_spawned = false;
    bool m_reaped = false;
    int m_status = 0;
};

// Only this process's echoes: ICMP identifier at bytes 4-5 (RFC 792).
std::string ownEchoFilter()
{
    return "icmp and icmp[4:2] = " + std::to_string(trawler::test::ownEchoIdentifier());
}

bool waitForFile(const fs::path& dir)
{
    for (int i = 0; i < 200; ++i) {
        if (fs::directory_iterator(dir) != fs::directory_iterator())
            return true;
        std::this_thread::sleep_for(25ms);
    }
    return false;
}

class CaptureCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
        ::setenv("TRAWLER_CAPTURE_INTERFACE", "lo", 1);
        ASSERT_TRUE(fs::create_directory(m_scratch.path() / "caps"));
        m_caps = (m_scratch.path() / "caps").string();
    }
    TempDir m_scratch;
    std::string m_caps;
};

} // namespace

TEST_F(CaptureCli, CtrlCStopsCleanlyAndReportsFileAndCount)
{
    CliRun run(m_scratch, {"capture", m_caps, "--interface", "lo", "--filter", ownEchoFilter()});
    ASSERT_TRUE(run.spawned());
    ASSERT_TRUE(waitForFile(m_caps)) << run.err();
    trawler::test::pingLoopback(2);
    std::this_thread::sleep_for(300ms);
    run.interrupt();
    EXPECT_EQ(run.wait(), 0) << run.err();

    const fs::path file = *fs::directory_iterator(m_caps);
    EXPECT_EQ(run.out(), file.string() + "\n4 packets\n");
    EXPECT_EQ(trawler::test::countOwnEchoes(trawler::test::readCaptureFile(file.string()).frames), 4);
}

TEST_F(CaptureCli, PacketLimitEndsTheCapture)
{
    CliRun run(m_scratch, {"capture", m_caps, "-i", "lo", "-f", ownEchoFilter(), "--count", "1", "--seconds", "20"});
    ASSERT_TRUE(waitForFile(m_caps)) << run.err();
    trawler::test::pingLoopback(1);
    EXPECT_EQ(run.wait(), 0) << run.err();
    EXPECT_NE(run.out().find("\n1 packet\n"), std::string::npos) << run.out();
}

TEST_F(CaptureCli, RefusalsExitWithTheReasonAndNoFile)
{
    CliRun notEthernet(m_scratch, {"capture", m_caps, "--interface", "any"});
    EXPECT_EQ(notEthernet.wait(), 1);
    EXPECT_NE(notEthernet.err().find("not an Ethernet interface"), std::string::npos) << notEthernet.err();
    EXPECT_EQ(notEthernet.out(), "");

    CliRun badFilter(m_scratch, {"capture", m_caps, "-i", "lo", "--filter", "port"});
    EXPECT_EQ(badFilter.wait(), 1);
    EXPECT_NE(badFilter.err().find("Invalid capture filter"), std::string::npos) << badFilter.err();

    CliRun zeroCount(m_scratch, {"capture", m_caps, "-i", "lo", "--count", "0"});
    EXPECT_EQ(zeroCount.wait(), 2) << "a usage error";
    EXPECT_TRUE(fs::is_empty(m_caps));
}

TEST_F(CaptureCli, RotationPrintsEachClosedFileWithItsCount)
{
    CliRun run(m_scratch, {"capture", m_caps, "-i", "lo", "-f", ownEchoFilter(), "--rotate-seconds", "1",
                           "--seconds", "2"});
    ASSERT_TRUE(waitForFile(m_caps)) << run.err();
    trawler::test::pingLoopback(2);
    EXPECT_EQ(run.wait(), 0) << run.err();

    // "<file>\n<n> packets\n" per file, in the order they were closed.
    std::istringstream out(run.out());
    std::string path, count;
    int files = 0, echoes = 0;
    while (std::getline(out, path) && std::getline(out, count)) {
        ++files;
        const auto read = trawler::test::readCaptureFile(path);
        ASSERT_TRUE(read.opened) << path;
        EXPECT_EQ(count, std::to_string(read.frames.size()) + (read.frames.size() == 1 ? " packet" : " packets"));
        echoes += trawler::test::countOwnEchoes(read.frames);
    }
    EXPECT_GE(files, 2) << run.out();
    EXPECT_EQ(static_cast<std::size_t>(files), static_cast<std::size_t>(std::distance(
                                                   fs::directory_iterator(m_caps), fs::directory_iterator())));
    EXPECT_EQ(echoes, 4);
}

// A tmpfs of a few pages, mounted for one test and unmounted after it.
class SmallFileSystem {
public:
    SmallFileSystem(const fs::path& where, const char* size) : m_where(where)
    {
        fs::create_directory(where);
        m_mounted = ::mount("tmpfs", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, size) == 0;
        m_error = m_mounted ? 0 : errno;
    }
    ~SmallFileSystem()
    {
        if (m_mounted)
            ::umount2(m_where.c_str(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    std::string why() const { return std::strerror(m_error); }

private:
    fs::path m_where;
    bool m_mounted = false;
    int m_error = 0;
};

TEST_F(CaptureCli, FullDiskEndsTheCaptureWithTheReasonAndTheTrueCount)
{
    SmallFileSystem small(m_scratch.path() / "small", "size=64k");
    if (!small.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << small.why();
    const std::string folder = (m_scratch.path() / "small").string();

    // Datagrams of 1000 bytes to a socket of this test: the tmpfs takes
    // about sixty of them.
    const int receiver = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to = trawler::test::loopbackAddress(0);
    socklen_t length = sizeof to;
    ASSERT_EQ(::bind(receiver, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
    ASSERT_EQ(::getsockname(receiver, reinterpret_cast<sockaddr*>(&to), &length), 0);
    const int sender = ::socket(AF_INET, SOCK_DGRAM, 0);

    CliRun run(m_scratch, {"capture", folder, "-i", "lo", "-f", "udp dst port " + std::to_string(ntohs(to.sin_port))});
    ASSERT_TRUE(waitForFile(folder)) << run.err();
    const std::string payload(1000, 'x');
    for (int i = 0; i < 20000 && !run.exited(); ++i) {
        ::sendto(sender, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        std::this_thread::sleep_for(1ms);
    }
    ::close(sender);
    ::close(receiver);
    EXPECT_EQ(run.wait(), 1) << "a capture that lost packets to a full disk is a failure";
    EXPECT_NE(run.err().find("No space left on device"), std::string::npos) << run.err();

    // The file ends at its last whole record and the count printed is what it holds.
    const fs::path file = *fs::directory_iterator(folder);
    const auto read = trawler::test::readCaptureFile(file.string());
    ASSERT_TRUE(read.opened);
    ASSERT_GT(read.frames.size(), 10u);
    std::uintmax_t expectedSize = 24;
    for (const auto& frame : read.frames)
        expectedSize += 16 + frame.size();
    EXPECT_EQ(fs::file_size(file), expectedSize) << "a torn record is left at the end";
    EXPECT_EQ(run.out(), file.string() + "\n" + std::to_string(read.frames.size()) + " packets\n");
    EXPECT_NE(run.err().find("keeps its first " + std::to_string(read.frames.size()) + " packets"), std::string::npos)
        << run.err();
}
