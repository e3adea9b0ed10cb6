#pragma once
#include "Database.h"

#include <cstdint>

namespace trawler::db {

// Traffic summaries: the sums the traffic reports need, kept next to the raw
// `ip` table so those reports read a few thousand rows instead of every
// packet. The raw tables are never changed by them.
//
// Three tables hold partial sums, each already grouped by its report's keys:
// per destination (first and last time, bytes), per TCP/UDP endpoint pair
// (bytes) and per address pair on the file-sharing ports (packets). A key may
// have several partial rows (one per parse run, say); the report statements
// group them again, so grouping, NULL keys and blank-insensitive comparison
// behave exactly as they do over `ip`.
//
// Freshness: a state row records up to which `ip` row the sums reach. Rows
// appended after that are summed on the next use; a deletion or change of
// `ip` rows (a free query, another program using the engine) fires a trigger
// that marks the sums stale, and the next use rebuilds them. A file made
// before summaries existed gets them on its first use in the same way.

// Hears how a summary build goes. Called on the building thread.
class SummaryObserver {
public:
    virtual ~SummaryObserver() = default;
    // `done` of `total` steps (chunks of ip rows summed, then the ranking);
    // sent before the first step and after each.
    virtual void summaryProgress(std::uint64_t done, std::uint64_t total)
    {
        (void)done;
        (void)total;
    }
    // Asked between chunks; true abandons the build (rolled back, DbError with
    // interrupted() true). The sums stay as they were and are built next time.
    virtual bool summaryCancelled() { return false; }
};

enum class SummaryStatus {
    Current,      // the sums cover every ip row
    Behind,       // rows were appended after the sums: they are summed on use
    Stale,        // rows were changed or deleted, or the sums are missing: rebuilt on use
    Unavailable,  // no ip table: the reports run over the raw table (and say why)
};

// Reads the state without changing anything.
SummaryStatus summaryStatus(Database& db);

// What a report reads: the sums, or the ranked TCP or UDP endpoint-pair
// results built from them (built on first use after the sums changed; each
// transport on its own, so one report does not wait for the other's).
enum class SummaryUse { Sums, RankedTcp, RankedUdp };

// Brings the sums (and a ranking asked for) up to date when they
// are not, in a transaction of its own that waits for another writer.
// Returns false when they cannot be used and the caller should read the raw
// table: there is no ip table, or they are out of date while a parse run
// holds the file. `db` must not be inside a transaction.
bool refreshSummaries(Database& db, SummaryObserver* observer = nullptr, SummaryUse use = SummaryUse::Sums);

// Throws the sums away and builds them again from every ip row; for files
// that another program changed without the triggers (see the README).
void rebuildSummaries(Database& db, SummaryObserver* observer = nullptr);

// The traffic reports' statements over the sums (the pair reports: over the
// ranking): the same fields, names and order as their statements over `ip`.
namespace summary_sql {
extern const char* const kDestTraffic;
extern const char* const kTcpPairs;
extern const char* const kUdpPairs;
extern const char* const kLanAccess;
} // namespace summary_sql

} // namespace trawler::db
