// Real capture files: every one is read without a crash, a hang or a read
// past its bytes (run this under the sanitizer build), and the Ethernet files
// of lan/ agree with what tshark decodes from them.
#include "TempDir.h"

#include "db/Database.h"
#include "db/DatabaseFile.h"
#include "parse/IcmpNames.h"
#include "parse/ParseRun.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

using namespace trawler;
namespace fs = std::filesystem;

namespace {

const fs::path kCaptures = "../shared/captures";

struct Quiet : parse::RunListener {
    void message(std::string_view, std::string_view) override {}
};

std::vector<fs::path> captureFiles(const fs::path& under)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(under))
        if (entry.is_regular_file() && entry.path().extension() != ".md")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string freshDatabase(const test::TempDir& dir, const std::string& name)
{
    const std::string path = dir.file(name + ".mdb");
    db::createDatabaseFile(path);
    EXPECT_TRUE(db::initTables(path).completed());
    return path;
}

std::int64_t scalar(db::Database& database, const std::string& sql)
{
    db::Statement st = database.prepare(sql);
    return st.step() ? st.value(0).toInt() : -1;
}

// Runs a command and returns its standard output.
std::optional<std::string> commandOutput(const std::string& command)
{
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return std::nullopt;
    std::string out;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    return ::pclose(pipe) == 0 ? std::optional<std::string>(out) : std::nullopt;
}

std::vector<std::string> split(const std::string& line, char sep)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, sep))
        fields.push_back(field);
    if (!line.empty() && line.back() == sep)
        fields.emplace_back();
    return fields;
}

