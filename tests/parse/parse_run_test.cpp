// Parse runs over small capture files written by the tests themselves.
#include "ParseRunFixture.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "parse/ParseRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

using namespace trawler;
using test::Frame;
using test::Record;

using namespace trawler::test;

TEST_F(ParseRunTest, EachKindOfFrameGivesItsRowsAndCounters)
{
    Frame echo(42);
    echo.ipv4(1, {10, 0, 0, 1}, {10, 0, 0, 255}, 28).u8(34, 8).u8(35, 0);
    Frame udp(60);
    udp.ipv4(17, {10, 0, 0, 1}, {10, 0, 0, 2}, 78).u16(34, 65535).u16(36, 137);
    Frame shortUdp(45);
    shortUdp.ipv4(17, {10, 0, 0, 3}, {10, 0, 0, 4}, 31);
    Frame cutIcmp(35); // captured 35 of 60: the code byte is missing
    cutIcmp.ipv4(1, {10, 0, 0, 5}, {10, 0, 0, 6}, 46).u8(34, 3);
    Frame shortIp(33);
    shortIp.ipv4(6, {10, 0, 0, 7}, {10, 0, 0, 8}, 20);
    Frame rarp(60);
    rarp.etherType(0x8035);
    Frame ospf(60);
    ospf.ipv4(89, {10, 0, 0, 9}, {224, 0, 0, 5}, 44);

    const std::string path = capture("kinds.cap", {
        {kT0, arpFrame(2)},
        {kT0, arpFrame(5)},
        {kT0 + 1, echo},
        {kT0 + 1, tcpFrame(0x02, 40000, 445)},
        {kT0 + 1, tcpFrame(0x12, 445, 40000)},
        {kT0 + 1, tcpFrame(0x10, 40000, 445)},
        {kT0 + 2, udp},
        {kT0 + 2, shortUdp},
        {kT0 + 2, cutIcmp, 60},
        {kT0 + 2, shortIp},
        {kT0 + 2, rarp},
        {kT0 + 2, ospf},
        {kT0 + 3, Frame(13)},
    });
    const parse::RunResult result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(result.caption, "Finish");
    EXPECT_EQ(result.text, "File parsing complete.");

    EXPECT_EQ(rows("select Filename from history"), std::vector<Row>{r({path.c_str()})});
    // Total, Ethother, Corrupted (short UDP, cut ICMP, short IPv4, 13 bytes), Arp, Ip, Tcp, Udp, Icmp, Ipother
    EXPECT_EQ(rows("select * from pccount"),
              std::vector<Row>{r({"2004-05-06 07:08:09", "2004-05-06 07:08:12", "13", "1", "4", "2", "8", "3", "1",
                                  "1", "1"})});
    EXPECT_EQ(rows("select Tm, Destmac, Sourcemac, Destip, Sourceip, Type from arp order by rowid"),
              (std::vector<Row>{
                  r({"2004-05-06 07:08:09", "aa-bb-cc-00-00-0f", "00-0c-29-3a-5f-01", "192.168.0.2", "192.168.0.1",
                     "Arp Reply"}),
                  r({"2004-05-06 07:08:09", "aa-bb-cc-00-00-0f", "00-0c-29-3a-5f-01", "192.168.0.2", "192.168.0.1",
                     nullptr}),
              }));
    // One ip row per datagram counted in Ip, short ones with their addresses and length only.
    EXPECT_EQ(rows("select Tm, Sourceip, Destip, Upperlayer, Sourceport, Destport, Totallen from ip order by rowid"),
              (std::vector<Row>{
                  r({"2004-05-06 07:08:10", "10.0.0.1", "10.0.0.255", nullptr, nullptr, nullptr, "28"}),
                  r({"2004-05-06 07:08:10", "192.168.0.7", "192.168.0.9", "TCP", "40000", "445", "44"}),
                  r({"2004-05-06 07:08:10", "192.168.0.7", "192.168.0.9", "TCP", "445", "40000", "44"}),
                  r({"2004-05-06 07:08:10", "192.168.0.7", "192.168.0.9", "TCP", "40000", "445", "44"}),
                  r({"2004-05-06 07:08:11", "10.0.0.1", "10.0.0.2", "UDP", "65535", "137", "78"}),
                  r({"2004-05-06 07:08:11", "10.0.0.3", "10.0.0.4", nullptr, nullptr, nullptr, "31"}),
                  r({"2004-05-06 07:08:11", "10.0.0.5", "10.0.0.6", nullptr, nullptr, nullptr, "46"}),
                  r({"2004-05-06 07:08:11", "10.0.0.9", "224.0.0.5", nullptr, nullptr, nullptr, "44"}),
              }));
    EXPECT_EQ(rows("select Tm, Sourceip, Destip, Upperlayer, Type, Code, Totallen from icmp"),
              std::vector<Row>{r({"2004-05-06 07:08:10", "10.0.0.1", "10.0.0.255", nullptr, "Echo Request",
                                  "No Code", "28"})});
    // SYN and SYN+ACK, not the pure ACK.
    EXPECT_EQ(rows("select Tm, Sourceip, Destip, Sourceport, Destport from syn order by rowid"),
              (std::vector<Row>{
                  r({"2004-05-06 07:08:10", "192.168.0.7", "192.168.0.9", "40000", "445"}),
                  r({"2004-05-06 07:08:10", "192.168.0.7", "192.168.0.9", "445", "40000"}),
              }));
}

