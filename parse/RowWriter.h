#pragma once
#include "FrameDecoder.h"
#include "RunCounters.h"

#include "db/Database.h"
#include "db/Statement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trawler::parse {

// Writes a run's rows through statements prepared once and reused (bound by
// index). Every call may throw db::DbError; the caller owns the transaction.
class RowWriter {
public:
    explicit RowWriter(db::Database& database);

    // True when the file is in the history table already, under its
    // canonical path or (recorded by an older version) the path as given.
    bool isRecorded(std::string_view canonicalPath, std::string_view givenPath);
    void recordHistory(std::string_view captureFile);

    // The rows of one decoded frame: arp; or icmp/syn first, then ip.
    void writeFrame(const DecodedFrame& frame, std::string_view timeText);

    // The run's pccount row; a time that is absent (no frames) or has no
    // text form stays NULL.
    void writeCounters(const RunCounters& counters, const std::optional<std::string>& startTime,
                       const std::optional<std::string>& endTime);

private:
    void writeArp(const DecodedFrame& frame, std::string_view timeText);
    void writeIp(const DecodedFrame& frame, std::string_view timeText);

    db::Database& m_db;
    db::Statement m_history;
    db::Statement m_arp;
    db::Statement m_ip;
    db::Statement m_icmp;
    db::Statement m_syn;
};

} // namespace trawler::parse
