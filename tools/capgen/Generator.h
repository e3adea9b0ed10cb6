#pragma once
// Deterministic synthetic Ethernet captures: the same options always give the
// same file, byte for byte.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace trawler::capgen {

enum class Scenario { IcmpSweep, ArpSpoof, Netbios, SynScan, Bulk, Demo };

struct ScenarioInfo {
    const char* name;
    Scenario scenario;
    const char* summary;
};

const std::vector<ScenarioInfo>& scenarios();
std::optional<Scenario> scenarioByName(const std::string& name);

// 2023-11-14 22:13:20 UTC.
constexpr std::int64_t kDefaultStart = 1700000000;
// The last start accepted: a record's seconds field is unsigned 32-bit
// (2106-02-07 06:28:15 UTC).
constexpr std::int64_t kLatestStart = 4294967295;

struct Options {
    Scenario scenario = Scenario::Demo;
    std::uint64_t seed = 1;
    // No value: one complete round of the scenario. Otherwise exactly this
    // many frames, repeating rounds as needed (0 gives a file with no frames).
    std::optional<std::uint64_t> frames;
    std::int64_t start = kDefaultStart; // seconds since 1970, UTC
    std::uint32_t snapLength = 65535;   // larger frames are stored cut
    std::string output;
};

struct Summary {
    std::uint64_t frames = 0;
    std::uint64_t bytes = 0; // captured frame bytes, without record headers
};

// Writes the capture to options.output (replacing it only on success).
// Throws std::invalid_argument for bad options, CaptureWriteError for I/O.
Summary generateCapture(const Options& options);

} // namespace trawler::capgen
