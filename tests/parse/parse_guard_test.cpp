// What a parse run refuses, waits for and survives: other spellings of one
// path, captures still being written, files that are not regular, another
// writer, cancel, huge runs, times past 2038, pcapng with mixed interfaces.
#include "ParseRunFixture.h"
#include "PcapngFixture.h"

#include "db/Notices.h"
#include "parse/CaptureFile.h"
#include "parse/RunMessages.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <random>
#include <thread>

using namespace trawler;
using namespace trawler::test;
namespace fs = std::filesystem;
namespace messages = trawler::parse::messages;

namespace {

// Runs the test body in another working directory.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : m_previous(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(m_previous); }

private:
    fs::path m_previous;
};

// Holds the database's write lock as another writer would.
class OtherWriter {
public:
    explicit OtherWriter(const std::string& path) : m_db(path) { m_db.begin(); }
    void finish() { m_db.commit(); }

private:
    db::Database m_db;
};

// Awaits a condition signalled from the run's thread; the bound only keeps a
// broken run from hanging the suite.
void await(std::future<void>& signal)
{
    ASSERT_EQ(signal.wait_for(std::chrono::minutes(2)), std::future_status::ready) << "the run never waited";
}

std::vector<Record> arps(int n)
{
    std::vector<Record> records;
    for (int i = 0; i < n; ++i)
        records.push_back({kT0 + i / 1000, arpFrame(1)});
    return records;
}

} // namespace

TEST_F(ParseRunTest, OneFileIsTakenInOnceWhateverTheSpellingOfItsPath)
{
    fs::create_directories(m_dir.path() / "sub");
    fs::create_directories(m_dir.path() / "other");
    const std::string file = capture("sub/demo.cap", {{kT0, arpFrame(1)}});
    const std::string canonical = fs::canonical(file).string();
    fs::create_symlink(file, m_dir.file("link.cap"));
    WorkingDirectory cwd(m_dir.path() / "sub");

    ASSERT_EQ(run("demo.cap").outcome, TRAWLER_PARSE_COMPLETE);
    for (const std::string& spelling : {std::string("./demo.cap"), canonical, m_dir.file("sub//demo.cap"),
                                        m_dir.file("link.cap"), std::string("../other/../sub/demo.cap")}) {
        SCOPED_TRACE(spelling);
        EXPECT_EQ(run(spelling).outcome, TRAWLER_PARSE_ALREADY_STORED);
    }
    EXPECT_EQ(rows("select Filename from history"), std::vector<Row>{r({canonical.c_str()})});
    EXPECT_EQ(count("arp"), 1);

    // A copy under another name is another file.
    fs::copy_file(file, m_dir.file("sub/copy.cap"));
    EXPECT_EQ(run("copy.cap").outcome, TRAWLER_PARSE_COMPLETE);

    // A name stored by an earlier version as the operator typed it (relative,
    // blank-padded) still matches that spelling.
    capture("sub/old.cap", {{kT0, arpFrame(1)}});
    {
        db::Database database(m_db);
        database.execute("insert into history (Filename) values ('old.cap     ')");
    }
    EXPECT_EQ(run("old.cap").outcome, TRAWLER_PARSE_ALREADY_STORED);
}

