// The capture component: file naming, interface choice, and live capture on
// the loopback interface (root only).
#include "CaptureApi.h"
#include "CaptureFile.h"
#include "CaptureInterface.h"
#include "CaptureWriter.h"
#include "LoopbackTraffic.h"
#include "TempDir.h"

#ifdef TRAWLER_HAVE_PARSE
#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "parse/ParseRun.h"
#endif

#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/resource.h>
#include <csignal>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using trawler::test::TempDir;

namespace {

std::size_t fileCount(const fs::path& dir)
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir))
        ++count;
    return count;
}

// A capture on its own thread, as the desktop program and the command line run it.
class BackgroundCapture {
public:
    struct Outcome {
        int status = -1;
        std::string error;
        std::string fileName;
        unsigned long long packets = 0;
    };

    BackgroundCapture(std::string filter, std::string directory, unsigned long long maxPackets = 0,
                      unsigned maxSeconds = 0, std::string interfaceName = "lo")
        : m_filter(std::move(filter)), m_directory(std::move(directory)), m_interface(std::move(interfaceName))
    {
        m_options.interfaceName = m_interface.c_str();
        m_options.maxPackets = maxPackets;
        m_options.maxSeconds = maxSeconds;
        m_options.onStarted = &BackgroundCapture::started;
        m_options.context = this;
        m_thread = std::thread([this] {
            TrawlerCaptureSummary summary{};
            Outcome outcome;
            outcome.status = TrawlerCaptureRun(m_filter.c_str(), m_directory.c_str(), &m_options, &summary);
            outcome.error = TrawlerCaptureLastError();
            outcome.fileName = summary.fileName;
            outcome.packets = summary.packets;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_outcome = outcome;
            m_ended = true;
            m_changed.notify_all();
        });
    }
    ~BackgroundCapture()
    {
        if (m_thread.joinable()) {
            TrawlerCaptureStop();
            m_thread.join();
        }
    }

    // True once the capture runs; false when it ended without starting.
    bool waitStarted()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, 10s, [this] { return m_started || m_ended; });
        return m_started;
    }
    Outcome stopAndJoin()
    {
        // Repeated: a stop counts only once the capture has registered.
        while (!ended())
            TrawlerCaptureStop(), std::this_thread::sleep_for(10ms);
        return join();
    }
    Outcome join()
    {
        m_thread.join();
        return m_outcome;
    }
    bool ended()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ended;
    }
    std::string startedFile()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_startedFile;
    }
    // Makes the started notification ask for a stop at once.
    void stopOnStart() { m_stopOnStart = true; }

private:
    static void started(void* context, const char*, const char* fileName)
    {
        auto* self = static_cast<BackgroundCapture*>(context);
        if (self->m_stopOnStart)
            TrawlerCaptureStop();
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_started = true;
        self->m_startedFile = fileName;
        self->m_changed.notify_all();
    }

    std::string m_filter, m_directory, m_interface;
    TrawlerCaptureOptions m_options{};
    std::atomic<bool> m_stopOnStart{false};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_ended = false;
    std::string m_startedFile;
    Outcome m_outcome;
    std::thread m_thread;
};

class LiveCapture : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
        // Whatever a test forgets to name, nothing is ever captured beyond lo.
        ::setenv("TRAWLER_CAPTURE_INTERFACE", "lo", 1);
    }
    TempDir m_dir;
};

} // namespace

TEST(CaptureFileTest, NamedAfterStartTimeAndNeverReplacesAFile)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(trawler::capture::captureFileStem(1796740205), "trawler-20261208-143005");

    TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        trawler::capture::CreatedFile file;
        std::string error;
        ASSERT_TRUE(trawler::capture::createCaptureFile(dir.path().string(), 1796740205, file, error)) << error;
        ::write(file.fd, "x", 1);
        ::close(file.fd);
        paths.push_back(fs::path(file.path).filename().string());
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"trawler-20261208-143005.cap", "trawler-20261208-143005-2.cap",
                                               "trawler-20261208-143005-3.cap"}));
    EXPECT_EQ(fs::file_size(dir.path() / paths[0]), 1u);
}

