#pragma once
#include "RunCounters.h"

#include "db/Database.h"
#include "db/Statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trawler::parse {

// Writes a run's history and pccount rows (the frames' rows go through
// BatchWriter). Every call may throw db::DbError; the caller owns the
// transaction.
class RowWriter {
public:
    explicit RowWriter(db::Database& database);

    // True when the file is in the history table already, under its
    // canonical path or (recorded by an older version) the path as given.
    bool isRecorded(std::string_view canonicalPath, std::string_view givenPath);
    void recordHistory(std::string_view captureFile);

    // The run's pccount row; a time that is absent (no frames) or has no
    // text form stays NULL.
    void writeCounters(const RunCounters& counters, const std::optional<std::string>& startTime,
                       const std::optional<std::string>& endTime);

private:
    db::Database& m_db;
    db::Statement m_history;
};

} // namespace trawler::parse
