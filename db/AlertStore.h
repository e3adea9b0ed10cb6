#pragma once
#include "Database.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trawler::db {

// One alert as the alert table keeps it. Texts that do not apply are empty.
struct StoredAlert {
    std::int64_t id = 0;          // assigned when stored
    std::string time;             // the packet's time, in the stored text form
    std::string kind;
    std::string severity;
    std::string ip;
    std::string mac;
    std::string previousMac;
    std::string vendor;
    std::string source;
    std::optional<std::int64_t> count;
    std::optional<std::int64_t> windowSeconds;
    std::string file;             // the capture file the frames came from
    std::string key;              // what makes this event the same event again (unique)
    std::int64_t runId = 0;       // the history row of the run that raised it
    bool acknowledged = false;
    std::string sensor;           // on a server, the sensor that stored it; empty in a file
};

// The alert table beside the capture tables (created on first use), and the
// questions the detectors ask about what a database has seen before. Every
// call may throw DbError.
//
// On a server the detectors' questions and the alerts stored are about the
// connection's own sensor (see Database: a writer stores under its sensor, a
// reader may be narrowed to one); listing and acknowledging on a writer's
// connection cover every sensor.
class AlertStore {
public:
    explicit AlertStore(Database& db);

    // Stores the alert unless the same event (its key) is stored
    // already; true when it was stored (and `alert.id` set).
    bool insert(StoredAlert& alert);
    // Newest first; at most `limit` rows.
    std::vector<StoredAlert> list(std::size_t limit = static_cast<std::size_t>(-1));
    // Marks one alert (or, with no id, every alert) acknowledged; returns how many changed.
    int acknowledge(std::optional<std::int64_t> id);

    // The run that took in `captureFile`, 0 when it has none.
    std::int64_t runOf(std::string_view captureFile);
    bool hasRuns();
    // The MAC last seen for each ARP sender IP, in the order stored.
    std::vector<std::pair<std::string, std::string>> lastSenderMacs();
    // The reference IP-MAC bindings as stored.
    std::vector<std::pair<std::string, std::string>> referenceBindings();
    // Every source/destination pair of the ip table where either port is one of `ports`.
    std::vector<std::pair<std::string, std::string>> pairsOnPorts(const std::vector<std::uint16_t>& ports);

private:
    Database& m_db;
    bool m_server;
};

} // namespace trawler::db
