#include "Catalogue.h"
#include "ShareMath.h"

#include <initializer_list>

namespace trawler::reports {

namespace {

// The statements keep the clause layout they have always been sent with:
// pieces joined by a fixed run of tabs (and, for the endpoint pairs, two
// blanks after the tabs).
std::string joinPieces(std::initializer_list<const char*> pieces, const std::string& separator)
{
    std::string out;
    bool first = true;
    for (const char* piece : pieces) {
        if (!first)
            out += separator;
        first = false;
        out += piece;
    }
    return out;
}

std::string tabs(int n)
{
    return std::string(static_cast<std::size_t>(n), '\t');
}

std::vector<ReportColumn> columns(std::initializer_list<std::pair<const char*, const char*>> fieldTitles)
{
    std::vector<ReportColumn> out;
    for (const auto& [field, title] : fieldTitles)
        out.push_back(ReportColumn{field, title});
    return out;
}

ReportDefinition base(const char* name, std::string sql)
{
    ReportDefinition d;
    d.name = name;
    d.sql = std::move(sql);
    return d;
}

std::string pairSql(const char* protocolClause)
{
    return joinPieces({"SELECT [Sourceip], [Sourceport], [Destip], [Destport], sum([Totallen]) AS Totallenth",
                       "FROM ip", protocolClause, "GROUP BY [Sourceip], [Sourceport], [Destip], [Destport]",
                       "ORDER BY sum([Totallen]) DESC"},
                      tabs(24) + "  ");
}

ReportDefinition pairReport(const char* name, const char* protocolClause)
{
    ReportDefinition d = base(name, pairSql(protocolClause));
    d.columns = columns({{"Sourceip", "源IP地址"},
                         {"Sourceport", "源端口"},
                         {"Destip", "目的IP地址"},
                         {"Destport", "目的端口"},
                         {"Totallenth", "数据包长度"}});
    d.hint = "提示: 本表列出TCP(UDP)端端连接的流量在总流量中所占比例。";
    d.chart = ChartSpec{{"Sourceip", "Destip"}, "Totallenth", kTrafficShareThreshold, false, {70, 300}, {20, 250, 120, 350}};
    return d;
}

} // namespace

std::vector<std::string> ReportDefinition::titles() const
{
    std::vector<std::string> out;
    for (const auto& c : columns)
        out.push_back(c.title);
    return out;
}

std::vector<std::string> ReportDefinition::fields() const
{
    std::vector<std::string> out;
    for (const auto& c : columns)
        out.push_back(c.field);
    return out;
}

ReportDefinition icmpScannersReport()
{
    // The clause keeps its old layout: the first two types on one line.
    const auto& types = icmpProbeTypes();
    const auto is = [](std::string_view type) { return "Type='" + std::string(type) + "'"; };
    const std::string probeClause[] = {"where " + is(types[0]) + " or " + is(types[1]), "or " + is(types[2]),
                                       "or " + is(types[3])};
    ReportDefinition d = base("icmp-scanners",
                              joinPieces({"select min(Tm) as StartTime,max(Tm) as EndTime,Sourceip, count(*) as times",
                                          "from icmp", probeClause[0].c_str(), probeClause[1].c_str(),
                                          probeClause[2].c_str(), "group by Sourceip", "order by count(*) DESC"},
                                         tabs(12)));
    d.columns = columns({{"StartTime", "开始时间"}, {"EndTime", "截至时间"}, {"Sourceip", "探测者IP"}, {"times", "总探测次数"}});
    d.hint = "提示: 本表列出某IP对其他IP的探测情况, 探测次数过多可能有入侵其他人的倾向。\n"
             "1. 原理: 本表检测出的探测者IP均发出Echo Request, Information Request, TimeStamp Request, Address Mask "
             "Request等请求信息。此类信息常用于对目标机器的探测。探测总次数为其所发出此类ICMP数据包的个数。\n"
             "2. 可信度: 欲提高ICMP探测预测分析的可信度, 可进行自定义查询, 缩短查询时间跨度。"
             "如将本次截取的数据包的解析结果单独入库。这样可使得数据包的时间比较集中，易于分析。";
    return d;
}

ReportDefinition icmpScannedReport()
{
    ReportDefinition d = base("icmp-scanned",
                              joinPieces({"select min(Tm) as StartTime,max(Tm) as EndTime,Sourceip, count(*) as times",
                                          "  from icmp", "  where Type='Echo Reply' or Type='Destination Unreachable'",
                                          "  group by Sourceip", "  order by count(*) DESC"},
                                         tabs(11)));
    d.columns = columns({{"StartTime", "开始时间"}, {"EndTime", "截至时间"}, {"Sourceip", "被探测者IP"}, {"times", "被探测次数"}});
    d.hint = "提示: 本表列出被扫描IP的统计数据, 被扫描次数过多可能有被入侵的可能。\n"
             "1. 原理: 本表选出对某个请求IP进行Echo Reply或者Destination Unreachable(Port "
             "Unreachable)应答的源IP地址。这些IP地址应请求信息才发出应答。\n"
             "2. 详细信息可进行自定义查询。查看数据表的结构, 可选择显示数据表内所有数据。";
    return d;
}

ReportDefinition icmpRelationsReport()
{
    ReportDefinition d = base("icmp-relations",
                              joinPieces({"SELECT min(Tm) as StartTime, max(Tm) as EndTime,Sourceip, Destip, count(*) AS times",
                                          "FROM icmp", "where Type='Echo Request'", "GROUP BY Sourceip, Destip",
                                          "ORDER BY count(*) DESC"},
                                         tabs(14)));
    d.columns = columns({{"StartTime", "开始时间"},
                         {"EndTime", "截至时间"},
                         {"Sourceip", "扫描者IP"},
                         {"Destip", "被扫描者IP"},
                         {"times", "扫描次数"}});
    d.hint = "提示: 本表列出IP扫描关系, 根据扫描次数可判断潜在的入侵探测关系。";
    return d;
}

ReportDefinition icmpProbeLengthReport()
{
    ReportDefinition d = base("icmp-probe-length",
                              joinPieces({"SELECT min(Tm) as StartTime,max(Tm) as EndTime,[icmp].[Sourceip], "
                                          "Sum([icmp].[Totallen]) AS Totallen",
                                          "  FROM icmp", "  where Type='Echo Request'", "  GROUP BY [icmp].[Sourceip]",
                                          "  ORDER BY Sum([icmp].[Totallen]) DESC"},
                                         tabs(21)));
    d.columns = columns(
        {{"StartTime", "开始时间"}, {"EndTime", "截至时间"}, {"Sourceip", "扫描者IP"}, {"Totallen", "所用数据包总长度"}});
    d.hint = "提示: 本表列出探测者所发出的ICMP数据包的总长度。可据此判定可疑IP。";
    return d;
}

ReportDefinition icmpShowAllReport()
{
    ReportDefinition d = base("icmp-all", "select * from icmp");
    d.columns = columns({{"Tm", "时间"},
                         {"Sourceip", "扫描者IP"},
                         {"Destip", "被扫描者IP"},
                         {"Type", "类型"},
                         {"Code", "代码"},
                         {"Totallen", "数据包长度"}});
    return d;
}

ReportDefinition icmpTypeShareReport()
{
    ReportDefinition d = base("icmp-type-share",
                              "select Type,count(*) as Times from icmp group by Type");
    d.chart = ChartSpec{{"Type"}, "Times", kIcmpTypeShareThreshold, true, {250, 100}, {200, 50, 300, 150}};
    return d;
}

ReportDefinition synShowAllReport()
{
    ReportDefinition d = base("syn-all", "select * from syn");
    d.columns = columns({{"Tm", "时间"},
                         {"Sourceip", "源IP地址"},
                         {"Destip", "目的IP地址"},
                         {"Sourceport", "源端口"},
                         {"Destport", "目的端口"}});
    return d;
}

ReportDefinition ipMacMapReport()
{
    ReportDefinition d = base("ipmac-map", "SELECT DISTINCT Sourceip, Sourcemac\t\tFROM arp");
    d.columns = columns({{"Sourceip", "IP地址"}, {"Sourcemac", "MAC地址"}});
    d.hint = "提示: 本表列出本网段IP与MAC地址的对应关系。";
    return d;
}

std::string destIpTrafficHint(const std::string& networkPrefix)
{
    return "提示: 本表列出IP所接收到的流量，由此数据可以看出当前比较活跃的IP。\n"
           "为使得数据精准，可在截获数据包时设置相应的选项: 如dst net "
        + networkPrefix + "等, 只统计目的地址为本网的IP。";
}

ReportDefinition destIpTrafficReport(const std::string& networkPrefix)
{
    ReportDefinition d = base("dest-traffic",
                              joinPieces({"SELECT min(Tm) as StartTime,max(Tm) as EndTime,[Destip], sum([Totallen]) AS Totallenth",
                                          "FROM ip", "GROUP BY [Destip]", "ORDER BY sum([Totallen]) DESC"},
                                         tabs(15)));
    d.columns = columns({{"StartTime", "开始时间"},
                         {"EndTime", "截至时间"},
                         {"Destip", "目的IP"},
                         {"Totallenth", "所接收的总IP流量(BYTES)"}});
    d.hint = destIpTrafficHint(networkPrefix);
    d.chart = ChartSpec{{"Destip"}, "Totallenth", kTrafficShareThreshold, false, {220, 300}, {170, 250, 270, 350}};
    return d;
}

ReportDefinition tcpPairTrafficReport()
{
    return pairReport("tcp-pairs", "WHERE Upperlayer='TCP'");
}

ReportDefinition udpPairTrafficReport()
{
    return pairReport("udp-pairs", "WHERE Upperlayer='UDP'");
}

ReportDefinition lanAccessReport()
{
    std::string portClause = "WHERE ";
    for (const char* column : {"Sourceport", "Destport"})
        for (std::uint16_t port : fileSharingPorts())
            portClause += (portClause.size() > 6 ? " or " : "") + std::string(column) + "=" + std::to_string(port);
    ReportDefinition d = base("lan-access",
                              joinPieces({"SELECT [Sourceip], [Destip], count(*) as Times", "FROM ip",
                                          portClause.c_str(),
                                          "GROUP BY [Sourceip], [Destip]", "order by count(*) desc"},
                                         tabs(15)));
    d.columns = columns({{"Sourceip", "源IP"}, {"Destip", "目的IP"}, {"Times", "次数"}});
    d.hint = "提示: 本表列出本局域网内各机器的互访情况，请检查被访问机器是否开放共享或为恶意密码探测。";
    return d;
}

const std::vector<std::string_view>& icmpProbeTypes()
{
    // Requests that ask a host to answer (RFC 792, RFC 950), as the icmp table names them.
    static const std::vector<std::string_view> types{"Echo Request", "TimeStamp", "Information Request",
                                                     "Address Mask Request"};
    return types;
}

const std::vector<std::uint16_t>& fileSharingPorts()
{
    // NetBIOS name, datagram and session services (RFC 1001/1002) and direct SMB.
    static const std::vector<std::uint16_t> ports{137, 138, 139, 445};
    return ports;
}

std::vector<ReportDefinition> reportCatalogue(const std::string& networkPrefix)
{
    return {icmpScannersReport(),  icmpScannedReport(),     icmpRelationsReport(), icmpProbeLengthReport(),
            icmpShowAllReport(),   icmpTypeShareReport(),   synShowAllReport(),    ipMacMapReport(),
            destIpTrafficReport(networkPrefix), tcpPairTrafficReport(), udpPairTrafficReport(), lanAccessReport()};
}

std::optional<ReportDefinition> findReport(std::string_view name, const std::string& networkPrefix)
{
    for (auto& d : reportCatalogue(networkPrefix))
        if (d.name == name)
            return d;
    return std::nullopt;
}

namespace ipmac_sql {
const char* const kLookup = "select * from ipmac\t\twhere ip=?";
const char* const kInsert = "INSERT INTO ipmac ( ip, mac )\t\tVALUES (?,?)";
const char* const kUpdate = "update ipmac\t\t\t\t\t\t\t\t  set mac=?\t\t\t\t\t\t\t\t  where ip=?";
const char* const kReference = "select mac from ipmac\t\t\t\t\twhere ip=?";
} // namespace ipmac_sql

} // namespace trawler::reports
