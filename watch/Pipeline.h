#pragma once
#include "AlertOutputs.h"
#include "Detectors.h"
#include "VendorTable.h"

#include "parse/ParseRun.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trawler::watch {

// What became of one capture file.
struct TakeInResult {
    parse::RunResult run;
    std::vector<db::StoredAlert> alerts;   // new alerts, as stored and published
    bool takenIn() const
    {
        return run.outcome == TRAWLER_PARSE_COMPLETE || run.outcome == TRAWLER_PARSE_COMPLETE_READ_ERROR;
    }
};

// Capture file -> ordinary parse run -> detectors -> alert table -> sinks.
// One thread drives takeIn(); the counters may be read from any thread (a
// status bar).
class Pipeline {
public:
    Pipeline(std::string databaseFile, DetectorSettings settings, VendorTable vendors);

    void addSink(AlertSink* sink) { m_sinks.push_back(sink); }
    // Parses the file as an ordinary run (history, all or nothing, refused
    // when already taken in), then stores and publishes the alerts of its
    // frames that are new to this database. Never throws: a database failure
    // after the run is reported in the result's text.
    TakeInResult takeIn(const std::string& captureFile, parse::RunListener& listener);

    std::uint64_t filesTakenIn() const { return m_files.load(); }
    std::uint64_t alertsRaised() const { return m_alerts.load(); }

private:
    void prepare();

    std::string m_databaseFile;
    DetectorSettings m_settings;
    VendorTable m_vendors;
    std::unique_ptr<Detectors> m_detectors;  // null until the history is read
    std::vector<AlertSink*> m_sinks;
    std::atomic<std::uint64_t> m_files{0};
    std::atomic<std::uint64_t> m_alerts{0};
};

} // namespace trawler::watch
