#include "TrafficReports.h"

#include "Catalogue.h"

#include "db/Summary.h"

namespace trawler::reports {

std::optional<SummaryRoute> summaryStatement(const ReportDefinition& definition)
{
    // Matched on the statement itself: the network prefix only changes the
    // destination report's hint.
    static const std::pair<std::string, SummaryRoute> routes[] = {
        {destIpTrafficReport("").sql, {db::summary_sql::kDestTraffic, db::SummaryUse::Sums}},
        {tcpPairTrafficReport().sql, {db::summary_sql::kTcpPairs, db::SummaryUse::RankedTcp}},
        {udpPairTrafficReport().sql, {db::summary_sql::kUdpPairs, db::SummaryUse::RankedUdp}},
        {lanAccessReport().sql, {db::summary_sql::kLanAccess, db::SummaryUse::Sums}},
    };
    for (const auto& [raw, route] : routes)
        if (definition.sql == raw)
            return route;
    return std::nullopt;
}

} // namespace trawler::reports
