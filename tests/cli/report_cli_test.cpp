// trawler-cli report, ipmac and query, run as the operator runs them: what
// lands on standard output, on standard error, and the exit status.
#include "reports/ReportFixture.h"

#include "cli/CliRun.h"
#include "db/ParseWriting.h"
#include "reports/Messages.h"


namespace {

using trawler::test::CliRun;

class ReportCliTest : public trawler::test::ReportFixture {
protected:
    CliRun cli(const std::vector<std::string>& args) { return trawler::test::runCli(dir, args); }
};

} // namespace

TEST_F(ReportCliTest, TsvAndCsvHoldOnlyTheData)
{
    ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 80, 600);
    ip("10.0.0.1", "10.0.0.3", "TCP", 1025, 80, 300);
    ip("10.0.0.2", "10.0.0.3", "TCP", 80, 1025, 100);
    db.execute("insert into syn values (NULL, '10.0.0.1', '10.0.0.2', 1025, 80)");

    CliRun r = cli({"report", "tcp-pairs", path, "--format", "tsv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "源IP地址\t源端口\t目的IP地址\t目的端口\t数据包长度\n"
                     "10.0.0.1\t1025\t10.0.0.2\t80\t600\n"
                     "10.0.0.1\t1025\t10.0.0.3\t80\t300\n"
                     "10.0.0.2\t80\t10.0.0.3\t1025\t100\n");
    EXPECT_EQ(r.err, "10.0.0.1->10.0.0.2:60.0%\n10.0.0.1->10.0.0.3:30.0%\n10.0.0.2->10.0.0.3:10.0%\n"
                     "提示: 本表列出TCP(UDP)端端连接的流量在总流量中所占比例。\n");

    r = cli({"report", "syn-all", path, "--format", "csv"});
    EXPECT_EQ(r.out, "时间,源IP地址,目的IP地址,源端口,目的端口\r\n,10.0.0.1,10.0.0.2,1025,80\r\n");
    EXPECT_EQ(r.err, "");

    r = cli({"report", "dest-traffic", path, "--format", "table"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\n10.0.0.3:40.0%\n"), std::string::npos);
    EXPECT_NE(r.out.find("如dst net "), std::string::npos);
    EXPECT_LT(r.out.find("10.0.0.3:40.0%"), r.out.find("提示"));
}

TEST_F(ReportCliTest, MessagesGoToStandardErrorWithStatusOne)
{
    CliRun r = cli({"report", "icmp-type-share", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "trawler-cli: " + path + ": 没有符合条件的记录.\n");

    r = cli({"report", "icmp-scanners", ""});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawler-cli: no database: You haven't set the Database to be analysed.\n");

    const std::string bare = dir.file("bare.mdb");
    trawler::db::createDatabaseFile(bare);
    r = cli({"report", "lan-access", bare, "--format", "tsv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawler-cli: " + bare + ": no such table: ip\n");

    EXPECT_EQ(cli({"report", "nosuchreport", path}).status, 2);

    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    icmp("2004-05-17 09:00:00", "10.0.0.2", "10.0.0.1", "Echo Reply");
    r = cli({"report", "icmp-type-share", path, "--format", "csv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Echo Request:66.7%\nEcho Reply:33.3%\n");
}

TEST_F(ReportCliTest, IpMacCommandsAndMap)
{
    CliRun r = cli({"ipmac", "add", path, "10.0.0.1", "00:11:22:33:44:AA"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Insert record succeed.\n");
    r = cli({"ipmac", "add", path, "10.0.0.1", "00-11-22-33-44-bb"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawler-cli: " + path + ": The ip and its mac have existed in the database.\n");
    r = cli({"ipmac", "set", path, "10.0.0.1'--", "00-11-22-33-44-bb"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a dotted IPv4 address"), std::string::npos);
    EXPECT_EQ(storedMac("10.0.0.1"), "00-11-22-33-44-aa");

    arp("10.0.0.1", "00-11-22-33-44-cc");
    r = cli({"report", "ipmac-map", path, "--format", "tsv"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "IP地址\tMAC地址\n10.0.0.1\t00-11-22-33-44-cc\n");
    EXPECT_EQ(r.err, "The ip address 10.0.0.1's mac has changed from 00-11-22-33-44-aa to 00-11-22-33-44-cc\n"
                     "提示: 本表列出本网段IP与MAC地址的对应关系。\n");

    r = cli({"query", path, "delete from arp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "1 row(s) changed.\n");
    EXPECT_EQ(cli({"query", path, ""}).status, 0);
}

TEST_F(ReportCliTest, ReindexRebuildsTheSumsAndAReportSaysWhenAParseIsWriting)
{
    {
        const trawler::db::ParseWritingMark writing(path);
        const CliRun run = cli({"report", "lan-access", path});
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(trawler::reports::messages::kParseWritingCli), std::string::npos) << run.err;
    }
    ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 445, 600);
    ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 445, 60);
    ip("10.0.0.3", "10.0.0.2", "UDP", 137, 137, 90);
    CliRun run = cli({"reindex", path});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("rebuilt"), std::string::npos) << run.out;
    run = cli({"report", "lan-access", path, "--format", "tsv"});
    EXPECT_EQ(run.out, "源IP\t目的IP\t次数\n10.0.0.1\t10.0.0.2\t2\n10.0.0.3\t10.0.0.2\t1\n");

    db.execute("drop table ip");
    run = cli({"reindex", path});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.empty());
}

TEST_F(ReportCliTest, IpMapFailingPartWayShowsTheRowsBeforeItThenTheFailure)
{
    arp("10.0.0.1", "00-11-22-33-44-cc");
    arp("10.0.0.2", "00-11-22-33-44-dd");
    // The bindings cannot be read: the first row is listed, checking it fails.
    db.execute("drop table ipmac");
    const CliRun r = cli({"report", "ipmac-map", path, "--format", "tsv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "IP地址\tMAC地址\n10.0.0.1\t00-11-22-33-44-cc\n");
    EXPECT_EQ(r.err, "trawler-cli: " + path + ": no such table: ipmac\n");
}