TEST_F(ParseRunTest, OnlyRegularFilesAreReadAndTheyAreOpenedBeforeTheDatabaseIsLocked)
{
    // While another writer holds the database, a capture that cannot be read
    // is refused at once; were it opened after the lock, the run would wait
    // (and, here, cancel itself rather than hang the suite).
    int cancel = 0;
    m_listener.onNotice = [&](const std::string&) { parse::requestCancel(&cancel); };
    parse::RunOptions options;
    options.cancel = &cancel;
    OtherWriter other(m_db);

    const std::string fifo = m_dir.file("fifo.cap");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::string, std::string> cases[] = {
        {fifo, "is a FIFO"}, {m_dir.path().string(), "is a directory"}, {"/dev/null", "is a device"},
        {m_dir.file("-"), "No such file"}};
    for (const auto& [path, reason] : cases) {
        SCOPED_TRACE(path);
        const parse::RunResult result = run(path, options);
        EXPECT_EQ(result.outcome, TRAWLER_PARSE_OPEN_FAILED);
        EXPECT_EQ(result.text.rfind(std::string(messages::kOpenFailed) + "\n", 0), 0u) << result.text;
        EXPECT_NE(result.text.find(reason), std::string::npos) << result.text;
        EXPECT_TRUE(m_listener.notices.empty());
    }
    other.finish();

    // "-" is a file name like any other, not standard input.
    WorkingDirectory cwd(m_dir.path());
    capture("-", {{kT0, arpFrame(1)}});
    EXPECT_EQ(run("-").outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Filename from history"), std::vector<Row>{r({fs::canonical("-").c_str()})});
}

TEST_F(ParseRunTest, ACaptureStillBeingWrittenIsRefusedAndCanBeParsedLater)
{
    const std::string path = capture("live.cap", arps(9000));
    {
        // The capture component holds this lock while it writes.
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);
        const parse::RunResult result = run(path);
        ::close(fd);
        EXPECT_EQ(result.outcome, TRAWLER_PARSE_BEING_WRITTEN);
        EXPECT_EQ(result.text, messages::kStillBeingWritten);
        expectNothingStored();
    }

    // Written to while it is read (here its time stamp moves): rolled back.
    bool touched = false;
    m_listener.onProgress = [&](std::uint64_t) {
        if (touched)
            return;
        touched = true;
        const timespec times[2] = {{0, UTIME_OMIT}, {kT0, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    };
    const parse::RunResult changed = run(path);
    EXPECT_TRUE(touched);
    EXPECT_EQ(changed.outcome, TRAWLER_PARSE_BEING_WRITTEN);
    EXPECT_EQ(changed.text, messages::kStillBeingWritten);
    expectNothingStored();

    m_listener.onProgress = nullptr;
    EXPECT_EQ(run(path).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(count("arp"), 9000);
}

TEST_F(ParseRunTest, ASecondWriterWaitsWithANoticeAndCanBeCancelledWhileItWaits)
{
    const std::string first = capture("first.cap", arps(3));
    for (bool cancelWhileWaiting : {false, true}) {
        SCOPED_TRACE(cancelWhileWaiting ? "cancelled" : "waited");
        int cancel = 0;
        std::promise<void> waiting;
        std::future<void> waitingSeen = waiting.get_future();
        bool signalled = false;
        m_listener.onNotice = [&](const std::string& text) {
            if (text.empty() || signalled)
                return;
            signalled = true;
            if (cancelWhileWaiting)
                parse::requestCancel(&cancel);
            waiting.set_value();
        };
        parse::RunOptions options;
        options.cancel = &cancel;

        OtherWriter other(m_db);
        parse::RunResult result;
        std::thread runner([&] { result = run(first, options); });
        await(waitingSeen);
        if (cancelWhileWaiting) {
            runner.join();
            other.finish();
        } else {
            other.finish();
            runner.join();
        }
        const std::vector<std::string> expectedNotices = {db::notices::kWaitingForWriter, ""};
        EXPECT_EQ(m_listener.notices, expectedNotices);
        if (cancelWhileWaiting) {
            EXPECT_EQ(result.outcome, TRAWLER_PARSE_CANCELLED);
            EXPECT_EQ(result.text, messages::kCancelled);
            EXPECT_EQ(count("pccount"), 1);
        } else {
            EXPECT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE);
            EXPECT_EQ(count("arp"), 3);
        }
    }
}

TEST_F(ParseRunTest, ACancelledOrOverlongRunKeepsNothing)
{
    const std::string path = capture("long.cap", arps(20000));
    int cancel = 0;
    parse::RunOptions options;
    options.cancel = &cancel;
    m_listener.onProgress = [&](std::uint64_t) { parse::requestCancel(&cancel); };
    parse::RunResult result = run(path, options);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_CANCELLED);
    EXPECT_EQ(result.text, "Parsing cancelled.");
    EXPECT_GE(m_listener.lastFrames, 8192u);
    expectNothingStored();

    // Cancelled before it begins.
    result = run(path, options);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_CANCELLED);
    m_listener.onProgress = nullptr;

    // One frame more than a run may count: refused whole, and it says why.
    const std::string four = capture("four.cap", arps(4));
    parse::RunOptions limited;
    limited.maxFrames = 3;
    result = run(four, limited);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_TOO_MANY_FRAMES);
    EXPECT_NE(result.text.find("more than 3 frames"), std::string::npos) << result.text;
    expectNothingStored();
    EXPECT_EQ(run(capture("three.cap", arps(3)), limited).outcome, TRAWLER_PARSE_COMPLETE);
}

