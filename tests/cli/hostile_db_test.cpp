// Every report in every format over a database filled to hurt: NULL in every
// field, a 20 MB text, bytes that are not UTF-8, terminal control sequences,
// negative and zero lengths. Whatever is stored, the command ends with status
// 0 or 1, a failure is one line, and no control character reaches a terminal
// or a table raw.
#include "reports/ReportFixture.h"

#include "cli/CliRun.h"
#include "cli/MarkupCheck.h"

#include "reports/Catalogue.h"

#include <filesystem>

namespace {

using trawler::test::CliRun;

// Escape sequences that would recolour, retitle or clear a terminal, a bell,
// NUL, DEL, a C1 CSI written as UTF-8, and a byte that is not UTF-8.
const std::string kNasty = std::string("\x1b[2J\x1b]0;owned\x07") + '\0' + "\x7f\xc2\x9b" "31m\xff\r";

std::string hugeText()
{
    std::string s;
    s.reserve(20u << 20);
    while (s.size() < (20u << 20))
        s += std::string(1000, 'x') + kNasty;
    return s;
}

// Bytes a table or tsv line may hold: printable text, tab and line feed only.
std::string firstControl(const std::string& out)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            return "byte " + std::to_string(c) + " at " + std::to_string(i);
    }
    if (!trawler::test::JsonReader::validUtf8(out))
        return "not UTF-8";
    if (out.find("\xc2\x9b") != std::string::npos)
        return "C1 control";
    return "";
}

class HostileDatabaseTest : public trawler::test::ReportFixture {
protected:
    void fill()
    {
        // Written by some other program: no width or type checks on the columns.
        for (const char* table : {"icmp", "ip", "syn", "arp"})
            db.execute(std::string("drop table ") + table);
        db.execute("create table icmp (Tm text, Sourceip text, Destip text, Upperlayer text, Type text, Code text, "
                   "Totallen)");
        db.execute("create table ip (Tm text, Sourceip text, Destip text, Upperlayer text, Sourceport, Destport, "
                   "Totallen)");
        db.execute("create table syn (Tm text, Sourceip text, Destip text, Sourceport, Destport)");
        db.execute("create table arp (Tm text, Destmac text, Sourcemac text, Destip text, Sourceip text, Type text)");
        const std::string huge = hugeText();
        auto row = [this](const std::string& sql, const std::vector<std::optional<std::string>>& values) {
            trawler::db::Statement st = db.prepare(sql);
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (values[i])
                    st.bindText(static_cast<int>(i + 1), *values[i]);
                else
                    st.bindNull(static_cast<int>(i + 1));
            }
            st.execute();
        };
        const std::string icmpSql = "insert into icmp values (?, ?, ?, ?, ?, ?, ?)";
        const std::string ipSql = "insert into ip values (?, ?, ?, ?, ?, ?, ?)";
        const std::optional<std::string> null;
        for (const auto* type : {"Echo Request", "Echo Reply"}) {
            row(icmpSql, {null, null, null, null, std::string(type), null, null});
            row(icmpSql, {kNasty, huge, kNasty, kNasty, std::string(type), kNasty, std::string("-5")});
            row(icmpSql, {"2004-05-17 09:00:00", "10.0.0.1", "10.0.0.2", "IP", std::string(type), "No Code", "0"});
        }
        row(icmpSql, {kNasty, kNasty, kNasty, kNasty, kNasty, kNasty, std::string("60")});
        // Traffic whose lengths add up below zero: the charts have nothing to share.
        row(ipSql, {null, null, null, null, null, null, null});
        row(ipSql, {kNasty, kNasty, huge, std::string("TCP"), kNasty, std::string("-1"), std::string("600")});
        row(ipSql, {kNasty, "10.0.0.1", kNasty, std::string("UDP"), std::string("0"), null, std::string("-1000")});
        row(ipSql, {"2004", kNasty, "10.0.0.1", std::string("TCP"), null, null, std::string("0")});
        row("insert into syn values (?, ?, ?, ?, ?)", {kNasty, null, kNasty, kNasty, null});
        row("insert into arp values (?, ?, ?, ?, ?, ?)", {kNasty, kNasty, kNasty, kNasty, "10.0.0.5", kNasty});
        row("insert into arp values (?, ?, ?, ?, ?, ?)", {null, null, null, null, null, null});
        binding("10.0.0.5", "00-11-22-33-44-55");
    }
};

} // namespace

