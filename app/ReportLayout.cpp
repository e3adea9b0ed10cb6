#include "ReportLayout.h"

#include "CommandIds.h"

namespace {
// Most hints stand under the list; the traffic reports put theirs lower,
// under the chart.
const QRect kHintRect(0, 305, kListWidth, 80);
const QRect kTrafficHintRect(0, 355, kListWidth, 30);
constexpr int kFullList = 385;
} // namespace

const std::array<ReportLayout, 12> kReportLayouts = {{
    {"icmp-scanners", ID_ICMP_SCANNERS, 300, kHintRect},
    {"icmp-scanned", ID_ICMP_SCANNED, 300, kHintRect},
    {"icmp-relations", ID_ICMP_RELATIONS, 300, kHintRect},
    {"icmp-probe-length", ID_ICMP_PROBE_LENGTH, 300, kHintRect},
    {"icmp-all", ID_ICMP_SHOW_ALL, kFullList, kHintRect},
    {"icmp-type-share", ID_ICMP_TYPE_SHARE, 0, kHintRect},
    {"syn-all", ID_SYN_SHOW_ALL, kFullList, kHintRect},
    {"ipmac-map", ID_IP_MAC_MAP, 300, kHintRect},
    {"dest-traffic", ID_DEST_IP_TRAFFIC, 245, kTrafficHintRect},
    {"tcp-pairs", ID_TCP_PAIR_TRAFFIC, 245, kTrafficHintRect},
    {"udp-pairs", ID_UDP_PAIR_TRAFFIC, 245, kTrafficHintRect},
    {"lan-access", ID_LAN_ACCESS, 350, kTrafficHintRect},
}};

const ReportLayout& reportLayout(std::string_view report)
{
    for (const ReportLayout& layout : kReportLayouts)
        if (report == layout.report)
            return layout;
    static const ReportLayout kUnknown{"", 0, 300, kHintRect};
    return kUnknown;
}
