#pragma once
#include "ReportDefinition.h"

#include "db/Summary.h"

#include <optional>
#include <string>

namespace trawler::reports {

// The statement that gives a traffic report's rows from the traffic
// summaries instead of from every ip row: the same fields, values and order.
// nullopt for every other report, and for a definition whose statement is
// not the catalogue's own.
struct SummaryRoute {
    std::string sql;
    db::SummaryUse use;
};
std::optional<SummaryRoute> summaryStatement(const ReportDefinition& definition);

} // namespace trawler::reports