TEST(CaptureFileTest, SaveDirectoryChecks)
{
    TempDir dir;
    std::ofstream(dir.file("plain")) << "x";
    EXPECT_EQ(trawler::capture::checkSaveDirectory(dir.path().string()), "");
    EXPECT_EQ(trawler::capture::checkSaveDirectory(dir.path().string() + "/"), "");
    EXPECT_EQ(trawler::capture::checkSaveDirectory(""), "No save directory is set.");
    EXPECT_NE(trawler::capture::checkSaveDirectory(dir.file("missing")).find("No such file or directory"),
              std::string::npos);
    EXPECT_NE(trawler::capture::checkSaveDirectory(dir.file("plain")).find("is not a directory"), std::string::npos);
}

TEST(CaptureWriterTest, WritesWholeRecordsAndStopsAtTheFirstFailedWrite)
{
    using trawler::capture::CaptureWriter;
    TempDir dir;
    const std::string path = dir.file("w.cap");
    std::vector<u_char> payload(100, 0xab);
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(payload.size());
    const std::uintmax_t record = CaptureWriter::kRecordHeaderBytes + payload.size();

    // A file size limit makes the kernel take part of a write, then refuse
    // the rest (EFBIG), as a filling disk does (ENOSPC).
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    {
        CaptureWriter writer;
        ASSERT_TRUE(writer.open(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644), path, DLT_EN10MB, 65535))
            << writer.error();
        const int other = ::open(path.c_str(), O_RDONLY);
        EXPECT_NE(::flock(other, LOCK_SH | LOCK_NB), 0) << "the file being written is locked";
        rlimit small = old;
        small.rlim_cur = 24 + 2 * record + record / 2;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int i = 0; i < 5; ++i)
            EXPECT_TRUE(writer.write(header, payload.data()));
        EXPECT_EQ(writer.packets(), 5u) << "buffered records count until a failure";
        EXPECT_FALSE(writer.flush());
        ::setrlimit(RLIMIT_FSIZE, &old);
        EXPECT_NE(writer.error().find("File too large"), std::string::npos) << writer.error();
        EXPECT_NE(writer.error().find(path), std::string::npos);
        EXPECT_EQ(writer.packets(), 2u);
        EXPECT_FALSE(writer.write(header, payload.data())) << "nothing more after the first failure";
        EXPECT_FALSE(writer.close());
        EXPECT_FALSE(writer.removed());
        EXPECT_EQ(::flock(other, LOCK_SH | LOCK_NB), 0) << "closing releases the lock";
        ::close(other);
    }
    std::signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(fs::file_size(path), 24 + 2 * record) << "cut back to the last whole record";
    const auto file = trawler::test::readCaptureFile(path);
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.linkType, DLT_EN10MB);
    EXPECT_EQ(file.frames.size(), 2u);

    // A file that lost its name is a failure at the next flush.
    const std::string gone = dir.file("gone.cap");
    CaptureWriter writer;
    ASSERT_TRUE(writer.open(::open(gone.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644), gone, DLT_EN10MB, 65535));
    EXPECT_TRUE(writer.write(header, payload.data()));
    EXPECT_TRUE(writer.flush());
    ::unlink(gone.c_str());
    EXPECT_FALSE(writer.flush());
    EXPECT_TRUE(writer.removed());
    EXPECT_NE(writer.error().find("was removed"), std::string::npos) << writer.error();
    EXPECT_FALSE(writer.close());
}

TEST(CaptureInterfaceTest, DefaultIsFirstUpNonLoopbackInterface)
{
    using trawler::capture::chooseDefaultInterface;
    EXPECT_EQ(chooseDefaultInterface({{"any", true, false},
                                      {"lo", true, true},
                                      {"eth0", false, false},
                                      {"eth1", true, false},
                                      {"eth2", true, false}}),
              "eth1");
    EXPECT_EQ(chooseDefaultInterface({{"lo", true, true}, {"eth0", false, false}}), "");
    EXPECT_EQ(chooseDefaultInterface({}), "");

    std::string error;
    ::setenv("TRAWLER_CAPTURE_INTERFACE", "lo", 1);
    EXPECT_EQ(trawler::capture::resolveInterface("", error), "lo");
    EXPECT_EQ(trawler::capture::resolveInterface("dummy7", error), "dummy7");
}

