#pragma once
#include "Database.h"

#include <cstddef>
#include <functional>

namespace trawler::db {

class PairGroups;

// The endpoint-pair results of one transport (TCP or UDP): the partial
// sums grouped by pair and stored largest first in that transport's ranked
// table, whose rowid order is the report's order.
//
// The grouping is done in memory (PairGroups) when every row has the shape
// the parse run writes (IPv4 address texts, integer ports and byte sums).
// Any other row (a NULL, some other text, a port out of range), or more rows
// than maxPairsInMemory(), falls back to the engine's GROUP BY, which gives
// the same result with bounded memory. The caller holds the write
// transaction.

// Ranks from every partial row. `committed`: the partial rows are all
// committed (this transaction added none), so a second connection may read
// half of them at the same time.
void rankPairs(Database& db, bool tcp, bool committed);

// Ranks from the results ranked before a parse run (current when it began)
// and the partial rows that run wrote, gathered in `runRows` as they were
// written: the same result as rankPairs() without reading every partial row.
// `cancelled` (when given) is asked as the results are stored; true ends the
// ranking with a DbError whose interrupted() is true.
void rankPairsAfterRun(Database& db, bool tcp, PairGroups& runRows, const std::function<bool()>& cancelled = {});

// How many pairs the ranked results of a transport hold.
std::size_t rankedPairCount(Database& db, bool tcp);

// Partial rows grouped in memory at most, 24 bytes each: an eighth of the
// machine's memory, at least 8 M rows (192 MB) and at most 128 M (3 GB).
// The engine's grouping is about four times slower, so weeks of captures in
// one database stay in memory where the machine has room for them.
std::size_t maxPairsInMemory();

} // namespace trawler::db