std::string shellQuote(const std::string& s)
{
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string localTimeText(const std::string& epoch)
{
    const std::time_t t = static_cast<std::time_t>(std::stoll(epoch.substr(0, epoch.find('.'))));
    std::tm tm {};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string dashedMac(std::string mac)
{
    for (char& c : mac)
        if (c == ':')
            c = '-';
    return mac;
}

using Row = std::vector<std::string>;

std::vector<Row> tableRows(db::Database& database, const std::string& sql)
{
    std::vector<Row> rows;
    db::Statement st = database.prepare(sql);
    while (st.step()) {
        Row row;
        for (int i = 0; i < st.fieldCount(); ++i)
            row.push_back(st.value(i).toText().value_or(""));
        rows.push_back(row);
    }
    return rows;
}

// The rows and counters that our rules give for the fields tshark decoded.
// A field tshark leaves empty (a first fragment it did not decode) is not
// compared.
struct Expected {
    std::map<std::string, std::int64_t> counts;
    std::vector<Row> arp, ip, icmp, syn;
};

const char* const kFields[] = {"frame.len", "frame.cap_len", "frame.time_epoch", "eth.type", "arp.opcode",
                               "arp.src.hw_mac", "arp.src.proto_ipv4", "arp.dst.hw_mac", "arp.dst.proto_ipv4",
                               "ip.version", "ip.src", "ip.dst", "ip.len", "ip.proto", "ip.hdr_len",
                               "ip.frag_offset", "tcp.srcport", "tcp.dstport", "tcp.flags.syn", "udp.srcport",
                               "udp.dstport", "icmp.type", "icmp.code"};

std::optional<Expected> expectedFromTshark(const fs::path& file)
{
    std::string command = "tshark -n -r " + shellQuote(file.string()) + " -T fields -E occurrence=f";
    for (const char* f : kFields)
        command += std::string(" -e ") + f;
    const std::optional<std::string> out = commandOutput(command + " 2>/dev/null");
    if (!out)
        return std::nullopt;

    Expected e;
    for (const char* c : {"Total", "Ethother", "Corrupted", "Arp", "Ip", "Tcp", "Udp", "Icmp", "Ipother"})
        e.counts[c] = 0;
    std::istringstream lines(*out);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> v = split(line, '\t');
        v.resize(std::size(kFields));
        std::map<std::string, std::string> f;
        for (std::size_t i = 0; i < v.size(); ++i)
            f[kFields[i]] = v[i];
        const long wire = std::stol(f["frame.len"]);
        const long captured = std::stol(f["frame.cap_len"]);
        const std::string tm = localTimeText(f["frame.time_epoch"]);
        const unsigned long etherType = f["eth.type"].empty() ? 0 : std::stoul(f["eth.type"], nullptr, 16);
        ++e.counts["Total"];
        if (wire < 14 || captured < 14) {
            ++e.counts["Corrupted"];
        } else if (etherType == 0x0806) {
            if (captured < 42) {
                ++e.counts["Corrupted"];
                continue;
            }
            ++e.counts["Arp"];
            static const char* const names[] = {"", "Arp Request", "Arp Reply", "Rarp Request", "Rarp Reply"};
            const int op = f["arp.opcode"].empty() ? -1 : std::stoi(f["arp.opcode"]);
            e.arp.push_back({tm, dashedMac(f["arp.dst.hw_mac"]), dashedMac(f["arp.src.hw_mac"]),
                             f["arp.dst.proto_ipv4"], f["arp.src.proto_ipv4"], op >= 1 && op <= 4 ? names[op] : ""});
        } else if (etherType == 0x0800) {
            if (wire < 34 || captured < 34) {
                ++e.counts["Corrupted"];
                continue;
            }
            if (f["ip.version"].empty() || f["ip.hdr_len"].empty())
                return std::nullopt; // tshark did not decode the header
            const long headerLength = std::stol(f["ip.hdr_len"]);
            if (f["ip.version"] != "4" || headerLength < 20) {
                ++e.counts["Corrupted"];
                continue;
            }
            ++e.counts["Ip"];
            if (f["ip.proto"].empty())
                return std::nullopt;
            const int proto = std::stoi(f["ip.proto"]);
            const long transport = 14 + headerLength;
            Row ipRow = {tm, f["ip.src"], f["ip.dst"], "", "", "", f["ip.len"]};
            if (!f["ip.frag_offset"].empty() && f["ip.frag_offset"] != "0") {
                // A later fragment: no transport header to read.
                ++e.counts["Ipother"];
            } else if (proto == 1) {
                if (captured < transport + 2) {
                    ++e.counts["Corrupted"];
                } else {
                    ++e.counts["Icmp"];
                    e.icmp.push_back({tm, f["ip.src"], f["ip.dst"], f["icmp.type"], f["icmp.code"], f["ip.len"]});
                }
            } else if (proto == 6 || proto == 17) {
                if (wire < transport + 20 || captured < transport + 20) {
                    ++e.counts["Corrupted"];
                } else {
                    const bool tcp = proto == 6;
                    ++e.counts[tcp ? "Tcp" : "Udp"];
                    const std::string sport = f[tcp ? "tcp.srcport" : "udp.srcport"];
                    const std::string dport = f[tcp ? "tcp.dstport" : "udp.dstport"];
                    if (tcp && f["tcp.flags.syn"].empty())
                        return std::nullopt; // a first fragment tshark left undecoded: rows cannot be paired
                    ipRow[3] = tcp ? "TCP" : "UDP";
                    ipRow[4] = sport;
                    ipRow[5] = dport;
                    if (tcp && f["tcp.flags.syn"] == "1")
                        e.syn.push_back({tm, f["ip.src"], f["ip.dst"], sport, dport});
                }
            } else {
                ++e.counts["Ipother"];
            }
            e.ip.push_back(ipRow);
        } else {
            ++e.counts["Ethother"];
        }
    }
    return e;
}

// Compares rows in order; an empty expected field is not compared.
void expectRows(const std::vector<Row>& expected, const std::vector<Row>& actual, const std::string& table)
{
    ASSERT_EQ(expected.size(), actual.size()) << table;
    for (std::size_t i = 0; i < expected.size(); ++i)
        for (std::size_t j = 0; j < expected[i].size(); ++j)
            if (!expected[i][j].empty()) {
                ASSERT_EQ(expected[i][j], actual[i][j]) << table << " row " << i << " field " << j;
            }
}

} // namespace

