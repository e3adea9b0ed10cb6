// capture: live capture into a new capture file until a limit or Ctrl-C.
#include "Commands.h"

#include "plugins/capture/CaptureApi.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>

namespace trawler::cli {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int)
{
    g_interrupted = 1;
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
};

extern "C" void announceStart(void*, const char* interfaceName, const char* fileName)
{
    std::cerr << "Capturing on " << interfaceName << " into " << fileName << " (Ctrl-C stops)\n";
}

int runCaptureCommand(const CaptureArgs& args)
{
    InterruptGuard guard;

    TrawlerCaptureOptions options{};
    options.interfaceName = args.interfaceName.c_str();
    options.maxPackets = args.count;
    options.maxSeconds = args.seconds;
    options.onStarted = announceStart;

    TrawlerCaptureSummary summary{};
    int status = TRAWLER_CAPTURE_STOPPED;
    std::string error;
    std::atomic<bool> finished{false};
    // The capture blocks its thread; this one turns a signal into a stop
    // (the stop call takes a lock, so it is not made from the handler).
    std::thread worker([&] {
        status = TrawlerCaptureRun(args.filter.c_str(), args.directory.c_str(), &options, &summary);
        error = TrawlerCaptureLastError();
        finished.store(true);
    });
    while (!finished.load()) {
        if (g_interrupted)
            TrawlerCaptureStop(); // repeated until it takes: the capture may still be starting
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    worker.join();

    if (summary.fileName[0] != '\0') {
        std::cout << summary.fileName << '\n' << summary.packets << (summary.packets == 1 ? " packet\n" : " packets\n");
        std::cout.flush();
    }
    if (status == TRAWLER_CAPTURE_STOPPED || status == TRAWLER_CAPTURE_LIMIT_REACHED)
        return 0;
    std::cerr << error << '\n';
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
    capture->callback([args, &status] { status = runCaptureCommand(*args); });
}

} // namespace trawler::cli
