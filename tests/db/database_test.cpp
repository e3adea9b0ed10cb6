// The database layer against real SQLite files: fixed-width text, 32-bit
// integers, names, errors, paths and concurrent use.
#include "CaptureDatabase.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/SqlDialect.h"
#include "text/Trim.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include <fstream>

using namespace trawler::db;
using trawler::text::trimTrailingBlanks;
using trawler::test::TempDir;

namespace {

class DatabaseTest : public ::testing::Test, public trawler::test::CaptureDatabase {
protected:
    std::string single(const std::string& sql)
    {
        Statement st = db.prepare(sql);
        EXPECT_TRUE(st.step()) << sql;
        return st.value(0).toText().value_or("<NULL>");
    }
};

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const DbError& e) {
        return e.description();
    }
    return "<no error>";
}

} // namespace

TEST_F(DatabaseTest, FixedWidthTextIgnoresTrailingBlanksButStoresAsWritten)
{
    db.execute("insert into arp (Type, Sourceip) values ('Arp Request', '10.0.0.1')");
    db.execute("insert into arp (Type, Sourceip) values ('Arp Request   ', '10.0.0.1 ')");
    db.execute("insert into arp (Type, Sourceip) values ('Arp Reply', '10.0.0.2')");

    EXPECT_EQ(single("select count(*) from arp where Type='Arp Request'"), "2");
    EXPECT_EQ(single("select count(*) from (select Type from arp group by Type)"), "2");
    EXPECT_EQ(single("select count(*) from (select distinct Sourceip from arp)"), "2");
    // Stored as written: the layer neither pads nor cuts.
    EXPECT_EQ(single("select Type from arp where rowid=2"), "Arp Request   ");
    EXPECT_EQ(trimTrailingBlanks(single("select Type from arp where rowid=2")), "Arp Request");
    // Sorting ignores the padding too: 'Arp Reply' < 'Arp Request'.
    EXPECT_EQ(single("select Type from arp order by Type limit 1"), "Arp Reply");
}

TEST_F(DatabaseTest, OverlongTextIsRefusedWithTheColumnNamed)
{
    const std::string path251(251, 'p');
    const std::string message = errorOf([&] {
        db.prepare("insert into history (Filename) values (?)").bindText(1, path251).execute();
    });
    EXPECT_NE(message.find("Filename"), std::string::npos) << message;
    EXPECT_NE(message.find("250"), std::string::npos) << message;
    EXPECT_EQ(single("select count(*) from history"), "0");

    db.prepare("insert into history (Filename) values (?)").bindText(1, std::string(250, 'p')).execute();
    // Width counts characters, not bytes.
    db.prepare("insert into arp (Type) values (?)").bindText(1, "二十个汉字二十个汉字二十个汉字二十个汉字").execute();
    EXPECT_NE(errorOf([&] { db.execute("insert into ip (Sourceip) values ('255.255.255.255.1')"); }).find("Sourceip"),
              std::string::npos);
}

TEST_F(DatabaseTest, LongHoldsExactlyThirtyTwoBitIntegers)
{
    db.execute("insert into ip (Sourceport, Destport, Totallen) values (65535, 0, 2147483647)");
    db.execute("insert into ip (Totallen) values (-2147483648)");
    EXPECT_EQ(single("select Sourceport from ip where Destport = 0"), "65535");
    const std::string tooBig = errorOf([&] { db.execute("insert into ip (Totallen) values (2147483648)"); });
    EXPECT_NE(tooBig.find("Totallen"), std::string::npos) << tooBig;
    EXPECT_NE(errorOf([&] { db.execute("insert into ip (Destport) values ('http')"); }).find("Destport"),
              std::string::npos);
    // Numeric text converts, as the desktop engine would.
    db.execute("insert into ip (Destport) values ('80')");
    EXPECT_EQ(single("select typeof(Destport) from ip where Destport = 80"), "integer");
}

TEST_F(DatabaseTest, NamesIgnoreCaseAndTakeBrackets)
{
    db.execute("insert into icmp (Sourceip, Totallen, Type) values ('10.0.0.1', 60, 'Echo Request')");
    db.execute("insert into icmp (SOURCEIP, totallen, TYPE) values ('10.0.0.1', 40, 'Echo Request')");
    Statement st = db.prepare("SELECT [icmp].[Sourceip], Sum([icmp].[Totallen]) AS Totallen FROM icmp "
                              "GROUP BY [icmp].[Sourceip]");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.fieldName(0), "Sourceip");
    EXPECT_EQ(*st.value("sourceIP").toText(), "10.0.0.1");
    EXPECT_EQ(*st.value("TOTALLEN").toText(), "100");
    EXPECT_EQ(st.fieldIndex("nothing"), -1);
    EXPECT_THROW(st.value("nothing"), DbError);
}