TEST(CaptureSweep, EveryRealCaptureIsReadAndItsRowsMatchItsCounters)
{
    if (!fs::is_directory(kCaptures))
        GTEST_SKIP() << kCaptures << " is absent (it is not part of the repository)";
    test::TempDir dir;
    int n = 0;
    for (const fs::path& file : captureFiles(kCaptures)) {
        SCOPED_TRACE(file.string());
        const std::string dbPath = freshDatabase(dir, std::to_string(n++));
        Quiet quiet;
        const parse::RunResult result = parse::runParse(file.string(), dbPath, quiet);
        ASSERT_NE(result.outcome, TRAWLER_PARSE_DATABASE_ERROR) << result.text;
        if (result.outcome != TRAWLER_PARSE_COMPLETE && result.outcome != TRAWLER_PARSE_COMPLETE_READ_ERROR)
            continue;
        db::Database database(dbPath);
        const parse::RunCounters& c = result.counters;
        EXPECT_EQ(scalar(database, "select count(*) from ip"), c.ip);
        EXPECT_EQ(scalar(database, "select count(*) from arp"), c.arp);
        EXPECT_EQ(scalar(database, "select count(*) from icmp"), c.icmp);
        EXPECT_EQ(scalar(database, "select count(*) from pccount"), 1);
        EXPECT_EQ(scalar(database, "select Total from pccount"), c.total);
        EXPECT_LE(scalar(database, "select count(*) from syn"), c.tcp);
        EXPECT_EQ(scalar(database, "select count(*) from ip where Upperlayer = 'TCP'"), c.tcp);
        EXPECT_EQ(scalar(database, "select count(*) from ip where Upperlayer = 'UDP'"), c.udp);
        EXPECT_GE(c.total, c.ethOther + c.arp + c.ip);
        EXPECT_GE(c.ip, c.tcp + c.udp + c.icmp + c.ipOther);
        // The run skips the columns' checks for its rows; they hold all the same.
        db::Statement check = database.prepare("pragma integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(check.value(0).toText(), "ok");
    }
}

TEST(CaptureSweep, LanCapturesAgreeWithTshark)
{
    const fs::path lan = kCaptures / "lan";
    if (!fs::is_directory(lan))
        GTEST_SKIP() << lan << " is absent (it is not part of the repository)";
    if (!commandOutput("tshark -v >/dev/null 2>&1"))
        GTEST_SKIP() << "tshark is not on PATH";
    test::TempDir dir;
    int compared = 0;
    for (const fs::path& file : captureFiles(lan)) {
        SCOPED_TRACE(file.string());
        const std::string dbPath = freshDatabase(dir, file.filename().string());
        Quiet quiet;
        const parse::RunResult result = parse::runParse(file.string(), dbPath, quiet);
        if (result.outcome == TRAWLER_PARSE_NOT_ETHERNET)
            continue;
        ASSERT_EQ(result.outcome, TRAWLER_PARSE_COMPLETE) << result.text;
        const std::optional<Expected> e = expectedFromTshark(file);
        if (!e)
            continue;
        ++compared;
        const parse::RunCounters& c = result.counters;
        EXPECT_EQ(c.total, e->counts.at("Total"));
        EXPECT_EQ(c.ethOther, e->counts.at("Ethother"));
        EXPECT_EQ(c.corrupted, e->counts.at("Corrupted"));
        EXPECT_EQ(c.arp, e->counts.at("Arp"));
        EXPECT_EQ(c.ip, e->counts.at("Ip"));
        EXPECT_EQ(c.tcp, e->counts.at("Tcp"));
        EXPECT_EQ(c.udp, e->counts.at("Udp"));
        EXPECT_EQ(c.icmp, e->counts.at("Icmp"));
        EXPECT_EQ(c.ipOther, e->counts.at("Ipother"));

        db::Database database(dbPath);
        expectRows(e->arp,
                   tableRows(database, "select Tm, Destmac, Sourcemac, Destip, Sourceip, Type from arp order by rowid"),
                   "arp");
        expectRows(e->ip,
                   tableRows(database, "select Tm, Sourceip, Destip, Upperlayer, Sourceport, Destport, Totallen "
                                       "from ip order by rowid"),
                   "ip");
        // ICMP type and code numbers, through the names they were given.
        std::vector<Row> icmpRows = tableRows(database, "select Tm, Sourceip, Destip, Type, Code, Totallen from icmp "
                                                        "order by rowid");
        for (std::size_t i = 0; i < icmpRows.size() && i < e->icmp.size(); ++i) {
            Row& row = icmpRows[i];
            const Row& want = e->icmp[i];
            if (!want[3].empty()) {
                const parse::IcmpName name = parse::icmpName(static_cast<std::uint8_t>(std::stoi(want[3])),
                                                             static_cast<std::uint8_t>(std::stoi(want[4])));
                EXPECT_EQ(row[3], name.type) << "icmp row " << i;
                EXPECT_EQ(row[4], name.code) << "icmp row " << i;
            }
            row[3] = want[3];
            row[4] = want[4];
        }
        expectRows(e->icmp, icmpRows, "icmp");
        expectRows(e->syn, tableRows(database, "select Tm, Sourceip, Destip, Sourceport, Destport from syn order by rowid"),
                   "syn");
    }
    EXPECT_GT(compared, 10);
}
