#pragma once
// A scratch database with the capture tables and a recording listener, for
// tests of whole parse runs over capture files the tests write themselves.
#include "CaptureFixture.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "parse/ParseRun.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace trawler::test {

constexpr std::int64_t kT0 = 1083827289; // 2004-05-06 07:08:09 UTC

// Records what a run tells; a test may act on progress and notices (they
// arrive on the run's thread).
struct Recorder : trawler::parse::RunListener {
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<std::string> notices;
    std::uint64_t lastBytes = 0, lastSize = 0, lastFrames = 0;
    int progressCalls = 0;
    std::function<void(std::uint64_t frames)> onProgress;
    std::function<void(const std::string&)> onNotice;
    void notice(std::string_view text) override
    {
        notices.emplace_back(text);
        if (onNotice)
            onNotice(notices.back());
    }
    void message(std::string_view caption, std::string_view text) override
    {
        messages.emplace_back(std::string(caption), std::string(text));
    }
    void progress(std::uint64_t bytes, std::uint64_t size, std::uint64_t frames) override
    {
        lastBytes = bytes;
        lastSize = size;
        lastFrames = frames;
        ++progressCalls;
        if (onProgress)
            onProgress(frames);
    }
};

using Row = std::vector<std::optional<std::string>>;

class ParseRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_db = m_dir.file("t.mdb");
        trawler::db::createDatabaseFile(m_db);
        ASSERT_TRUE(trawler::db::initTables(m_db).completed());
    }

    // Runs with m_listener as the test set it up; every run sends one message.
    trawler::parse::RunResult run(const std::string& capture, const trawler::parse::RunOptions& options = {})
    {
        m_listener.messages.clear();
        m_listener.notices.clear();
        trawler::parse::RunResult r = trawler::parse::runParse(capture, m_db, m_listener, options);
        EXPECT_EQ(m_listener.messages.size(), 1u);
        if (!m_listener.messages.empty()) {
            EXPECT_EQ(m_listener.messages[0].first, r.caption);
            EXPECT_EQ(m_listener.messages[0].second, r.text);
        }
        return r;
    }

    std::vector<Row> rows(const std::string& sql)
    {
        trawler::db::Database database(m_db);
        trawler::db::Statement st = database.prepare(sql);
        std::vector<Row> out;
        while (st.step()) {
            Row row;
            for (int i = 0; i < st.fieldCount(); ++i)
                row.push_back(st.value(i).toText());
            out.push_back(row);
        }
        return out;
    }

    std::int64_t count(const std::string& table)
    {
        return std::stoll(*rows("select count(*) from " + table)[0][0]);
    }

    void expectNothingStored()
    {
        for (const char* table : {"history", "arp", "ip", "icmp", "syn", "pccount"})
            EXPECT_EQ(count(table), 0) << table;
    }

    std::string capture(const std::string& name, const std::vector<Record>& records, int linkType = DLT_EN10MB)
    {
        const std::string path = m_dir.file(name);
        trawler::test::writeCapture(path, records, linkType);
        return path;
    }

    trawler::test::TempDir m_dir;
    std::string m_db;
    Recorder m_listener;
};

inline Frame tcpFrame(std::uint8_t flags, std::uint16_t sport, std::uint16_t dport)
{
    Frame f(60);
    f.ipv4(6, {192, 168, 0, 7}, {192, 168, 0, 9}, 44).u16(34, sport).u16(36, dport).u8(47, flags);
    return f;
}

inline Frame arpFrame(std::uint16_t op)
{
    Frame f(42);
    f.arp(op, {0x00, 0x0c, 0x29, 0x3a, 0x5f, 0x01}, {192, 168, 0, 1}, {0xAA, 0xBB, 0xCC, 0, 0, 0x0F},
          {192, 168, 0, 2});
    return f;
}

inline Row r(std::initializer_list<const char*> values)
{
    Row row;
    for (const char* v : values)
        row.push_back(v ? std::optional<std::string>(v) : std::nullopt);
    return row;
}

} // namespace trawler::test
