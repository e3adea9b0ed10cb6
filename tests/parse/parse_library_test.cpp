// libParse.so as the desktop program uses it: loaded by path, entry points
// looked up by their undecorated names.
#include "CaptureFixture.h"
#include "TempDir.h"

#include "db/DatabaseFile.h"
#include "parse/ParseApi.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

using ParseFn = void (*)(const char*, const char*);
using RunFn = int (*)(const char*, const char*, TrawlerParseMessageFn, TrawlerParseProgressFn, void*);
using RunWithFn = int (*)(const char*, const char*, const TrawlerParseOptions*);
using CancelFn = void (*)(TrawlerParseCancelFlag*);

struct Seen {
    std::vector<std::string> messages;
    unsigned long long bytes = 0, size = 0, frames = 0;
};

void onMessage(void* context, const char* caption, const char* text)
{
    static_cast<Seen*>(context)->messages.push_back(std::string(caption) + ": " + text);
}

void onProgress(void* context, unsigned long long bytes, unsigned long long size, unsigned long long frames)
{
    auto* seen = static_cast<Seen*>(context);
    seen->bytes = bytes;
    seen->size = size;
    seen->frames = frames;
}

class ParseLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_handle = dlopen(TRAWLER_BINARY_DIR "/bin/libParse.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_handle, nullptr) << dlerror();
        m_parse = reinterpret_cast<ParseFn>(dlsym(m_handle, "Parse"));
        m_run = reinterpret_cast<RunFn>(dlsym(m_handle, "TrawlerParseRun"));
        m_runWith = reinterpret_cast<RunWithFn>(dlsym(m_handle, "TrawlerParseRunWith"));
        m_cancel = reinterpret_cast<CancelFn>(dlsym(m_handle, "TrawlerParseCancel"));
        ASSERT_NE(m_parse, nullptr);
        ASSERT_NE(m_run, nullptr);
        ASSERT_NE(m_runWith, nullptr);
        ASSERT_NE(m_cancel, nullptr);
        m_db = m_dir.file("lib.mdb");
        trawler::db::createDatabaseFile(m_db);
        ASSERT_TRUE(trawler::db::initTables(m_db).completed());
        trawler::test::Frame arp(42);
        arp.arp(1, {0, 1, 2, 3, 4, 5}, {10, 0, 0, 1}, {0, 0, 0, 0, 0, 0}, {10, 0, 0, 2});
        m_capture = m_dir.file("one.cap");
        trawler::test::writeCapture(m_capture, {{1083827289, arp}, {1083827290, arp}});
    }
    void TearDown() override
    {
        if (m_handle)
            dlclose(m_handle);
    }

    trawler::test::TempDir m_dir;
    void* m_handle = nullptr;
    ParseFn m_parse = nullptr;
    RunFn m_run = nullptr;
    RunWithFn m_runWith = nullptr;
    CancelFn m_cancel = nullptr;
    std::string m_db, m_capture;
};

} // namespace

TEST_F(ParseLibraryTest, ExportsOnlyItsEntryPoints)
{
    // The core and the database layer inside stay private to the library:
    // its dynamic symbol table holds the C entry points and nothing else
    // (names the toolchain itself adds, "__...", aside).
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(m_parse), &info), 0);
    FILE* pipe = ::popen(("nm -D --defined-only '" + std::string(info.dli_fname) + "' 2>/dev/null").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::set<std::string> exported;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string name(line);
        name = name.substr(name.find_last_of(' ') + 1);
        name.erase(name.find_last_not_of("\r\n") + 1);
        if (name.rfind("__", 0) != 0)
            exported.insert(name);
    }
    if (::pclose(pipe) != 0 && exported.empty())
        GTEST_SKIP() << "nm (binutils) is not available to list the library's symbols";
    EXPECT_EQ(exported, (std::set<std::string>{"Parse", "TrawlerParseCancel", "TrawlerParseRun", "TrawlerParseRunWith"}));
}