TEST_F(ParseRunTest, ArpOperationsOneToFiveAndOtherIcmpTypes)
{
    Frame timestamp(42);
    timestamp.ipv4(1, {10, 0, 0, 1}, {10, 0, 0, 2}, 40).u8(34, 13);
    Frame other(42);
    other.ipv4(1, {10, 0, 0, 1}, {10, 0, 0, 2}, 28).u8(34, 31).u8(35, 3);
    const std::string path = capture("ops.cap", {{kT0, arpFrame(1)}, {kT0, arpFrame(2)}, {kT0, arpFrame(3)},
                                                 {kT0, arpFrame(4)}, {kT0, arpFrame(5)}, {kT0, timestamp},
                                                 {kT0, other}});
    ASSERT_EQ(run(path).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Type from arp order by rowid"),
              (std::vector<Row>{r({"Arp Request"}), r({"Arp Reply"}), r({"Rarp Request"}), r({"Rarp Reply"}),
                                r({nullptr})}));
    EXPECT_EQ(rows("select Type, Code from icmp order by rowid"),
              (std::vector<Row>{r({"TimeStamp", "No Code"}), r({"Other Types", nullptr})}));
}

// The run does not have the engine evaluate the columns' width and range
// checks for its own rows; every row it stores must still meet them.
TEST_F(ParseRunTest, StoredRowsMeetTheColumnChecksTheRunDoesNotEvaluate)
{
    std::vector<Record> records;
    for (int type = 0; type < 256; ++type)
        for (int code = 0; code < 16; ++code) {
            Frame icmp(42);
            icmp.ipv4(1, {255, 255, 255, 255}, {10, 0, 0, 2}, 28).u8(34, static_cast<std::uint8_t>(type))
                .u8(35, static_cast<std::uint8_t>(code));
            records.push_back({kT0 + type, icmp});
        }
    for (int op = 0; op < 8; ++op)
        records.push_back({kT0, arpFrame(static_cast<std::uint16_t>(op))});
    records.push_back({kT0, tcpFrame(0x02, 65535, 65535)});
    ASSERT_EQ(run(capture("every-name.cap", records)).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(count("icmp"), 256 * 16);
    EXPECT_EQ(rows("pragma integrity_check"), std::vector<Row>{r({"ok"})});
}

TEST_F(ParseRunTest, HistoryRefusesTheSamePathOnlyAndCaseSensitively)
{
    const std::vector<Record> one = {{kT0, tcpFrame(0x02, 1, 2)}};
    const std::string lower = capture("a.cap", one);
    const std::string upper = capture("A.cap", one);

    ASSERT_EQ(run(lower).outcome, TRAWLER_PARSE_COMPLETE);
    const parse::RunResult again = run(lower);
    EXPECT_EQ(again.outcome, TRAWLER_PARSE_ALREADY_STORED);
    EXPECT_EQ(again.caption, "Wrong");
    EXPECT_EQ(again.text, "The selected file has been decoded and stored.");
    EXPECT_EQ(count("ip"), 1);
    EXPECT_EQ(count("pccount"), 1);

    // A path differing in letter case only is another file.
    EXPECT_EQ(run(upper).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(count("ip"), 2);

    // A stored name that carries trailing blanks still matches; one with a
    // leading blank does not.
    const std::string padded = capture("padded.cap", one);
    {
        db::Database database(m_db);
        database.execute("insert into history (Filename) values ('" + padded + "      ')");
    }
    EXPECT_EQ(run(padded).outcome, TRAWLER_PARSE_ALREADY_STORED);
    const std::string spaced = capture("spaced.cap", one);
    {
        db::Database database(m_db);
        database.execute("insert into history (Filename) values (' " + spaced + "')");
    }
    EXPECT_EQ(run(spaced).outcome, TRAWLER_PARSE_COMPLETE);

    // A path that itself ends in a blank names another file than the one
    // without it, even though the stored name is compared without its padding.
    const std::string blankEnded = capture("spaced.cap ", one);
    EXPECT_EQ(run(blankEnded).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(run(blankEnded).outcome, TRAWLER_PARSE_ALREADY_STORED);
}

TEST_F(ParseRunTest, AFileThatCannotBeTakenInLeavesNothingAndCanBeParsedOnceFixed)
{
    const std::string path = m_dir.file("later.cap");

    // Missing; then empty (no file header); then not a capture at all. The
    // second line is the reason.
    parse::RunResult result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_OPEN_FAILED);
    EXPECT_EQ(result.caption, "Wrong");
    EXPECT_EQ(result.text, "Error opening dump file.\n" + path + ": No such file or directory");
    expectNothingStored();

    { std::ofstream(path).flush(); }
    result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_OPEN_FAILED);
    EXPECT_NE(result.text.find("truncated dump file"), std::string::npos) << result.text; // libpcap's words
    expectNothingStored();
    { std::ofstream(path) << "hello, this is no capture file"; }
    result = run(path);
    EXPECT_EQ(result.text.rfind("Error opening dump file.\n", 0), 0u);
    EXPECT_GT(result.text.size(), std::string("Error opening dump file.\n").size());
    expectNothingStored();

    // Not Ethernet.
    Frame raw(40);
    raw.u8(0, 0x45);
    test::writeCapture(path, {{kT0, raw}}, DLT_RAW);
    result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_NOT_ETHERNET);
    EXPECT_EQ(result.caption, "Wrong");
    EXPECT_EQ(result.text, "Not Ethernet.");
    expectNothingStored();

    // Replaced by an Ethernet capture: taken in.
    test::writeCapture(path, {{kT0, arpFrame(1)}});
    EXPECT_EQ(run(path).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(count("arp"), 1);
    EXPECT_EQ(count("history"), 1);
}

TEST_F(ParseRunTest, CapturesWithoutFramesOrWithOneFrame)
{
    const std::string none = capture("none.cap", {});
    ASSERT_EQ(run(none).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select * from pccount"),
              std::vector<Row>{r({nullptr, nullptr, "0", "0", "0", "0", "0", "0", "0", "0", "0"})});

    const std::string one = capture("one.cap", {{kT0, Frame(10)}});
    ASSERT_EQ(run(one).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Starttm, Endtm, Total, Corrupted from pccount order by rowid")[1],
              r({"2004-05-06 07:08:09", "2004-05-06 07:08:09", "1", "1"}));
    EXPECT_EQ(m_listener.lastFrames, 1u);
    EXPECT_EQ(m_listener.lastBytes, m_listener.lastSize);
    EXPECT_EQ(m_listener.lastSize, std::filesystem::file_size(one));
}

TEST_F(ParseRunTest, ADatabaseFailureHalfWayKeepsNothing)
{
    std::vector<Record> records;
    for (int i = 0; i < 10; ++i)
        records.push_back({kT0 + i, tcpFrame(0x02, static_cast<std::uint16_t>(1000 + i), 80)});
    const std::string path = capture("ten.cap", records);
    {
        db::Database database(m_db);
        database.execute("create trigger full_disk before insert on ip when (select count(*) from ip) >= 5 "
                         "begin select raise(abort, 'the disk is full'); end");
    }
    const parse::RunResult result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_DATABASE_ERROR);
    EXPECT_EQ(result.caption, "Wrong");
    EXPECT_EQ(result.text, "Database error: the disk is full");
    expectNothingStored();

    // Rows are stored on a thread of their own while later frames are read:
    // a failure there, long before the end of the file, ends the run too.
    std::vector<Record> many;
    for (int i = 0; i < 40000; ++i)
        many.push_back({kT0 + i / 100, tcpFrame(0x10, static_cast<std::uint16_t>(i), 80)});
    {
        db::Database database(m_db);
        database.execute("drop trigger full_disk");
        database.execute("create trigger full_disk before insert on ip when new.Sourceport = 9000 "
                         "begin select raise(abort, 'the disk is full'); end");
    }
    const parse::RunResult early = run(capture("many.cap", many));
    EXPECT_EQ(early.outcome, TRAWLER_PARSE_DATABASE_ERROR);
    EXPECT_EQ(early.text, "Database error: the disk is full");
    expectNothingStored();

    // A missing table fails at its first row, here the last one of the run.
    {
        db::Database database(m_db);
        database.execute("drop trigger full_disk");
        database.execute("drop table pccount");
    }
    const parse::RunResult missing = run(path);
    EXPECT_EQ(missing.outcome, TRAWLER_PARSE_DATABASE_ERROR);
    EXPECT_EQ(missing.text.rfind("Database error: ", 0), 0u) << missing.text;
    for (const char* table : {"history", "ip", "syn"})
        EXPECT_EQ(count(table), 0) << table;

    // A database file that does not exist is not created.
    parse::RunResult absent = parse::runParse(path, m_dir.file("absent.mdb"), m_listener);
    EXPECT_EQ(absent.outcome, TRAWLER_PARSE_DATABASE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("absent.mdb")));
}

