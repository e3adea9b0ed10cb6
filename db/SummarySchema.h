#pragma once
// Shared by the summary builder (Summary.cpp) and the parse run's writer
// (SummaryWriter.cpp): the tables, their state row and the statements that
// append partial sums.
#include "Database.h"

#include <cstdint>

namespace trawler::db::summary_schema {

// Bumped when the layout of the sums changes; a file with another version
// has its sums rebuilt on first use.
constexpr int kVersion = 3;

struct State {
    bool ipTable = false;     // the raw table exists
    bool complete = false;    // sum tables, triggers and state row all exist
    bool stale = false;
    int version = 0;
    std::int64_t covered = 0; // highest ip rowid the sums include
    std::int64_t lastRow = 0; // highest ip rowid now (0: no rows)
    // `covered` when the TCP and the UDP pair results were last ranked.
    std::int64_t rankedTcp = -1;
    std::int64_t rankedUdp = -1;
};

State read(Database& db);
// Creates whatever is missing (tables, triggers, a state row covering nothing).
void create(Database& db);
// Drops and creates every summary object: empty sums covering nothing.
void clear(Database& db);
// Records that the TCP or UDP pair results (PairRanking.h) match the sums.
void markRanked(Database& db, bool tcp);
void markCovered(Database& db, std::int64_t lastRow);

// Parameters of the row-appending statements, in order:
//   dest: Destip, FirstTm, LastTm, Bytes
//   pair: Upperlayer, Sourceip, Sourceport, Destip, Destport, Bytes
//   lan:  Sourceip, Destip, Times
extern const char* const kAppendDest;
extern const char* const kAppendPair;
extern const char* const kAppendLan;

// Sum the ip rows with ?1 < rowid <= ?2 into partial rows.
extern const char* const kSumDest;
extern const char* const kSumPair;
extern const char* const kSumLan;

} // namespace trawler::db::summary_schema
