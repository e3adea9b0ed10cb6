// capture: live capture into a new capture file, or a series of rolling
// files, until a limit or Ctrl-C.
#include "Commands.h"

#include "plugins/capture/CaptureApi.h"

#include <csignal>
#include <cstdint>
#include <iostream>

namespace trawler::cli {

namespace {

// Set by Ctrl-C / SIGTERM and read by the capture as its stop flag.
volatile int g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
    TrawlerCaptureStop(); // safe in a handler: it only wakes the capture at once
}

// Ctrl-C and SIGTERM become a clean stop while the capture runs; the previous
// handlers come back afterwards.
class InterruptGuard {
public:
    InterruptGuard()
    {
        g_interrupted = 0;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~InterruptGuard()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
};

struct CaptureArgs {
    std::string directory;
    std::string filter;
    std::string interfaceName;
    unsigned seconds = 0;
    unsigned long long count = 0;
    unsigned rotateSeconds = 0;
    unsigned rotateMegabytes = 0;
};

extern "C" void announceStart(void*, const char* interfaceName, const char* fileName)
{
    std::cerr << "Capturing on " << interfaceName << " into " << fileName << " (Ctrl-C stops)\n";
}

// Each finished file as soon as it is closed: its name, then its packet count.
extern "C" void announceClosed(void*, const char* fileName, std::uint64_t packets)
{
    std::cout << fileName << '\n' << packets << (packets == 1 ? " packet\n" : " packets\n");
    std::cout.flush();
}

int runCaptureCommand(const CaptureArgs& args)
{
    InterruptGuard guard;

    TrawlerCaptureSettings settings{};
    settings.size = sizeof settings;
    settings.interfaceName = args.interfaceName.c_str();
    settings.filter = args.filter.c_str();
    settings.directory = args.directory.c_str();
    settings.maxPackets = args.count;
    settings.maxSeconds = args.seconds;
    settings.rotateSeconds = args.rotateSeconds;
    settings.rotateBytes = static_cast<std::uint64_t>(args.rotateMegabytes) * 1000000u;
    settings.onStarted = announceStart;
    settings.onFileClosed = announceClosed;
    settings.stopFlag = &g_interrupted;

    TrawlerCaptureTotals totals{};
    totals.size = sizeof totals;
    const int status = TrawlerCaptureRunEx(&settings, &totals);
    // The interface's own drop count covers all its traffic, not only this
    // capture's, so it is shown only beside a loss of the capture's own.
    if (totals.kernelDropped > 0)
        std::cerr << "The kernel dropped " << totals.kernelDropped << " of " << totals.kernelReceived
                  << " packets (the capture did not keep up); the interface dropped " << totals.interfaceDropped
                  << ".\n";
    if (status == TRAWLER_CAPTURE_STOPPED || status == TRAWLER_CAPTURE_LIMIT_REACHED)
        return 0;
    std::cerr << totals.error << '\n';
    return 1;
}

} // namespace

void registerCaptureCommand(CLI::App& app, int& status)
{
    auto args = std::make_shared<CaptureArgs>();
    CLI::App* capture = app.add_subcommand(
        "capture", "Capture live packets into a new capture file (trawler-YYYYMMDD-HHMMSS.cap) in a directory "
                   "until a limit or Ctrl-C; prints the file's name and its packet count");
    capture->add_option("DIR", args->directory, "Directory in which the capture file is created")->required();
    capture->add_option("--filter,-f", args->filter, "Capture filter in BPF syntax (default: every packet)");
    capture->add_option("--interface,-i", args->interfaceName,
                        "Interface to capture on (default: $TRAWLER_CAPTURE_INTERFACE, else the first one up "
                        "that is not a loopback interface); it must be an Ethernet interface");
    capture->add_option("--seconds", args->seconds, "Stop after this many seconds")->check(CLI::Range(1u, 4000000000u));
    capture->add_option("--count", args->count, "Stop after this many packets")->check(CLI::Range(1u, 4000000000u));
    capture->add_option("--rotate-seconds", args->rotateSeconds,
                        "Close the file and go on in a new one every N seconds (each file's name and count "
                        "is printed when it is closed)")
        ->check(CLI::Range(1u, 4000000000u));
    capture->add_option("--rotate-mb", args->rotateMegabytes,
                        "Close the file and go on in a new one before it grows past N million bytes")
        ->check(CLI::Range(1u, 4000000u));
    capture->callback([args, &status] { status = runCaptureCommand(*args); });
}

} // namespace trawler::cli