TEST_F(ParseLibraryTest, RunReportsThroughItsCallbacks)
{
    Seen seen;
    EXPECT_EQ(m_run(m_capture.c_str(), m_db.c_str(), onMessage, onProgress, &seen), TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(seen.messages, std::vector<std::string>{"Finish: File parsing complete."});
    EXPECT_EQ(seen.frames, 2u);
    EXPECT_GT(seen.size, 0u);
    EXPECT_EQ(seen.bytes, seen.size);

    seen.messages.clear();
    EXPECT_EQ(m_run(m_capture.c_str(), m_db.c_str(), onMessage, nullptr, &seen), TRAWLER_PARSE_ALREADY_STORED);
    EXPECT_EQ(seen.messages, std::vector<std::string>{"Wrong: The selected file has been decoded and stored."});

    // Missing arguments and a broken database end in a message, never in an exception.
    seen.messages.clear();
    EXPECT_EQ(m_run(nullptr, m_db.c_str(), onMessage, nullptr, &seen), TRAWLER_PARSE_BAD_ARGUMENT);
    EXPECT_EQ(m_run(m_capture.c_str(), nullptr, onMessage, nullptr, &seen), TRAWLER_PARSE_BAD_ARGUMENT);
    const std::string notADatabase = m_capture; // a capture file is not a database
    EXPECT_EQ(m_run(m_capture.c_str(), notADatabase.c_str(), onMessage, nullptr, &seen),
              TRAWLER_PARSE_DATABASE_ERROR);
    ASSERT_EQ(seen.messages.size(), 3u);
    EXPECT_EQ(seen.messages[2].rfind("Wrong: Database error: ", 0), 0u) << seen.messages[2];
}

TEST_F(ParseLibraryTest, ParsePrintsItsMessageToStandardError)
{
    ::testing::internal::CaptureStderr();
    m_parse(m_capture.c_str(), m_db.c_str());
    m_parse(m_dir.file("missing.cap").c_str(), m_db.c_str());
    const std::string err = ::testing::internal::GetCapturedStderr();
    // The reason follows on a second line.
    EXPECT_EQ(err.rfind("Finish: File parsing complete.\nWrong: Error opening dump file.\n", 0), 0u) << err;
    EXPECT_NE(err.find("missing.cap: No such file or directory\n"), std::string::npos) << err;
}

TEST_F(ParseLibraryTest, RunWithOptionsCancelsLimitsAndAcceptsAnOlderHostsShorterOptions)
{
    Seen seen;
    TrawlerParseCancelFlag flag = {0};
    TrawlerParseOptions options = {};
    options.size = sizeof options;
    options.onMessage = onMessage;
    options.context = &seen;
    options.cancel = &flag;
    options.maxFrames = 1;
    // Two frames where one is allowed: refused whole.
    EXPECT_EQ(m_runWith(m_capture.c_str(), m_db.c_str(), &options), TRAWLER_PARSE_TOO_MANY_FRAMES);

    // A host that knows only the fields up to the context: the limit it
    // cannot have set is not read.
    options.size = offsetof(TrawlerParseOptions, cancel);
    EXPECT_EQ(m_runWith(m_capture.c_str(), m_db.c_str(), &options), TRAWLER_PARSE_COMPLETE);

    const std::string second = m_dir.file("two.cap");
    trawler::test::Frame arp(42);
    arp.arp(2, {0, 1, 2, 3, 4, 5}, {10, 0, 0, 1}, {0, 0, 0, 0, 0, 0}, {10, 0, 0, 2});
    trawler::test::writeCapture(second, {{1083827289, arp}});
    options.size = sizeof options;
    options.maxFrames = 0;
    m_cancel(&flag);
    EXPECT_EQ(flag.requested, 1);
    seen.messages.clear();
    EXPECT_EQ(m_runWith(second.c_str(), m_db.c_str(), &options), TRAWLER_PARSE_CANCELLED);
    EXPECT_EQ(seen.messages, std::vector<std::string>{"Wrong: Parsing cancelled."});
    flag.requested = 0;
    EXPECT_EQ(m_runWith(second.c_str(), m_db.c_str(), nullptr), TRAWLER_PARSE_COMPLETE);
}