// Bytes that are not text (a blob from a free query) read as their literal
// form, so a list or a terminal shows them as hexadecimal.
TEST_F(DatabaseTest, BlobsReadAsHexadecimalLiterals)
{
    Statement st = db.prepare("select x'00ff1b41', x''");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(*st.value(0).toText(), "X'00FF1B41'");
    EXPECT_EQ(*st.value(1).toText(), "X''");
}

TEST_F(DatabaseTest, IpmacPrimaryKeyRefusesSecondRowForAnAddress)
{
    db.execute("insert into ipmac (Ip, Mac) values ('10.0.0.1', '00-11-22-33-44-55')");
    EXPECT_THROW(db.execute("insert into ipmac (Ip, Mac) values ('10.0.0.1', '00-11-22-33-44-66')"), DbError);
    EXPECT_THROW(db.execute("insert into ipmac (ip, mac) values ('10.0.0.1  ', '00-11-22-33-44-66')"), DbError);
    EXPECT_EQ(single("select Mac from ipmac"), "00-11-22-33-44-55");
}

TEST_F(DatabaseTest, StatementsBindTextIntegersAndNull)
{
    Statement ins = db.prepare("insert into syn (Tm, Sourceip, Destip, Sourceport, Destport) values (?,?,?,?,?)");
    for (int i = 0; i < 3; ++i) {
        ins.bindText(1, "2004-05-17 09:03:07").bindText(2, "it's").bindNull(3).bindInt(4, 40000 + i).bindInt(5, 80);
        ins.execute();
    }
    Statement st = db.prepare("select * from syn order by Sourceport desc");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.fieldNames(), (std::vector<std::string>{"Tm", "Sourceip", "Destip", "Sourceport", "Destport"}));
    EXPECT_EQ(*st.value(1).toText(), "it's");
    EXPECT_TRUE(st.value("Destip").isNull());
    EXPECT_FALSE(st.value("Destip").toText().has_value());
    EXPECT_EQ(st.value("Sourceport").toInt(), 40002);
    int rows = 1;
    while (st.step())
        ++rows;
    EXPECT_EQ(rows, 3);
    EXPECT_THROW(st.value(0), DbError) << "no current row after the end";
    st.reset();
    EXPECT_TRUE(st.step()) << "a second pass starts at the first row again";
}

TEST_F(DatabaseTest, TransactionsCommitOrLeaveNothing)
{
    {
        Transaction t(db);
        db.execute("insert into history values ('a.cap')");
    }
    EXPECT_EQ(single("select count(*) from history"), "0");
    {
        Transaction t(db);
        db.execute("insert into history values ('a.cap')");
        t.commit();
    }
    EXPECT_EQ(single("select count(*) from history"), "1");
    EXPECT_FALSE(db.inTransaction());
}

TEST_F(DatabaseTest, ReaderSeesCommittedStateWhileAWriterHoldsItsTransaction)
{
    db.execute("insert into history values ('before.cap')");
    db.begin();
    db.execute("insert into history values ('pending.cap')");

    Database reader(path);
    Statement st = reader.prepare("select count(*) from history");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), 1);

    db.commit();
    st.reset();
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), 2);
}

TEST_F(DatabaseTest, ASecondWriterWaitsWithANoticeUntilTheFirstCommitsOrItGivesUp)
{
    db.begin();
    db.execute("insert into history values ('long.cap')");

    // Gives up after it has been told of the wait: the write fails and says why.
    struct GiveUp : WaitObserver {
        int notices = 0;
        void waitingForWriter() override { ++notices; }
        bool giveUpWaiting() override { return notices > 0; }
    } giveUp;
    Database other(path);
    other.setWaitObserver(&giveUp);
    const std::string message = errorOf([&] { other.execute("insert into ipmac values ('10.0.0.1', 'x')"); });
    EXPECT_EQ(giveUp.notices, 1);
    EXPECT_NE(message.find("database is locked"), std::string::npos) << message;
    EXPECT_NE(message.find("another connection is writing"), std::string::npos) << message;

    // Waits as long as it takes: the first writer commits from another thread
    // once the second has said it waits.
    struct Signal : WaitObserver {
        std::promise<void> waiting;
        void waitingForWriter() override { waiting.set_value(); }
    } signal;
    other.setWaitObserver(&signal);
    std::thread committer([&] {
        signal.waiting.get_future().wait();
        db.commit();
    });
    EXPECT_EQ(other.execute("insert into ipmac values ('10.0.0.1', 'x')"), 1);
    committer.join();
}