TEST_F(ParseRunTest, TimesPast2038AndTimesWithoutATextForm)
{
    // The libpcap format's seconds are unsigned 32-bit.
    const std::string classic = capture("times.cap", {{0, arpFrame(1)},
                                                      {2147483647, arpFrame(1)},
                                                      {2147483648LL, arpFrame(1)},
                                                      {4294967295LL, arpFrame(1)}});
    ASSERT_EQ(run(classic).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Tm from arp order by rowid"),
              (std::vector<Row>{r({"1970-01-01 00:00:00"}), r({"2038-01-19 03:14:07"}), r({"2038-01-19 03:14:08"}),
                                r({"2106-02-07 06:28:15"})}));
    EXPECT_EQ(rows("select Starttm, Endtm from pccount"),
              std::vector<Row>{r({"1970-01-01 00:00:00", "2106-02-07 06:28:15"})});

    // pcapng: a first frame after the year 9999 (libpcap reads this file), and
    // a last one before 1970 (an interface's time offset; read here, as the
    // interfaces differ): no text, so NULL in Tm and in pccount alike.
    const std::uint64_t year10000 = 253402300800ULL * 1000000;
    PcapngFile future;
    future.section().interface(1).packet(0, year10000, arpFrame(1)).packet(0, std::uint64_t{kT0} * 1000000, arpFrame(2));
    future.write(m_dir.file("future.pcapng"));
    ASSERT_EQ(run(m_dir.file("future.pcapng")).outcome, TRAWLER_PARSE_COMPLETE);
    PcapngFile past;
    past.section().interface(1, 9).interface(101, std::nullopt, -4000000000LL);
    past.packet(0, std::uint64_t{kT0} * 1000000000, arpFrame(1)).packet(1, 5, arpFrame(1));
    past.section().interface(1, std::nullopt, -4000000000LL).packet(0, 5, arpFrame(2));
    past.write(m_dir.file("past.pcapng"));
    ASSERT_EQ(run(m_dir.file("past.pcapng")).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Tm, Type from arp where rowid > 4 order by rowid"),
              (std::vector<Row>{r({nullptr, "Arp Request"}), r({"2004-05-06 07:08:09", "Arp Reply"}),
                                r({"2004-05-06 07:08:09", "Arp Request"}), r({nullptr, "Arp Reply"})}));
    EXPECT_EQ(rows("select Starttm, Endtm from pccount where rowid > 1 order by rowid"),
              (std::vector<Row>{r({nullptr, "2004-05-06 07:08:09"}), r({"2004-05-06 07:08:09", nullptr})}));
}

TEST_F(ParseRunTest, PcapngWithEthernetAndRawIpInterfacesTakesTheEthernetFrames)
{
    Frame rawIp(40);
    rawIp.u8(0, 0x45);
    for (bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        PcapngFile file(bigEndian);
        file.section().interface(1).interface(101).other(5, 24); // interface statistics: skipped
        file.packet(1, 1, rawIp).packet(0, std::uint64_t{kT0} * 1000000, arpFrame(1)).packet(1, 2, rawIp);
        file.simplePacket(arpFrame(2)); // no time, interface 0
        // A new section numbers its interfaces afresh.
        file.section().interface(101).interface(1).packet(1, std::uint64_t{kT0 + 1} * 1000000, arpFrame(3));
        file.packet(0, 3, rawIp);
        const std::string path = m_dir.file(bigEndian ? "mixed-be.pcapng" : "mixed-le.pcapng");
        file.write(path);

        const parse::RunResult result = run(path);
        EXPECT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE);
        EXPECT_EQ(result.text, "File parsing complete.\n3 frames of interfaces that are not Ethernet were skipped.");
        EXPECT_EQ(result.counters.total, 3);
        EXPECT_EQ(result.counters.arp, 3);
    }
    EXPECT_EQ(rows("select Tm, Type from arp where rowid <= 3 order by rowid"),
              (std::vector<Row>{r({"2004-05-06 07:08:09", "Arp Request"}), r({"1970-01-01 00:00:00", "Arp Reply"}),
                                r({"2004-05-06 07:08:10", "Rarp Request"})}));

    // No Ethernet interface at all.
    PcapngFile none;
    none.section().interface(101).interface(113).packet(0, 1, rawIp);
    none.write(m_dir.file("none.pcapng"));
    EXPECT_EQ(run(m_dir.file("none.pcapng")).outcome, TRAWLER_PARSE_NOT_ETHERNET);

    // Damaged before its first Ethernet frame: nothing recorded, so it can be
    // parsed again once whole; damaged later: the frames before are kept.
    PcapngFile damaged;
    damaged.section().interface(1).interface(101).packet(1, 1, rawIp).packet(0, 1, arpFrame(1));
    damaged.write(m_dir.file("cut.pcapng"), 8);
    const std::size_t before = static_cast<std::size_t>(count("history"));
    parse::RunResult result = run(m_dir.file("cut.pcapng"));
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_OPEN_FAILED);
    EXPECT_NE(result.text.find("before its first frame: the file ends in the middle of a block"), std::string::npos)
        << result.text;
    EXPECT_EQ(static_cast<std::size_t>(count("history")), before);
    damaged.packet(0, 2, arpFrame(2)).write(m_dir.file("cut.pcapng"), 8);
    result = run(m_dir.file("cut.pcapng"));
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE_READ_ERROR);
    EXPECT_EQ(result.counters.total, 1);
}