TEST_F(ParseRunTest, ATruncatedLastRecordKeepsTheFramesBeforeItAndSaysSo)
{
    std::vector<Record> records;
    for (int i = 0; i < 5; ++i)
        records.push_back({kT0 + i, arpFrame(1)});
    const std::string path = capture("cut.cap", records);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - 10);

    const parse::RunResult result = run(path);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE_READ_ERROR);
    EXPECT_EQ(result.caption, "Finish");
    EXPECT_EQ(result.text.rfind("File parsing complete.\n", 0), 0u) << result.text;
    EXPECT_NE(result.text.find("after 4 frames"), std::string::npos) << result.text;
    EXPECT_NE(result.text.find("truncated"), std::string::npos) << result.text; // libpcap's own words
    EXPECT_EQ(count("arp"), 4);
    EXPECT_EQ(rows("select Endtm, Total, Arp from pccount"), std::vector<Row>{r({"2004-05-06 07:08:12", "4", "4"})});
    EXPECT_EQ(count("history"), 1);
}

TEST_F(ParseRunTest, CapturePathsUpToTheColumnWidthOnly)
{
    // Build a path of exactly 250 characters through nested folders.
    std::filesystem::path dir = m_dir.path();
    const std::size_t base = dir.string().size();
    ASSERT_LT(base + 20, 250u);
    std::size_t remaining = 250 - base - 1; // "/" before the file name
    while (remaining > 100) {
        dir /= std::string(90, 'd');
        remaining -= 91;
    }
    std::filesystem::create_directories(dir);
    const std::string exact = (dir / std::string(remaining, 'f')).string();
    ASSERT_EQ(exact.size(), 250u);
    test::writeCapture(exact, {{kT0, arpFrame(1)}});
    EXPECT_EQ(run(exact).outcome, TRAWLER_PARSE_COMPLETE);
    EXPECT_EQ(rows("select Filename from history"), std::vector<Row>{r({exact.c_str()})});

    const std::string longer = exact + "x";
    test::writeCapture(longer, {{kT0, arpFrame(1)}});
    const parse::RunResult result = run(longer);
    EXPECT_EQ(result.outcome, TRAWLER_PARSE_BAD_ARGUMENT);
    EXPECT_EQ(result.caption, "Wrong");
    EXPECT_NE(result.text.find("250"), std::string::npos);
    EXPECT_EQ(count("history"), 1);
    EXPECT_EQ(count("arp"), 1);
}
