#pragma once
#include "SlidingWindow.h"

#include "db/AlertStore.h"
#include "parse/ParseRun.h"
#include "parse/TextForms.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace trawler::watch {

// The alert kinds, as the `kind` field names them.
namespace kind {
inline constexpr const char* kReferenceMismatch = "reference-mismatch";
inline constexpr const char* kNewStation = "new-station";
inline constexpr const char* kMacChanged = "mac-changed";
inline constexpr const char* kFlipFlop = "flip-flop";
inline constexpr const char* kIcmpSweep = "icmp-sweep";
inline constexpr const char* kSynScan = "syn-scan";
inline constexpr const char* kShareAccess = "share-access";
} // namespace kind

struct DetectorSettings {
    int sweepDestinations = 20;   // distinct destinations of ICMP probes from one source...
    int sweepSeconds = 60;        // ...within this many seconds
    int synTargets = 50;          // distinct destination address/port pairs of bare SYNs...
    int synSeconds = 60;          // ...within this many seconds
    int flipFlopSeconds = 3600;   // back to the MAC before the last change within this time
    bool newStationsWhileLearning = false; // new-station alerts during a database's first run
};

// What the detectors know before a run: the database's history.
struct DetectorHistory {
    std::vector<std::pair<std::string, std::string>> lastMacs;    // ARP sender IP, MAC last seen
    std::vector<std::pair<std::string, std::string>> sharePairs;  // source, destination on sharing ports
};

// Watches the frames of one run after another. State (stations, sharing
// pairs, scan windows) carries from run to run, so a scan split over two
// rotated files is still one scan. Alerts wait in pending() until the host
// knows whether the run was committed.
class Detectors : public parse::FrameObserver {
public:
    explicit Detectors(DetectorSettings settings = {});

    void loadHistory(const DetectorHistory& history);
    // Starts a run of `captureFile`; `references` are the ipmac bindings
    // (IP, MAC) as stored; `learning`: the database has no run yet.
    void beginRun(const std::string& captureFile, const std::vector<std::pair<std::string, std::string>>& references,
                  bool learning);
    void frame(const parse::DecodedFrame& frame, std::int64_t seconds, const std::uint8_t* data,
               std::size_t capturedLength) override;

    std::vector<db::StoredAlert> takePending();

private:
    struct Station {
        std::string mac;
        std::string previousMac;     // the MAC before the last change, "" when none
        std::int64_t changedAt = 0;  // packet time of the last change
    };

    void arp(const parse::DecodedFrame& frame, std::int64_t seconds);
    void raise(db::StoredAlert alert, std::int64_t seconds);
    std::string ipText(std::uint32_t ip);

    DetectorSettings m_settings;
    bool m_probeType[256] = {};
    bool m_sharePort[65536] = {};

    std::string m_file;
    bool m_learning = false;
    std::unordered_map<std::string, std::string> m_references;
    std::unordered_map<std::string, Station> m_stations;
    std::unordered_set<std::uint64_t> m_sharePairs;
    std::unordered_map<std::uint32_t, SlidingWindow> m_sweeps;
    std::unordered_map<std::uint32_t, SlidingWindow> m_synScans;
    std::unordered_set<std::string> m_raised;  // kind and key of alerts raised by this process
    std::vector<db::StoredAlert> m_pending;
    parse::TimeTextCache m_times;
};

} // namespace trawler::watch