TEST_F(LiveCapture, IcmpFilterKeepsEchoesDropsUdpAndFlushesWhileRunning)
{
    BackgroundCapture capture("icmp", m_dir.path().string());
    ASSERT_TRUE(capture.waitStarted()) << capture.join().error;
    EXPECT_TRUE(TrawlerCaptureIsRunning());
    ASSERT_TRUE(trawler::test::pingLoopback(3));
    ASSERT_TRUE(trawler::test::sendUdpOverLoopback(3));

    // Flushed at least once a second: a reader sees the packets while the
    // capture still runs (a crash now would leave them on disk).
    std::this_thread::sleep_for(1500ms);
    const auto whileRunning = trawler::test::readCaptureFile(capture.startedFile());
    ASSERT_TRUE(whileRunning.opened);
    EXPECT_EQ(trawler::test::countOwnEchoes(whileRunning.frames), 6);

    const auto outcome = capture.stopAndJoin();
    EXPECT_EQ(outcome.status, TRAWLER_CAPTURE_STOPPED) << outcome.error;
    EXPECT_EQ(outcome.error, "");
    EXPECT_FALSE(TrawlerCaptureIsRunning());
    EXPECT_TRUE(std::regex_match(fs::path(outcome.fileName).filename().string(),
                                 std::regex(R"(trawler-\d{8}-\d{6}\.cap)")))
        << outcome.fileName;
    EXPECT_EQ(fs::path(outcome.fileName).parent_path(), m_dir.path());

    const auto file = trawler::test::readCaptureFile(outcome.fileName);
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.linkType, DLT_EN10MB);
    EXPECT_EQ(file.frames.size(), outcome.packets);
    for (const auto& frame : file.frames)
        EXPECT_EQ(trawler::test::ipProtocol(frame), 1) << "a frame other than ICMP passed the filter";
    EXPECT_EQ(trawler::test::countOwnEchoes(file.frames, 8), 3);
    EXPECT_EQ(trawler::test::countOwnEchoes(file.frames, 0), 3);
}

TEST_F(LiveCapture, WithoutFilterEverythingIsKept)
{
    BackgroundCapture capture("", m_dir.path().string());
    ASSERT_TRUE(capture.waitStarted());
    trawler::test::pingLoopback(1);
    trawler::test::sendUdpOverLoopback(2);
    std::this_thread::sleep_for(300ms);
    const auto outcome = capture.stopAndJoin();
    const auto file = trawler::test::readCaptureFile(outcome.fileName);
    EXPECT_EQ(trawler::test::countOwnUdp(file.frames), 2);
    EXPECT_EQ(trawler::test::countOwnEchoes(file.frames), 2);
}

