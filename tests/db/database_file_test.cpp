// Creating database files and giving them their tables.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace trawler::db;
using trawler::test::TempDir;

namespace {

const std::vector<std::string> kAllTables = {"arp", "ip", "history", "icmp", "syn", "pccount", "ipmac"};

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(CreateDatabaseFile, MakesAnEmptyDatabaseAndNeverReplacesAFile)
{
    TempDir dir;
    const std::string path = dir.file("new.mdb");
    createDatabaseFile(path);
    EXPECT_TRUE(Database(path).listTables().empty());

    Database(path).execute("create table keep (x)");
    const std::string before = contents(path);
    try {
        createDatabaseFile(path);
        FAIL() << "an existing file was accepted";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("exists already"), std::string::npos) << e.what();
    }
    EXPECT_EQ(contents(path), before);
    EXPECT_EQ(Database(path).listTables(), std::vector<std::string>{"keep"});

    std::ofstream(dir.file("notes.txt")) << "operator's notes";
    EXPECT_THROW(createDatabaseFile(dir.file("notes.txt")), DbError);
    EXPECT_EQ(contents(dir.file("notes.txt")), "operator's notes");

    EXPECT_THROW(createDatabaseFile(dir.file("no/such/folder/x.mdb")), DbError);
}

TEST(InitTables, CreatesTheSevenTablesInOrderOnceOnly)
{
    TempDir dir;
    const std::string path = dir.file("a.mdb");
    createDatabaseFile(path);
    InitOutcome first = initTables(path);
    ASSERT_TRUE(first.completed()) << *first.error;
    EXPECT_EQ(first.created, kAllTables);
    EXPECT_EQ(Database(path).listTables(), kAllTables);

    InitOutcome second = initTables(path);
    EXPECT_TRUE(second.completed());
    EXPECT_TRUE(second.created.empty());
}

TEST(InitTables, LeavesExistingTablesAndTheirRowsAlone)
{
    TempDir dir;
    const std::string path = dir.file("a.mdb");
    createDatabaseFile(path);
    {
        Database db(path);
        db.execute("create table ip (Tm char(30), Sourceip char(16), Destip char(16), Upperlayer char(16), "
                   "Sourceport long, Destport long, Totallen long )");
        db.execute("create table ipmac (Ip char(16), Mac char(18), primary key(ip))");
        db.execute("insert into ip (Totallen) values (60)");
        db.execute("insert into ipmac values ('10.0.0.1', '00-11-22-33-44-55')");
    }
    InitOutcome outcome = initTables(path);
    ASSERT_TRUE(outcome.completed());
    EXPECT_EQ(outcome.created, (std::vector<std::string>{"arp", "history", "icmp", "syn", "pccount"}));
    Database db(path);
    Statement st = db.prepare("select (select count(*) from ip), (select Mac from ipmac)");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), 1);
    EXPECT_EQ(*st.value(1).toText(), "00-11-22-33-44-55");
}

TEST(InitTables, ATableUnderAnotherLetterCaseStopsInitialisationThere)
{
    TempDir dir;
    const std::string path = dir.file("a.mdb");
    createDatabaseFile(path);
    Database(path).execute("create table HISTORY (Filename char(250) )");

    InitOutcome outcome = initTables(path);
    ASSERT_FALSE(outcome.completed());
    EXPECT_NE(outcome.error->find("already exists"), std::string::npos) << *outcome.error;
    EXPECT_EQ(outcome.created, (std::vector<std::string>{"arp", "ip"}));
    EXPECT_EQ(Database(path).listTables(), (std::vector<std::string>{"HISTORY", "arp", "ip"}));
}

TEST(InitTables, MissingOrForeignFilesGiveTheEngineErrorAndStayAsTheyWere)
{
    TempDir dir;
    InitOutcome missing = initTables(dir.file("missing.mdb"));
    ASSERT_FALSE(missing.completed());
    EXPECT_FALSE(missing.error->empty());
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb")));

    std::ofstream(dir.file("a.txt")) << "not a database at all, just some text of an operator" << std::string(600, '.');
    const std::string before = contents(dir.file("a.txt"));
    InitOutcome foreign = initTables(dir.file("a.txt"));
    ASSERT_FALSE(foreign.completed());
    EXPECT_NE(foreign.error->find("not a database"), std::string::npos) << *foreign.error;
    EXPECT_EQ(contents(dir.file("a.txt")), before);
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.txt-wal")));
}
