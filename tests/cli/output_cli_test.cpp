// What trawler-cli writes and where: json and html read back by independent
// parsers, --output files put in place only when complete, output that
// cannot be written reported as a failure, numbers alike in every locale.
#include "reports/ReportFixture.h"

#include "cli/CliRun.h"
#include "cli/GermanLocale.h"
#include "cli/MarkupCheck.h"

#include <filesystem>

namespace {

using trawler::test::CliRun;
using trawler::test::Json;

const std::string kEsc = "red\x1b[31m!\x07";

class OutputCliTest : public trawler::test::ReportFixture {
protected:
    CliRun cli(const std::vector<std::string>& args, const std::string& env = "")
    {
        return trawler::test::runCli(dir, args, env);
    }
    CliRun shell(const std::string& command) { return trawler::test::runShell(dir, command); }

    void hostileTraffic()
    {
        ip("10.0.0.1", "10.0.0.2", "TCP", 1025, 80, 600);
        ip("10.0.0.1", kEsc, "TCP", 1025, 80, 300);
        ip("<b>&\"'", "10.0.0.3", "TCP", 1, 2, 100);
        db.execute("insert into ip values ('2004-05-17 09:00:00', '10.0.0.9', '中文" "\xff" "', 'TCP', NULL, NULL, 50)");
    }
};

} // namespace

