#pragma once
#include "Database.h"

namespace trawler::db {

// Groups the endpoint-pair partial sums of one transport (TCP or UDP) and
// stores the totals, largest first, in that transport's ranked table.
//
// The grouping is done in memory when every partial row has the shape the
// parse run writes (short address texts, integer ports and byte sums): a
// hash of fixed-size keys and one sort of the totals, several times faster
// than the engine's grouping sort. Any other row (a NULL, a long text, a
// port out of range), or more distinct pairs than kMaxPairsInMemory, falls
// back to the engine's GROUP BY, which gives the same result with bounded
// memory. The caller holds the write transaction.
void rankPairs(Database& db, bool tcp);

// About 70 bytes of memory a distinct pair (key, total and hash slot).
constexpr std::size_t kMaxPairsInMemory = std::size_t(1) << 23;

} // namespace trawler::db
