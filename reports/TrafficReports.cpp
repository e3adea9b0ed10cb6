#include "TrafficReports.h"

#include "Catalogue.h"

#include "db/Summary.h"

namespace trawler::reports {

std::optional<std::string> summaryStatement(const ReportDefinition& definition)
{
    // Matched on the statement itself: the network prefix only changes the
    // destination report's hint.
    static const std::pair<std::string, const char*> routes[] = {
        {destIpTrafficReport("").sql, db::summary_sql::kDestTraffic},
        {tcpPairTrafficReport().sql, db::summary_sql::kTcpPairs},
        {udpPairTrafficReport().sql, db::summary_sql::kUdpPairs},
        {lanAccessReport().sql, db::summary_sql::kLanAccess},
    };
    for (const auto& [raw, summarised] : routes)
        if (definition.sql == raw)
            return std::string(summarised);
    return std::nullopt;
}

} // namespace trawler::reports
