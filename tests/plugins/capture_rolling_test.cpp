// The extended capture entry point: rolling files, their locks, the caller's
// stop flag and the refusals; live on the loopback interface only.
#include "CaptureApi.h"
#include "LoopbackTraffic.h"
#include "RollingCapture.h"
#include "TempDir.h"

#include <gtest/gtest.h>


#include <chrono>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;
using trawler::test::TempDir;
using trawler::test::RollingCapture;
using trawler::test::lockedByWriter;
using trawler::test::ownEchoFilter;

namespace {

class RollingLive : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
        ::setenv("TRAWLER_CAPTURE_INTERFACE", "lo", 1);
        m_filter = ownEchoFilter();
        m_settings.interfaceName = "lo";
        m_settings.filter = m_filter.c_str();
        m_settings.directory = m_dirText.c_str();
    }
    TempDir m_dir;
    std::string m_dirText = m_dir.path().string();
    std::string m_filter;
    TrawlerCaptureSettings m_settings{};
};

} // namespace

TEST_F(RollingLive, SizeRotationClosesUnlockedFilesInOrderAndCountsEveryPacket)
{
    // Echo frames of 46 bytes (14 Ethernet + 20 IPv4 + 12 ICMP) make records
    // of 62 bytes: room for exactly two after the 24-byte file header.
    m_settings.rotateBytes = 24 + 2 * 62;
    RollingCapture capture(m_settings);
    ASSERT_TRUE(capture.waitStarted());
    EXPECT_TRUE(lockedByWriter(capture.startedFile())) << "a file being written must be locked";
    ASSERT_TRUE(trawler::test::pingLoopback(5));
    ASSERT_TRUE(capture.waitClosedFiles(4)) << "the fifth reply should open the fifth file";
    EXPECT_EQ(capture.stopAndJoin(), TRAWLER_CAPTURE_STOPPED) << capture.totals().error;

    const auto closed = capture.closedFiles();
    ASSERT_EQ(closed.size(), 5u);
    std::set<std::string> names;
    for (const auto& file : closed) {
        SCOPED_TRACE(file.path);
        names.insert(file.path);
        EXPECT_EQ(file.packets, 2u);
        EXPECT_FALSE(file.stillLocked) << "the lock must be released before the file is handed on";
        const auto read = trawler::test::readCaptureFile(file.path);
        ASSERT_TRUE(read.opened);
        EXPECT_EQ(read.frames.size(), 2u);
        EXPECT_EQ(fs::file_size(file.path), 24u + 2 * 62u) << "no torn record";
    }
    EXPECT_EQ(names.size(), 5u);
    EXPECT_EQ(closed.front().path, capture.startedFile());
    const TrawlerCaptureTotals& totals = capture.totals();
    EXPECT_EQ(totals.packets, 10u);
    EXPECT_EQ(totals.files, 5u);
    EXPECT_EQ(std::string(totals.lastFile), closed.back().path);
    EXPECT_STREQ(totals.error, "");
    EXPECT_GE(totals.kernelReceived, 10u);
}

TEST_F(RollingLive, CallersStopFlagEndsTheCaptureAndASetFlagStartsNone)
{
    volatile int stop = 1;
    m_settings.stopFlag = &stop;
    {
        RollingCapture early(m_settings);
        EXPECT_EQ(early.join(), TRAWLER_CAPTURE_STOPPED);
        EXPECT_TRUE(fs::is_empty(m_dir.path()));
        EXPECT_EQ(early.totals().files, 0u);
    }
    stop = 0;
    RollingCapture capture(m_settings);
    ASSERT_TRUE(capture.waitStarted());
    trawler::test::pingLoopback(1);
    stop = 1; // no TrawlerCaptureStop: the flag alone ends it
    ASSERT_TRUE(capture.waitEnded());
    EXPECT_EQ(capture.join(), TRAWLER_CAPTURE_STOPPED);
    ASSERT_EQ(capture.closedFiles().size(), 1u);
    EXPECT_EQ(capture.closedFiles()[0].packets, 2u) << "what the kernel held at the stop is kept";
}

TEST(RollingApi, RefusalsCarryTheirText)
{
    TrawlerCaptureTotals totals{};
    totals.size = sizeof totals;
    EXPECT_EQ(TrawlerCaptureRunEx(nullptr, &totals), TRAWLER_CAPTURE_BAD_ARGUMENT);
    EXPECT_STRNE(totals.error, "");

    // A caller built before the last fields existed: they count as zero.
    TempDir dir;
    const std::string path = dir.path().string() + "/missing";
    TrawlerCaptureSettings settings{};
    settings.size = offsetof(TrawlerCaptureSettings, rotateSeconds);
    settings.directory = path.c_str();
    settings.rotateBytes = 1; // beyond the size given: not read
    EXPECT_EQ(TrawlerCaptureRunEx(&settings, nullptr), TRAWLER_CAPTURE_BAD_DIRECTORY);
    EXPECT_NE(std::string(TrawlerCaptureLastError()).find("No such file or directory"), std::string::npos);

    settings.size = offsetof(TrawlerCaptureSettings, directory);
    EXPECT_EQ(TrawlerCaptureRunEx(&settings, &totals), TRAWLER_CAPTURE_BAD_ARGUMENT);
    EXPECT_STRNE(TrawlerCaptureLastError(), "");

    // Totals from an older caller: only its part is written.
    struct {
        TrawlerCaptureTotals head;
        char guard[8];
    } small{};
    std::memset(small.guard, 'x', sizeof small.guard);
    small.head.size = offsetof(TrawlerCaptureTotals, kernelReceived);
    small.head.files = 77;
    settings.size = sizeof settings;
    EXPECT_EQ(TrawlerCaptureRunEx(&settings, &small.head), TRAWLER_CAPTURE_BAD_DIRECTORY);
    EXPECT_EQ(small.head.files, 0u);
    EXPECT_EQ(small.head.error[0], '\0') << "beyond the size given: untouched";
    EXPECT_EQ(small.guard[0], 'x');
}
