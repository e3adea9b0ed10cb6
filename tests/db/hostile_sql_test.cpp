// Statements and settings an operator or a hostile file may bring: huge
// statements, NULL keys, and a locale with a decimal comma.
#include "CaptureDatabase.h"
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "db/SqlDialect.h"
#include "db/Value.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

using namespace trawler::db;
using trawler::test::TempDir;

namespace {

class HostileSql : public ::testing::Test, public trawler::test::CaptureDatabase {};

} // namespace

// The translation once recursed per character of a definition and overflowed
// the stack at about 30,000 characters.
TEST_F(HostileSql, StatementsOfSeveralMegabytesRunOrFailCleanly)
{
    const std::string big(4 * 1024 * 1024, 'x');
    db.execute("create table t1 (a long, b char(5000000) default '" + big + "')");
    db.execute("insert into t1 (a) values (1)");
    Statement st = db.prepare("select length(b) from t1");
    ASSERT_TRUE(st.step());
    EXPECT_EQ(st.value(0).toInt(), static_cast<std::int64_t>(big.size()));
    // A default wider than its column is refused by the column's own check.
    db.execute("create table t5 (a long default '" + big + "', b char(10) default '" + big + "')");
    EXPECT_THROW(db.execute("insert into t5 (a) values (1)"), DbError);
    EXPECT_THROW(db.execute("insert into t5 (b) values ('y')"), DbError);

    // Many definitions, deep parentheses and an unterminated quote.
    std::string manyColumns = "create table t2 (c0 long";
    for (int i = 1; i < 200000; ++i)
        manyColumns += ", c" + std::to_string(i) + " char(5)";
    EXPECT_THROW(db.execute(manyColumns + ")"), DbError); // more columns than the engine allows
    const std::string deep = "create table t3 (a long check (" + std::string(500000, '(') + "1"
        + std::string(500000, ')') + "))";
    EXPECT_THROW(db.execute(deep), DbError);
    EXPECT_THROW(db.execute("create table t4 (a char(3) default '" + big + ")"), DbError);

    // Anything but a table definition passes unchanged, whatever its size.
    const std::string select = "select '" + big + "' as v";
    EXPECT_EQ(translateForEngine(select), select);
}

// What the server is given: names and placeholders carried over, but never
// inside literals, quoted names or comments, and never an array subscript.
TEST(ServerDialect, TranslatesNamesAndPlaceholdersOutsideLiterals)
{
    EXPECT_EQ(translateForServer("select [icmp].[Sourceip], '[x] ?' from icmp where a = ? and b = ?"),
              "select \"icmp\".\"sourceip\", '[x] ?' from icmp where a = $1 and b = $2");
    EXPECT_EQ(translateForServer("select a[1], \"[Q]?\" -- [c] ?\n from t where x = ?1 or y = ?1 collate binary"),
              "select a[1], \"[Q]?\" -- [c] ?\n from t where x = $1 or y = $1 COLLATE \"C\"");
    EXPECT_EQ(translateForServer("create table t (A char(16), B long, primary key(a))"),
              "create table t (A char(16) COLLATE \"C\", B integer, primary key(a))");
    const std::string huge = "select '" + std::string(3 * 1024 * 1024, '[') + "'";
    EXPECT_EQ(translateForServer(huge), huge);
}

TEST_F(HostileSql, PrimaryKeyColumnsRefuseNull)
{
    EXPECT_THROW(db.execute("insert into ipmac (Mac) values ('00-11-22-33-44-55')"), DbError);
    EXPECT_THROW(db.execute("insert into ipmac values (NULL, '00-11-22-33-44-55')"), DbError);
    db.execute("insert into ipmac values ('10.0.0.1', NULL)"); // only the key is required

    // A column-level key, a quoted key name in another letter case, and a
    // key that already says NOT NULL.
    db.execute("create table k1 (a char(3) primary key, b long)");
    db.execute("create table k2 ([Addr] char(16), n long, primary key(\"addr\", N))");
    db.execute("create table k3 (a long not null primary key)");
    for (const char* insert : {"insert into k1 (b) values (1)", "insert into k2 (n) values (1)",
                               "insert into k2 (Addr) values ('x')", "insert into k3 values (NULL)"})
        EXPECT_THROW(db.execute(insert), DbError) << insert;
    db.execute("insert into k1 (a) values ('x')");
    db.execute("insert into k2 values ('x', 1)");
    db.execute("insert into k3 values (7)");
}

// Under a locale with a decimal comma, numbers still read and write with '.'.
TEST(ValueLocale, NumbersIgnoreTheProcessLocale)
{
    TempDir locales;
    const std::string before = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        const std::string cmd = "localedef -i de_DE -f UTF-8 '" + locales.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
        if (std::system(cmd.c_str()) == 0) {
            ::setenv("LOCPATH", locales.path().c_str(), 1);
            std::setlocale(LC_ALL, "de_DE.UTF-8");
            ::unsetenv("LOCPATH");
        }
    }
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 59.9);
    if (std::string(probe) != "59,9") {
        std::setlocale(LC_ALL, before.c_str());
        GTEST_SKIP() << "no de_DE locale could be made (localedef and the locales package's sources needed)";
    }

    EXPECT_EQ(*Value::real(59.9).toText(), "59.9");
    EXPECT_EQ(*Value::real(-0.25).toText(), "-0.25");
    EXPECT_EQ(*Value::real(1e20).toText(), "1e+20");
    EXPECT_EQ(*Value::real(1234567.0).toText(), "1234567");
    EXPECT_EQ(*Value::integer(-1234567).toText(), "-1234567");
    EXPECT_DOUBLE_EQ(Value::text("59.9").toDouble(), 59.9);
    EXPECT_DOUBLE_EQ(Value::text(" +2.5e1x").toDouble(), 25.0);
    EXPECT_EQ(Value::text("abc").toDouble(), 0.0);
    std::setlocale(LC_ALL, before.c_str());
}