TEST_F(OutputCliTest, JsonHoldsEveryValueKeyedByTitle)
{
    hostileTraffic();
    const CliRun r = cli({"report", "tcp-pairs", path, "--format", "json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto parsed = trawler::test::JsonReader::parse(r.out);
    ASSERT_TRUE(parsed) << r.out;
    ASSERT_EQ(parsed->kind, Json::Kind::Array);
    ASSERT_EQ(parsed->items.size(), 4u);
    const Json& first = parsed->items[0];
    ASSERT_EQ(first.members.size(), 5u);
    EXPECT_EQ(first.member("源IP地址")->text, "10.0.0.1");
    EXPECT_EQ(first.member("数据包长度")->text, "600");
    // Control characters travel in JSON's own escapes and come back exact.
    EXPECT_EQ(parsed->items[1].member("目的IP地址")->text, kEsc);
    EXPECT_EQ(parsed->items[2].member("源IP地址")->text, "<b>&\"'");
    // NULL is null; a byte that is not UTF-8 is shown as its escape.
    EXPECT_EQ(parsed->items[3].member("源端口")->kind, Json::Kind::Null);
    EXPECT_EQ(parsed->items[3].member("目的IP地址")->text, "中文\\xff");
    // Legend and hint are not data: standard error.
    EXPECT_NE(r.err.find("10.0.0.1->10.0.0.2:57.1%"), std::string::npos);

}

TEST_F(OutputCliTest, HtmlPageHasTitleHintTableAndChart)
{
    hostileTraffic();
    const std::string file = dir.file("page.html");
    const CliRun r = cli({"report", "tcp-pairs", path, "--format", "html", "--output", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string html = trawler::test::readWholeFile(file);
    const auto page = trawler::test::readHtml(html);
    ASSERT_TRUE(page.wellFormed) << page.fault;
    EXPECT_EQ(page.elements.at("h1"), 1);
    EXPECT_EQ(page.elements.at("svg"), 1);
    // Four slices: one wedge each, one swatch each beside the legend.
    EXPECT_EQ(page.elements.at("path"), 4);
    EXPECT_EQ(page.elements.at("text"), 4);
    EXPECT_NE(html.find("提示: 本表列出TCP(UDP)端端连接的流量"), std::string::npos);
    ASSERT_EQ(page.cells.size(), 5u * 5u);
    EXPECT_EQ(page.cells[0], "源IP地址");
    EXPECT_EQ(page.cells[5 + 2], "10.0.0.2");
    EXPECT_EQ(page.cells[10 + 2], "red\\x1b[31m!\\x07");
    EXPECT_EQ(page.cells[15], "<b>&\"'");
    EXPECT_EQ(page.cells[20 + 1], "");
    for (char c : html)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n') << "raw control in the page";

    // The chart-only report is a page with the chart and no table.
    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    const CliRun chart = cli({"report", "icmp-type-share", path, "--format", "html"});
    ASSERT_EQ(chart.status, 0) << chart.err;
    const auto chartPage = trawler::test::readHtml(chart.out);
    ASSERT_TRUE(chartPage.wellFormed) << chartPage.fault;
    EXPECT_EQ(chartPage.elements.count("table"), 0u);
    EXPECT_EQ(chartPage.elements.at("circle"), 1);   // one slice of 100%: the whole disc
}

TEST_F(OutputCliTest, OutputFileIsPutInPlaceOnlyWhenComplete)
{
    const std::string file = dir.file("report.csv");
    {
        std::ofstream old(file);
        old << "earlier report\n";
    }
    // No records: the failure is reported and the earlier file stays as it was.
    CliRun r = cli({"report", "icmp-scanners", path, "--format", "csv", "--output", file});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(trawler::test::readWholeFile(file), "earlier report\n");

    icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    r = cli({"report", "icmp-all", path, "--format", "csv", "--bom", "--output", file});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string csv = trawler::test::readWholeFile(file);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(csv.find("10.0.0.1,10.0.0.2"), std::string::npos);
    // Nothing but the database, its side files and the report are left behind.
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << entry.path();

    // The database itself is never the output.
    r = cli({"report", "icmp-all", path, "--output", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("trawler-cli: " + path + ": this is the database being read", 0), 0u) << r.err;
    EXPECT_EQ(count("icmp"), 1);

    const std::string nowhere = dir.file("no/such/dir/report.tsv");
    r = cli({"report", "icmp-all", path, "--output", nowhere});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "trawler-cli: " + nowhere + ": No such file or directory\n");
}

TEST_F(OutputCliTest, OutputThatCannotBeWrittenIsAFailure)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this system";
    hostileTraffic();
    const std::string full = "No space left on device";
    const std::vector<std::vector<std::string>> commands{
        {"report", "tcp-pairs", path, "--format", "table"},
        {"report", "tcp-pairs", path, "--format", "tsv"},
        {"report", "tcp-pairs", path, "--format", "csv"},
        {"report", "tcp-pairs", path, "--format", "json"},
        {"report", "tcp-pairs", path, "--format", "html"},
        {"query", path, "select * from ip"},
        {"query", path, "update ip set Totallen = Totallen"},
        {"ipmac", "add", path, "10.0.0.7", "00:11:22:33:44:55"},
        {"create", dir.file("new.mdb")},
        {"init", path},
        {"--help"},
    };
    for (const auto& args : commands) {
        const CliRun r = shell(trawler::test::cliCommand(args) + " >/dev/full");
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err, "trawler-cli: standard output: " + full + "\n") << args[0];
    }

    // A reader that goes away early: the writer learns of it (EPIPE), says so and stops.
    const CliRun pipe = shell("bash -c " + trawler::test::shellQuote(trawler::test::cliCommand(
                                  {"query", path, "with recursive n(i) as (select 1 union all select i + 1 from n "
                                                  "where i < 2000000) select i, 'padding padding' from n"})
                              + " | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}"));
    EXPECT_EQ(pipe.status, 1);
    EXPECT_EQ(pipe.err, "trawler-cli: standard output: Broken pipe\n");
}

TEST_F(OutputCliTest, NumbersUseAPointInEveryLocale)
{
    trawler::test::GermanLocale german;
    if (!german.available())
        GTEST_SKIP() << "de_DE.UTF-8 could not be generated (localedef or the locale sources missing)";
    for (int i = 0; i < 2; ++i)
        icmp("2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "Echo Request");
    icmp("2004-05-17 09:00:00", "10.0.0.2", "10.0.0.1", "Echo Reply");
    const std::string env = "LOCPATH=" + trawler::test::shellQuote(german.locpath()) + " LC_ALL=" + german.kName;
    // The locale is in force for children: its decimal point is a comma.
    ASSERT_EQ(shell(env + " locale decimal_point").out, ",\n");

    CliRun r = cli({"report", "icmp-type-share", path}, env);
    EXPECT_EQ(r.out, "Echo Request:66.7%\nEcho Reply:33.3%\n");
    r = cli({"query", path, "select 1.5 as a, 2.25e-5 as b, -0.125 as c", "--format", "csv"}, env);
    EXPECT_EQ(r.out, "a,b,c\r\n1.5,2.25e-05,-0.125\r\n");
}
