// trawler-capgen: writes deterministic synthetic Ethernet captures for tests,
// benchmarks and demonstrations.
#include "tools/capgen/CaptureWriter.h"
#include "tools/capgen/Generator.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <stdexcept>

using namespace trawler::capgen;

int main(int argc, char** argv)
{
    CLI::App app{"Write a deterministic synthetic Ethernet capture (libpcap format) from a seed.", "trawler-capgen"};

    std::string scenarioName;
    Options options;
    std::uint64_t frames = 0;
    std::vector<std::string> names;
    std::string help = "Traffic to generate:";
    for (const ScenarioInfo& info : scenarios()) {
        names.emplace_back(info.name);
        help += std::string("\n  ") + info.name + ": " + info.summary;
    }
    app.add_option("--scenario", scenarioName, help)->required()->check(CLI::IsMember(names));
    app.add_option("--seed", options.seed, "Seed; the same seed and options give identical bytes")->required();
    CLI::Option* framesOption =
        app.add_option("--frames", frames, "Exactly this many frames (default: one complete round of the scenario)")
            ->check(CLI::Range(std::uint64_t{0}, std::uint64_t{1000000000}));
    app.add_option("--start", options.start, "Time of the first round, seconds since 1970 UTC")
        ->capture_default_str()
        ->check(CLI::Range(std::int64_t{0}, kLatestStart));
    app.add_option("--snaplen", options.snapLength, "Store at most this many bytes of each frame")
        ->capture_default_str()
        ->check(CLI::Range(14u, 262144u));
    app.add_option("-o,--output", options.output, "Capture file to write (replaced)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2; // help is a success; a usage error is status 2
    }
    options.scenario = *scenarioByName(scenarioName);
    if (framesOption->count() > 0)
        options.frames = frames;

    try {
        const Summary summary = generateCapture(options);
        std::cout << "Wrote " << summary.frames << " frames (" << summary.bytes << " bytes of frames) to "
                  << options.output << '\n';
    } catch (const std::exception& e) {
        std::cerr << "trawler-capgen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