TEST_F(DatabaseTest, InterruptFromAnotherThreadEndsARunningStatement)
{
    Database reader(path);
    // Counts for ever: only an interrupt ends it.
    Statement st = reader.prepare("with recursive n(i) as (select 1 union all select i + 1 from n) "
                                  "select count(*) from n");
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!done.load())
            reader.interrupt();
    });
    const std::string message = errorOf([&] { st.step(); });
    done.store(true);
    stopper.join();
    EXPECT_NE(message.find("interrupt"), std::string::npos) << message;
}

TEST(ValueText, NumbersReadAsTheOperatorExpects)
{
    EXPECT_EQ(*Value::integer(-42).toText(), "-42");
    EXPECT_EQ(*Value::real(1200.0).toText(), "1200");
    EXPECT_EQ(*Value::real(0.1).toText(), "0.1");
    EXPECT_EQ(*Value::real(1.0 / 3).toText(), "0.3333333333333333");
    EXPECT_EQ(*Value::real(-2.5).toText(), "-2.5");
    EXPECT_EQ(*Value::text("Echo Request   ").toText(), "Echo Request   ");
    EXPECT_EQ(*Value::text("").toText(), "");
    EXPECT_FALSE(Value().toText());
}

TEST(TrimTrailingBlanks, CutsOnlyTrailingBlanks)
{
    EXPECT_EQ(trimTrailingBlanks("Echo Request" + std::string(38, ' ')), "Echo Request");
    EXPECT_EQ(trimTrailingBlanks("   "), "");
    EXPECT_EQ(trimTrailingBlanks(""), "");
    EXPECT_EQ(trimTrailingBlanks("a b"), "a b");
    EXPECT_EQ(trimTrailingBlanks(" a\t"), " a\t");
}

TEST(SqlDialect, OnlyTableDefinitionsAreTranslated)
{
    EXPECT_EQ(translateForEngine("select * from arp"), "select * from arp");
    const std::string t = translateForEngine("create table x ([Odd Name] char(5), n long not null, primary key(n))");
    EXPECT_NE(t.find("[Odd Name] TEXT COLLATE RTRIM"), std::string::npos) << t;
    EXPECT_NE(t.find("n INT"), std::string::npos) << t;
    EXPECT_NE(t.find("not null"), std::string::npos) << t;
    EXPECT_NE(t.find("primary key(n)"), std::string::npos) << t;
    EXPECT_TRUE(isBlankSqlTail("  ;\n -- note\n /* c */ "));
    EXPECT_FALSE(isBlankSqlTail("; drop table x"));
}

TEST(DatabasePaths, BlanksChineseBackslashesAndEngineNamesAreOrdinaryFiles)
{
    TempDir dir;
    for (const std::string name : {"with blank.mdb", "数据库 一.mdb", "back\\slash.mdb", ":memory:", "file:x.mdb"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(name);
        createDatabaseFile(path);
        EXPECT_TRUE(std::filesystem::exists(path));
        ASSERT_TRUE(initTables(path).completed());
        Database db(path);
        db.execute("insert into history values ('x')");
    }
    // A doubled backslash names another file, which does not exist.
    EXPECT_THROW(Database(dir.file("back\\\\slash.mdb")), DbError);
}

TEST(DatabaseOpen, RefusesMissingEmptyAndForeignFilesWithoutTouchingThem)
{
    TempDir dir;
    EXPECT_THROW(Database(dir.file("missing.mdb")), DbError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb")));
    EXPECT_THROW(Database(""), DbError);

    std::ofstream(dir.file("empty.mdb")).close();
    EXPECT_THROW(Database(dir.file("empty.mdb")), DbError);
    EXPECT_EQ(std::filesystem::file_size(dir.file("empty.mdb")), 0u);

    std::ofstream(dir.file("text.mdb")) << std::string(4096, 'x');
    const std::string message = errorOf([&] { Database d(dir.file("text.mdb")); });
    EXPECT_NE(message.find("not a database"), std::string::npos) << message;
    EXPECT_EQ(std::filesystem::file_size(dir.file("text.mdb")), 4096u);
}

TEST_F(DatabaseTest, OneStatementAtATime)
{
    EXPECT_THROW(db.prepare("select 1; drop table ip"), DbError);
    EXPECT_NO_THROW(db.prepare("select 1;  "));
    const std::string message = errorOf([&] { db.prepare("selec * from ip"); });
    EXPECT_NE(message.find("syntax error"), std::string::npos) << message;
}
