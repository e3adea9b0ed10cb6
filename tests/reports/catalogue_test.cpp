// The fixed report definitions: statements byte for byte (tab runs are part
// of the text the engine receives), and the layout the view relies on.
#include "reports/Catalogue.h"

#include <gtest/gtest.h>

#include <set>

using namespace trawler::reports;

namespace {

std::string join(std::initializer_list<std::string> pieces, const std::string& sep)
{
    std::string out;
    for (const auto& p : pieces)
        out += (out.empty() ? "" : sep) + p;
    return out;
}

std::string tabs(int n) { return std::string(static_cast<std::size_t>(n), '\t'); }

} // namespace

TEST(CatalogueTest, StatementsKeepTheirExactLayout)
{
    EXPECT_EQ(icmpScannersReport().sql,
              join({"select min(Tm) as StartTime,max(Tm) as EndTime,Sourceip, count(*) as times", "from icmp",
                    "where Type='Echo Request' or Type='TimeStamp'", "or Type='Information Request'",
                    "or Type='Address Mask Request'", "group by Sourceip", "order by count(*) DESC"},
                   tabs(12)));
    EXPECT_EQ(icmpScannedReport().sql,
              join({"select min(Tm) as StartTime,max(Tm) as EndTime,Sourceip, count(*) as times", "  from icmp",
                    "  where Type='Echo Reply' or Type='Destination Unreachable'", "  group by Sourceip",
                    "  order by count(*) DESC"},
                   tabs(11)));
    EXPECT_EQ(icmpRelationsReport().sql,
              join({"SELECT min(Tm) as StartTime, max(Tm) as EndTime,Sourceip, Destip, count(*) AS times", "FROM icmp",
                    "where Type='Echo Request'", "GROUP BY Sourceip, Destip", "ORDER BY count(*) DESC"},
                   tabs(14)));
    EXPECT_EQ(icmpProbeLengthReport().sql,
              join({"SELECT min(Tm) as StartTime,max(Tm) as EndTime,[icmp].[Sourceip], Sum([icmp].[Totallen]) AS "
                    "Totallen",
                    "  FROM icmp", "  where Type='Echo Request'", "  GROUP BY [icmp].[Sourceip]",
                    "  ORDER BY Sum([icmp].[Totallen]) DESC"},
                   tabs(21)));
    EXPECT_EQ(destIpTrafficReport("x").sql,
              join({"SELECT min(Tm) as StartTime,max(Tm) as EndTime,[Destip], sum([Totallen]) AS Totallenth",
                    "FROM ip", "GROUP BY [Destip]", "ORDER BY sum([Totallen]) DESC"},
                   tabs(15)));
    const std::string tcp = tcpPairTrafficReport().sql;
    EXPECT_EQ(tcp, join({"SELECT [Sourceip], [Sourceport], [Destip], [Destport], sum([Totallen]) AS Totallenth",
                         "FROM ip", "WHERE Upperlayer='TCP'", "GROUP BY [Sourceip], [Sourceport], [Destip], [Destport]",
                         "ORDER BY sum([Totallen]) DESC"},
                        tabs(24) + "  "));
    std::string udp = tcp;
    udp.replace(udp.find("'TCP'"), 5, "'UDP'");
    EXPECT_EQ(udpPairTrafficReport().sql, udp);
    EXPECT_EQ(lanAccessReport().sql,
              join({"SELECT [Sourceip], [Destip], count(*) as Times", "FROM ip",
                    "WHERE Sourceport=137 or Sourceport=138 or Sourceport=139 or Sourceport=445 or Destport=137 or "
                    "Destport=138 or Destport=139 or Destport=445",
                    "GROUP BY [Sourceip], [Destip]", "order by count(*) desc"},
                   tabs(15)));
    EXPECT_EQ(ipMacMapReport().sql, "SELECT DISTINCT Sourceip, Sourcemac\t\tFROM arp");
    EXPECT_EQ(std::string(ipmac_sql::kUpdate), "update ipmac" + tabs(8) + "  set mac=?" + tabs(8) + "  where ip=?");
    EXPECT_EQ(std::string(ipmac_sql::kReference), "select mac from ipmac" + tabs(5) + "where ip=?");
}

TEST(CatalogueTest, EveryReportIsReachableAndLaidOut)
{
    const auto all = reportCatalogue("10.1.2");
    std::set<std::string> names;
    for (const auto& d : all) {
        SCOPED_TRACE(d.name);
        names.insert(d.name);
        ASSERT_TRUE(findReport(d.name, "10.1.2"));
        EXPECT_EQ(findReport(d.name, "10.1.2")->sql, d.sql);
        if (d.chart) {
            // The centre is the square's.
            EXPECT_EQ(d.chart->centre.x, (d.chart->square.left + d.chart->square.right) / 2);
            EXPECT_EQ(d.chart->centre.y, (d.chart->square.top + d.chart->square.bottom) / 2);
            EXPECT_EQ(d.chart->square.width(), d.chart->square.height());
        }
    }
    EXPECT_EQ(names.size(), 12u);
    EXPECT_FALSE(findReport("icmp", "10.1.2"));

    EXPECT_FALSE(icmpTypeShareReport().showsTable());
    EXPECT_EQ(icmpTypeShareReport().chart->threshold, 0.001);
    EXPECT_EQ(tcpPairTrafficReport().chart->labelFields, (std::vector<std::string>{"Sourceip", "Destip"}));

    const std::string hint = *destIpTrafficReport("10.1.2").hint;
    EXPECT_NE(hint.find("\n为使得数据精准，可在截获数据包时设置相应的选项: 如dst net 10.1.2等, 只统计目的地址为本网的IP。"),
              std::string::npos);
}