TEST_F(HostileDatabaseTest, EveryReportInEveryFormat)
{
    fill();
    for (const auto& report : trawler::reports::reportCatalogue("10.0.0")) {
        for (const char* format : {"table", "tsv", "csv", "json", "html"}) {
            const std::string what = report.name + " --format " + format;
            const CliRun r = trawler::test::runCli(dir, {"report", report.name, path, "--format", format});
            ASSERT_TRUE(r.status == 0 || r.status == 1) << what << ": status " << r.status;
            EXPECT_EQ(firstControl(r.err), "") << what;
            if (r.status == 1) {
                EXPECT_EQ(r.err.rfind("trawler-cli: ", 0), 0u) << what << ": " << r.err;
                EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << what;
            }
            const std::string fmt = format;
            if (fmt == "table" || fmt == "tsv") {
                EXPECT_EQ(firstControl(r.out), "") << what;
            }
            if (fmt == "json" && r.status == 0) {
                EXPECT_TRUE(trawler::test::JsonReader::parse(r.out)) << what;
            }
            if (fmt == "html" && r.status == 0) {
                const auto page = trawler::test::readHtml(r.out);
                EXPECT_TRUE(page.wellFormed) << what << ": " << page.fault;
            }
        }
    }

    // csv keeps stored bytes for a file or a pipe, but not for a terminal.
    if (std::filesystem::exists("/usr/bin/script")) {
        const std::string inner =
            trawler::test::cliCommand({"query", path, "select * from icmp where Totallen = '60'", "--format", "csv"});
        const CliRun tty = trawler::test::runShell(dir, "script -qec " + trawler::test::shellQuote(inner) + " /dev/null");
        EXPECT_NE(tty.out.find("owned"), std::string::npos) << tty.out;
        EXPECT_EQ(tty.out.find('\x1b'), std::string::npos);
        EXPECT_EQ(tty.out.find('\x07'), std::string::npos);
        const CliRun pipe = trawler::test::runCli(dir, {"query", path, "select Type from icmp where Totallen = '60'",
                                                        "--format", "csv"});
        EXPECT_EQ(pipe.out, "Type\r\n\"" + kNasty + "\"\r\n");
    }

    // A chart over lengths that add up below zero draws nothing and says why.
    const CliRun dest = trawler::test::runCli(dir, {"report", "dest-traffic", path, "--format", "tsv"});
    EXPECT_EQ(dest.status, 0);
    EXPECT_NE(dest.err.find("不画饼图"), std::string::npos) << dest.err;
    EXPECT_EQ(dest.err.find('%'), std::string::npos) << dest.err;

    // The IP-MAC warning carries the stored MAC escaped.
    const CliRun map = trawler::test::runCli(dir, {"report", "ipmac-map", path, "--format", "tsv"});
    EXPECT_NE(map.err.find("The ip address 10.0.0.5's mac has changed from 00-11-22-33-44-55 to \\x1b[2J"),
              std::string::npos);

    // tsv escapes reversibly: the stored text can be read back from the line.
    const CliRun tsv = trawler::test::runCli(dir, {"query", path, "select Type from icmp where Totallen = '60'"});
    EXPECT_EQ(tsv.out, "Type\n\\x1b[2J\\x1b]0;owned\\x07\\x00\\x7f\\u009b31m\\xff\\r\n");
}
