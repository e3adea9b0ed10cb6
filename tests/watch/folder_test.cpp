// Taking in a folder: oldest first, each file once, never a file that is
// still being written, and --follow picking up files as they are completed.
#include "WatchFixture.h"

#include "watch/FolderIngest.h"
#include "watch/WatchLoop.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

using namespace trawler;
using namespace trawler::test;
using capgen::Scenario;
namespace fs = std::filesystem;

namespace {

// Files the ingest tried, in order, and a way to wait for one.
class Tried {
public:
    void add(const std::string& file, bool takenIn)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_files.push_back(fs::path(file).filename().string() + (takenIn ? "" : " (refused)"));
        }
        m_changed.notify_all();
    }
    // Waits until `count` files were tried; the cap only keeps a broken build from hanging.
    std::vector<std::string> await(std::size_t count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::minutes(2), [&] { return m_files.size() >= count; });
        return m_files;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_files;
};

// A file written and locked the way the capture component does, until released.
class LockedFile {
public:
    LockedFile(const std::string& path, const std::string& contentsFrom)
    {
        m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(m_fd, 0);
        EXPECT_EQ(::flock(m_fd, LOCK_EX), 0);
        std::ifstream in(contentsFrom, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(::write(m_fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    ~LockedFile() { release(); }
    void release()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

} // namespace

TEST(FolderIngest, SweepTakesInOldestFirstOnceAndLeavesLockedFilesForLater)
{
    TempDir dir;
    const std::string db = makeDatabase(dir);
    fs::create_directory(dir.file("in"));
    const std::string older = generate(dir.file("in/b-older.pcap"), Scenario::Netbios);
    const std::string newer = generate(dir.file("in/a-newer.pcap"), Scenario::IcmpSweep);
    fs::last_write_time(older, fs::last_write_time(newer) - std::chrono::hours(1));
    std::ofstream(dir.file("in/.hidden")) << "not a capture";
    LockedFile writing(dir.file("in/c-writing.pcap"), older);

    watch::Pipeline pipeline(db, {}, {});
    QuietRun listener;
    Tried tried;
    watch::FolderIngest ingest(pipeline, dir.file("in"), listener,
                               [&](const std::string& f, const watch::TakeInResult& r) { tried.add(f, r.takenIn()); });
    EXPECT_EQ(ingest.sweep(), 2u);
    EXPECT_EQ(ingest.waiting(), 1u);
    EXPECT_EQ(ingest.sweep(), 0u);
    writing.release();
    EXPECT_EQ(ingest.sweep(), 1u);
    EXPECT_EQ(tried.await(3), (std::vector<std::string>{"b-older.pcap", "a-newer.pcap", "c-writing.pcap"}));
    EXPECT_EQ(pipeline.filesTakenIn(), 3u);

    // A new pipeline over the same folder: every file is refused as taken in.
    watch::Pipeline again(db, {}, {});
    Tried second;
    watch::FolderIngest rerun(again, dir.file("in"), listener,
                              [&](const std::string& f, const watch::TakeInResult& r) { second.add(f, r.takenIn()); });
    EXPECT_EQ(rerun.sweep(), 3u);
    EXPECT_EQ(again.alertsRaised(), 0u);
}

TEST(FolderIngest, FollowTakesInFilesAsTheyAreCompleted)
{
    TempDir dir;
    const std::string db = makeDatabase(dir);
    fs::create_directory(dir.file("in"));
    const std::string source = generate(dir.file("sweep.pcap"), Scenario::IcmpSweep);
    generate(dir.file("in/1-present.pcap"), Scenario::Netbios);
    auto writing = std::make_unique<LockedFile>(dir.file("in/2-writing.pcap"), source);

    watch::Pipeline pipeline(db, {}, {});
    QuietRun listener;
    Tried tried;
    watch::FolderIngest ingest(pipeline, dir.file("in"), listener,
                               [&](const std::string& f, const watch::TakeInResult& r) { tried.add(f, r.takenIn()); });
    watch::StopSignal stop;
    std::thread follower([&] { ingest.follow(stop); });

    EXPECT_EQ(tried.await(1), std::vector<std::string>{"1-present.pcap"});
    // Moved in whole: taken in at once, while the locked file still waits.
    generate(dir.file("3-moved.pcap"), Scenario::SynScan);
    fs::rename(dir.file("3-moved.pcap"), dir.file("in/3-moved.pcap"));
    EXPECT_EQ(tried.await(2), (std::vector<std::string>{"1-present.pcap", "3-moved.pcap"}));
    writing.reset(); // the writer closes its file, which ends its lock
    EXPECT_EQ(tried.await(3), (std::vector<std::string>{"1-present.pcap", "3-moved.pcap", "2-writing.pcap"}));

    stop.request();
    follower.join();
    EXPECT_EQ(pipeline.filesTakenIn(), 3u);
    db::Database database(db);
    std::set<std::string> kinds;
    for (const auto& a : db::AlertStore(database).list())
        kinds.insert(a.kind);
    EXPECT_EQ(kinds, (std::set<std::string>{"icmp-sweep", "share-access", "syn-scan"}));
}

TEST(TrimCaptureFolder, DeletesOnlyTheOldestFilesAlreadyTakenIn)
{
    TempDir dir;
    const auto file = [&](const std::string& name, int ageHours) {
        const std::string path = dir.file(name);
        std::ofstream(path) << std::string(1000, 'x');
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(ageHours));
        return path;
    };
    const std::string oldestPending = file("a", 5);
    const std::string old = file("b", 4);
    const std::string middle = file("c", 3);
    const std::string recent = file("d", 2);
    file("e", 1); // not taken in either
    std::set<std::string> takenIn{old, middle, recent};

    EXPECT_EQ(watch::trimCaptureFolder(dir.path().string(), 3000, takenIn), 2u);
    EXPECT_TRUE(fs::exists(oldestPending));
    EXPECT_FALSE(fs::exists(old));
    EXPECT_FALSE(fs::exists(middle));
    EXPECT_EQ(takenIn, std::set<std::string>{recent});
    // Over the limit with nothing left that may go: nothing more is deleted.
    EXPECT_EQ(watch::trimCaptureFolder(dir.path().string(), 1000, takenIn), 1u);
    EXPECT_EQ(watch::trimCaptureFolder(dir.path().string(), 1000, takenIn), 0u);
    EXPECT_TRUE(fs::exists(oldestPending));
}