TEST_F(LiveCapture, CaptureThatCannotStartSaysWhyAndLeavesNoFile)
{
    const std::string dir = m_dir.path().string();
    std::ofstream(m_dir.file("plain")) << "x";
    struct Case {
        const char* what;
        std::string filter, directory, interfaceName;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {"invalid filter", "icmpp and", dir, "lo", TRAWLER_CAPTURE_BAD_FILTER, "Invalid capture filter \"icmpp and\""},
        {"missing directory", "", dir + "/missing", "lo", TRAWLER_CAPTURE_BAD_DIRECTORY, "No such file or directory"},
        {"empty directory", "", "", "lo", TRAWLER_CAPTURE_BAD_DIRECTORY, "No save directory is set."},
        {"directory is a file", "", dir + "/plain", "lo", TRAWLER_CAPTURE_BAD_DIRECTORY, "is not a directory"},
        {"link type not Ethernet", "", dir, "any", TRAWLER_CAPTURE_NOT_ETHERNET, "is not an Ethernet interface"},
        {"no such interface", "", dir, "nosuchif9", TRAWLER_CAPTURE_NO_INTERFACE, "nosuchif9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BackgroundCapture capture(c.filter, c.directory, 0, 0, c.interfaceName);
        EXPECT_FALSE(capture.waitStarted());
        const auto outcome = capture.join();
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_NE(outcome.error.find(c.says), std::string::npos) << outcome.error;
        EXPECT_EQ(outcome.fileName, "");
        EXPECT_EQ(fileCount(m_dir.path()), 1u) << "only the plain file may be there";
        EXPECT_FALSE(TrawlerCaptureIsRunning());
    }
    // The plain entry point with NULL texts is refused, not a crash.
    EXPECT_EQ(Capture(nullptr, dir.c_str()), TRAWLER_CAPTURE_BAD_ARGUMENT);
    EXPECT_STRNE(TrawlerCaptureLastError(), "");
}

TEST_F(LiveCapture, SecondStartRefusedAndStartStopStartAgainWorks)
{
    BackgroundCapture first("icmp", m_dir.path().string());
    ASSERT_TRUE(first.waitStarted());

    // A second capture while one runs: refused with a reason, no file.
    EXPECT_EQ(Capture("", m_dir.path().string().c_str()), TRAWLER_CAPTURE_BUSY);
    EXPECT_NE(std::string(TrawlerCaptureLastError()).find("already running"), std::string::npos);
    EXPECT_EQ(fileCount(m_dir.path()), 1u);
    EXPECT_FALSE(first.ended()) << "the refused start must not disturb the running capture";

    const auto one = first.stopAndJoin();
    EXPECT_EQ(one.status, TRAWLER_CAPTURE_STOPPED);

    // A stop while nothing runs does not end the next capture.
    TrawlerCaptureStop();
    BackgroundCapture second("icmp", m_dir.path().string());
    ASSERT_TRUE(second.waitStarted());
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(second.ended());
    trawler::test::pingLoopback(1);
    std::this_thread::sleep_for(200ms);
    const auto two = second.stopAndJoin();
    EXPECT_EQ(two.status, TRAWLER_CAPTURE_STOPPED) << two.error;
    EXPECT_NE(one.fileName, two.fileName) << "the second capture replaced the first one's file";
    EXPECT_EQ(fileCount(m_dir.path()), 2u);
    for (const auto& name : {one.fileName, two.fileName}) {
        const auto file = trawler::test::readCaptureFile(name);
        EXPECT_TRUE(file.opened) << name;
        EXPECT_EQ(file.linkType, DLT_EN10MB);
    }
    EXPECT_EQ(trawler::test::countOwnEchoes(trawler::test::readCaptureFile(two.fileName).frames), 2);
}

TEST_F(LiveCapture, StopAtTheVeryStartLeavesAValidEmptyFile)
{
    BackgroundCapture capture("", m_dir.path().string());
    capture.stopOnStart();
    ASSERT_TRUE(capture.waitStarted());
    const auto outcome = capture.join(); // ends without any further stop
    EXPECT_EQ(outcome.status, TRAWLER_CAPTURE_STOPPED);
    const auto file = trawler::test::readCaptureFile(outcome.fileName);
    EXPECT_TRUE(file.opened);
    EXPECT_EQ(file.frames.size(), outcome.packets);
}

TEST_F(LiveCapture, PacketAndTimeLimitsEndTheCapture)
{
    BackgroundCapture byCount("icmp", m_dir.path().string(), 2);
    ASSERT_TRUE(byCount.waitStarted());
    trawler::test::pingLoopback(3);
    for (int i = 0; i < 100 && !byCount.ended(); ++i)
        std::this_thread::sleep_for(50ms);
    const auto counted = byCount.join();
    EXPECT_EQ(counted.status, TRAWLER_CAPTURE_LIMIT_REACHED);
    EXPECT_EQ(counted.packets, 2u);
    EXPECT_EQ(trawler::test::readCaptureFile(counted.fileName).frames.size(), 2u);

    BackgroundCapture byTime("icmp", m_dir.path().string(), 0, 1);
    ASSERT_TRUE(byTime.waitStarted());
    for (int i = 0; i < 100 && !byTime.ended(); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(byTime.ended()) << "the one-second limit did not end the capture";
    EXPECT_EQ(byTime.join().status, TRAWLER_CAPTURE_LIMIT_REACHED);
}

TEST_F(LiveCapture, CapturedPingsBecomeIcmpRows)
{
#ifndef TRAWLER_HAVE_PARSE
    GTEST_SKIP() << "the parser (target trawler_parse_core) is not part of this build";
#else
    BackgroundCapture capture("icmp", m_dir.path().string());
    ASSERT_TRUE(capture.waitStarted());
    trawler::test::pingLoopback(2);
    std::this_thread::sleep_for(300ms);
    const auto outcome = capture.stopAndJoin();
    ASSERT_EQ(trawler::test::countOwnEchoes(trawler::test::readCaptureFile(outcome.fileName).frames), 4);

    struct Quiet : trawler::parse::RunListener {
        void message(std::string_view, std::string_view) override {}
    } listener;
    const std::string database = m_dir.file("capture.mdb");
    trawler::db::createDatabaseFile(database);
    ASSERT_TRUE(trawler::db::initTables(database).completed());
    const auto run = trawler::parse::runParse(outcome.fileName, database, listener);
    ASSERT_EQ(run.outcome, TRAWLER_PARSE_COMPLETE) << run.text;
    trawler::db::Database db(database);
    auto st = db.prepare("SELECT COUNT(*) FROM icmp");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), static_cast<std::int64_t>(outcome.packets)) << "one icmp row per captured frame";
#endif
}
