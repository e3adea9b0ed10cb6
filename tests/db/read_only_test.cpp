// Databases the operator may only read: a read-only directory or file is
// read without being changed, a write names what is not writable, and a log
// with changes is never silently skipped. File modes mean nothing to root,
// so as root the connections are made by a probe running as "nobody".
#include "TempDir.h"
#include "cli/CliRun.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace trawler::db;
using trawler::test::TempDir;
using trawler::test::CliRun;
using trawler::test::runShell;
namespace fs = std::filesystem;

namespace {

constexpr unsigned kNobody = 65534;

struct ProbeResult {
    int status = -1;
    std::string out;
};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReadOnlyAccess : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() == 0 && std::system("command -v setpriv >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "running as root without setpriv: cannot test as an unprivileged user";
        data = dir.path() / "data";
        fs::create_directory(data);
        path = (data / "capture.mdb").string();
        createDatabaseFile(path);
        ASSERT_TRUE(initTables(path).completed());
        Database db(path);
        for (int i = 0; i < 3; ++i)
            db.execute("insert into history values ('f" + std::to_string(i) + "')");
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(data, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ec);
    }

    // Hands the folder and its files to the unprivileged user the probe runs as.
    void giveAway(const fs::path& folder)
    {
        if (::geteuid() != 0)
            return;
        ASSERT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
        for (const auto& entry : fs::directory_iterator(folder))
            ASSERT_EQ(::chown(entry.path().c_str(), kNobody, kNobody), 0);
    }

    static ProbeResult probe(const std::string& mode, const std::string& file, const std::string& sql)
    {
        std::string cmd;
        if (::geteuid() == 0)
            cmd = "setpriv --reuid=" + std::to_string(kNobody) + " --regid=" + std::to_string(kNobody)
                + " --clear-groups ";
        cmd += std::string(TRAWLER_READ_PROBE) + " " + mode + " '" + file + "' '" + sql + "' 2>&1";
        const TempDir scratch;   // for the shell's standard error file (empty: 2>&1)
        const CliRun run = runShell(scratch, cmd);
        return ProbeResult{run.status, run.out};
    }

    TempDir dir;
    fs::path data;
    std::string path;
};

} // namespace

TEST_F(ReadOnlyAccess, AReadOnlyDirectoryIsReadAndWritesNameIt)
{
    giveAway(dir.path());
    giveAway(data);
    fs::permissions(data, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read
                              | fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    const std::string before = contents(path);

    const ProbeResult read = probe("ro", path, "select count(*) from history");
    EXPECT_EQ(read.status, 0) << read.out;
    EXPECT_EQ(read.out, "3\n");
    EXPECT_EQ(contents(path), before);
    EXPECT_FALSE(fs::exists(path + "-wal"));
    EXPECT_FALSE(fs::exists(path + "-shm"));

    const ProbeResult write = probe("rw", path, "insert into history values (1)");
    EXPECT_EQ(write.status, 1) << write.out;
    EXPECT_NE(write.out.find("directory \"" + data.string() + "\" is not writable"), std::string::npos)
        << write.out;
    EXPECT_EQ(contents(path), before);
}

TEST_F(ReadOnlyAccess, AReadOnlyFileStaysInItsJournalModeAndWritesNameIt)
{
    {
        Database db(path);
        db.execute("PRAGMA journal_mode=DELETE");
    }
    // A reader with write access changes nothing either: no switch to a
    // write-ahead log (byte 18 of the header says which mode the file is in).
    {
        Database reader(path, Database::Access::ReadOnly);
        Statement st = reader.prepare("select count(*) from history");
        ASSERT_TRUE(st.step());
    }
    const std::string before = contents(path);
    ASSERT_EQ(before.at(18), 1);

    giveAway(dir.path());
    giveAway(data);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ProbeResult read = probe("ro", path, "select Filename from history where rowid = 2");
    EXPECT_EQ(read.status, 0) << read.out;
    EXPECT_EQ(read.out, "f1\n");

    const ProbeResult write = probe("rw", path, "insert into history values (1)");
    EXPECT_EQ(write.status, 1) << write.out;
    EXPECT_NE(write.out.find("file \"" + path + "\" is not writable"), std::string::npos) << write.out;
    EXPECT_EQ(contents(path), before);
}

// A log left with committed changes (a writer that was killed) cannot be
// applied from a read-only folder; reading the file without it would show
// stale rows as if they were all.
TEST_F(ReadOnlyAccess, ALogWithChangesIsRefusedNotSkipped)
{
    const fs::path copy = dir.path() / "copy";
    fs::create_directory(copy);
    {
        Database db(path);
        db.execute("insert into history values ('late')");
        // The writer is still open: its log holds the row, the file does not.
        ASSERT_GT(fs::file_size(path + "-wal"), 0u);
        fs::copy_file(path, copy / "capture.mdb");
        fs::copy_file(path + "-wal", copy / "capture.mdb-wal");
    }
    const std::string copied = (copy / "capture.mdb").string();
    giveAway(dir.path());
    giveAway(copy);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read
                              | fs::perms::others_exec);
    const ProbeResult refused = probe("ro", copied, "select count(*) from history");
    EXPECT_EQ(refused.status, 1) << refused.out;
    EXPECT_NE(refused.out.find("log beside the file holds changes"), std::string::npos) << refused.out;

    // Where the folder may be written, the reader applies the log.
    fs::permissions(copy, fs::perms::owner_all, fs::perm_options::add);
    const ProbeResult read = probe("ro", copied, "select count(*) from history");
    EXPECT_EQ(read.status, 0) << read.out;
    EXPECT_EQ(read.out, "4\n");
}