TEST_F(ParseRunTest, CommandLineSaysItWaitsAndCtrlCCancels)
{
    const std::string path = capture("cli.cap", arps(3));
    OtherWriter other(m_db);
    int errPipe[2];
    ASSERT_EQ(::pipe(errPipe), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(errPipe[1], STDERR_FILENO);
        ::close(errPipe[0]);
        const std::string cli = TRAWLER_BINARY_DIR "/bin/trawler-cli";
        ::execl(cli.c_str(), cli.c_str(), "parse", path.c_str(), m_db.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(errPipe[1]);
    std::string err;
    char buf[256];
    ssize_t n = 0;
    while (err.find('\n') == std::string::npos && (n = ::read(errPipe[0], buf, sizeof buf)) > 0)
        err.append(buf, static_cast<std::size_t>(n));
    EXPECT_EQ(err, std::string(db::notices::kWaitingForWriter) + "\n");
    ::kill(child, SIGINT);
    while ((n = ::read(errPipe[0], buf, sizeof buf)) > 0)
        err.append(buf, static_cast<std::size_t>(n));
    ::close(errPipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    other.finish();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(err.find("trawler-cli: " + path + ": Parsing cancelled.\n"), std::string::npos) << err;
    expectNothingStored();
}

TEST(CaptureFile, EveryCutAndDamageOfAMixedPcapngIsReadWithinItsBytes)
{
    // Run under the sanitizer build: any read past a block is caught there.
    TempDir dir;
    Frame rawIp(40);
    rawIp.u8(0, 0x45);
    PcapngFile file(true);
    file.section().interface(1, 9, -5).interface(101).packet(0, 7, arpFrame(1)).packet(1, 8, rawIp);
    file.other(0x80000001, 10).simplePacket(arpFrame(2)).packet(0, 9, arpFrame(3), 60);
    const std::string whole = dir.file("whole.pcapng");
    file.write(whole);
    std::ifstream in(whole, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    auto readAll = [&](const std::vector<char>& content) {
        const std::string path = dir.file("case.pcapng");
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(content.data(), static_cast<std::streamsize>(content.size()));
        parse::CaptureFile capture;
        if (capture.open(path))
            return -1;
        parse::CaptureRecord record;
        int frames = 0;
        unsigned sum = 0;
        parse::ReadStatus status;
        while ((status = capture.next(record)) == parse::ReadStatus::Record) {
            for (std::uint32_t k = 0; k < record.captured; ++k) // every byte handed on is readable
                sum += record.data[k];
            ++frames;
        }
        EXPECT_GE(sum, 0u);
        EXPECT_EQ(status == parse::ReadStatus::Error, !capture.readError().empty());
        return frames;
    };
    EXPECT_EQ(readAll(bytes), 3);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_LE(readAll(std::vector<char>(bytes.begin(), bytes.begin() + static_cast<long>(cut))), 3) << cut;
    std::mt19937 rng(7);
    for (int i = 0; i < 300; ++i) {
        std::vector<char> damaged = bytes;
        for (int j = 0; j < 3; ++j)
            damaged[rng() % damaged.size()] = static_cast<char>(rng());
        readAll(damaged);
    }
}
