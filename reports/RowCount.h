#pragma once
// How many rows a query yields, counted on a connection of its own so that a
// list can size its scroll bar while its rows are still being read.
#include <cstddef>
#include <optional>
#include <string>

namespace trawler::reports {

class Interruption;

// The number of rows `sql` returns over the database file, or nullopt when
// the statement cannot be counted as a sub-query (a statement that is not a
// plain query). Throws ReportError for a database failure, including a
// cancel through `interruption`.
std::optional<std::size_t> countRows(const std::string& dbPath, const std::string& sql,
                                     Interruption* interruption = nullptr);

} // namespace trawler::reports
