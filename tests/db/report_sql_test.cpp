// The fixed report and maintenance statements as the catalogue holds them
// (the program's own texts, tab runs and square brackets included), run
// straight through the database layer against a small capture database.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "reports/Catalogue.h"

#include <gtest/gtest.h>

using namespace trawler::db;
namespace reports = trawler::reports;
using trawler::test::TempDir;

namespace {

using Rows = std::vector<std::vector<std::string>>;

class ReportSqlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("fixture.mdb");
        createDatabaseFile(path);
        ASSERT_TRUE(initTables(path).completed());
        db.open(path);
        // 10.0.0.1 probes .2 and .3 over two days; .2 answers, .9 is unreachable.
        const char* icmp[][5] = {
            {"2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request", "60"},
            {"2004-05-18 10:00:00", "10.0.0.1", "10.0.0.2", "Echo Request", "60"},
            {"2004-05-17 08:00:00", "10.0.0.1", "10.0.0.3", "Echo Request", "100"},
            {"2004-05-19 00:00:01", "10.0.0.1", "10.0.0.3", "TimeStamp", "40"},
            {"2004-05-16 23:59:59", "10.0.0.1", "10.0.0.3", "TimeStamp", "40"},
            {"2004-05-17 09:00:01", "10.0.0.2", "10.0.0.1", "Echo Reply", "60"},
            {"2004-05-17 09:00:02", "10.0.0.9", "10.0.0.1", "Destination Unreachable", "56"},
            {"2004-05-17 09:00:03", "10.0.0.4", "10.0.0.1", "Timestamp Reply", "40"},
        };
        Statement ins = db.prepare("insert into icmp (Tm, Sourceip, Destip, Type, Code, Totallen) "
                                   "values (?, ?, ?, ?, 'No Code', ?)");
        for (auto& r : icmp)
            ins.bindText(1, r[0]).bindText(2, r[1]).bindText(3, r[2]).bindText(4, r[3]).bindInt(5, std::stoi(r[4])).execute();

        const char* ip[][7] = {
            {"2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "TCP", "1025", "80", "600"},
            {"2004-05-17 09:00:05", "10.0.0.1", "10.0.0.2", "TCP", "1026", "443", "300"},
            {"2004-05-17 09:00:06", "10.0.0.2", "10.0.0.1", "TCP", "80", "1025", "100"},
            {"2004-05-17 09:00:07", "10.0.0.5", "10.0.0.6", "UDP", "137", "137", "78"},
            {"2004-05-17 09:00:08", "10.0.0.5", "10.0.0.6", "TCP", "445", "139", "40"},
            {"2004-05-17 09:00:09", "10.0.0.5", "10.0.0.6", "TCP", "3000", "445", "40"},
            {"2004-05-17 09:00:10", "10.0.0.7", "10.0.0.1", "", "", "", "84"},
        };
        Statement ipIns = db.prepare("insert into ip values (?, ?, ?, ?, ?, ?, ?)");
        for (auto& r : ip) {
            ipIns.bindText(1, r[0]).bindText(2, r[1]).bindText(3, r[2]);
            if (*r[3]) {
                ipIns.bindText(4, r[3]).bindInt(5, std::stoi(r[4])).bindInt(6, std::stoi(r[5]));
            } else {
                ipIns.bindNull(4).bindNull(5).bindNull(6);
            }
            ipIns.bindInt(7, std::stoi(r[6])).execute();
        }
        db.execute("insert into syn values ('2004-05-17 09:00:00', '10.0.0.1', '10.0.0.2', 1025, 80)");
        db.execute("insert into arp (Sourceip, Sourcemac) values ('10.0.0.1', '00-11-22-33-44-55')");
        db.execute("insert into arp (Sourceip, Sourcemac) values ('10.0.0.1', '00-11-22-33-44-55')");
        db.execute("insert into arp (Sourceip, Sourcemac) values ('10.0.0.1', '00-11-22-33-44-66')");
        db.execute("insert into arp (Sourceip, Sourcemac) values ('10.0.0.2', '00-11-22-33-44-77')");
    }

    Rows rows(const std::string& sql, const std::vector<std::string>& fields)
    {
        Rows out;
        Statement st = db.prepare(sql);
        while (st.step()) {
            std::vector<std::string> r;
            for (const auto& f : fields)
                r.push_back(st.value(f).toText().value_or("NULL"));
            out.push_back(r);
        }
        return out;
    }

    TempDir dir;
    std::string path;
    Database db;
};

} // namespace

TEST_F(ReportSqlTest, IcmpScanReports)
{
    EXPECT_EQ(rows(reports::icmpScannersReport().sql, {"StartTime", "EndTime", "Sourceip", "times"}),
              (Rows{{"2004-05-16 23:59:59", "2004-05-19 00:00:01", "10.0.0.1", "5"}}));

    Rows answered = rows(reports::icmpScannedReport().sql, {"Sourceip", "times"});
    std::sort(answered.begin(), answered.end());
    EXPECT_EQ(answered, (Rows{{"10.0.0.2", "1"}, {"10.0.0.9", "1"}}));

    EXPECT_EQ(rows(reports::icmpRelationsReport().sql, {"StartTime", "EndTime", "Sourceip", "Destip", "times"}),
              (Rows{{"2004-05-17 09:00:00", "2004-05-18 10:00:00", "10.0.0.1", "10.0.0.2", "2"},
                    {"2004-05-17 08:00:00", "2004-05-17 08:00:00", "10.0.0.1", "10.0.0.3", "1"}}));

    EXPECT_EQ(rows(reports::icmpProbeLengthReport().sql, {"StartTime", "EndTime", "Sourceip", "Totallen"}),
              (Rows{{"2004-05-17 08:00:00", "2004-05-18 10:00:00", "10.0.0.1", "220"}}));

    EXPECT_EQ(rows(reports::icmpShowAllReport().sql, {"Tm", "Sourceip", "Destip", "Type", "Code", "Totallen", "Upperlayer"})
                  .size(),
              8u);
}

TEST_F(ReportSqlTest, IcmpTypeShareGroupsAndSynTable)
{
    Rows groups = rows(reports::icmpTypeShareReport().sql, {"Type", "Times"});
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ(groups, (Rows{{"Destination Unreachable", "1"},
                            {"Echo Reply", "1"},
                            {"Echo Request", "3"},
                            {"TimeStamp", "2"},
                            {"Timestamp Reply", "1"}}));
    EXPECT_EQ(rows(reports::synShowAllReport().sql, {"Tm", "Sourceip", "Destip", "Sourceport", "Destport"}),
              (Rows{{"2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "1025", "80"}}));
}

TEST_F(ReportSqlTest, TrafficReports)
{
    EXPECT_EQ(rows(reports::destIpTrafficReport("").sql, {"Destip", "Totallenth"}),
              (Rows{{"10.0.0.2", "900"}, {"10.0.0.1", "184"}, {"10.0.0.6", "158"}}));

    EXPECT_EQ(rows(reports::tcpPairTrafficReport().sql, {"Sourceip", "Sourceport", "Destip", "Destport", "Totallenth"}),
              (Rows{{"10.0.0.1", "1025", "10.0.0.2", "80", "600"},
                    {"10.0.0.1", "1026", "10.0.0.2", "443", "300"},
                    {"10.0.0.2", "80", "10.0.0.1", "1025", "100"},
                    {"10.0.0.5", "445", "10.0.0.6", "139", "40"},
                    {"10.0.0.5", "3000", "10.0.0.6", "445", "40"}}));
    EXPECT_EQ(rows(reports::udpPairTrafficReport().sql, {"Sourceip", "Totallenth"}), (Rows{{"10.0.0.5", "78"}}));

    EXPECT_EQ(rows(reports::lanAccessReport().sql, {"Sourceip", "Destip", "Times"}),
              (Rows{{"10.0.0.5", "10.0.0.6", "3"}}));
}

TEST_F(ReportSqlTest, IpMacMaintenanceAndMap)
{
    auto lookup = [&](const std::string& ip) {
        Rows out;
        Statement st = db.prepare(reports::ipmac_sql::kLookup);
        st.bindText(1, ip);
        while (st.step())
            out.push_back({st.value("Ip").toText().value_or("NULL"), st.value("Mac").toText().value_or("NULL")});
        return out;
    };
    EXPECT_TRUE(lookup("10.0.0.1").empty());
    db.prepare(reports::ipmac_sql::kInsert).bindText(1, "10.0.0.1").bindText(2, "00-11-22-33-44-55").execute();
    EXPECT_EQ(lookup("10.0.0.1"), (Rows{{"10.0.0.1", "00-11-22-33-44-55"}}));
    db.prepare(reports::ipmac_sql::kUpdate).bindText(1, "00-11-22-33-44-66").bindText(2, "10.0.0.1").execute();
    EXPECT_EQ(lookup("10.0.0.1"), (Rows{{"10.0.0.1", "00-11-22-33-44-66"}}));

    Rows seen = rows(reports::ipMacMapReport().sql, {"Sourceip", "Sourcemac"});
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (Rows{{"10.0.0.1", "00-11-22-33-44-55"},
                          {"10.0.0.1", "00-11-22-33-44-66"},
                          {"10.0.0.2", "00-11-22-33-44-77"}}));
    auto reference = [&](const std::string& ip) {
        Rows out;
        Statement st = db.prepare(reports::ipmac_sql::kReference);
        st.bindText(1, ip);
        while (st.step())
            out.push_back({st.value("mac").toText().value_or("NULL")});
        return out;
    };
    EXPECT_EQ(reference("10.0.0.1"), (Rows{{"00-11-22-33-44-66"}}));
    EXPECT_TRUE(reference("10.0.0.2").empty());
}
