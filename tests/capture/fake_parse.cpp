// A stand-in parser library for the launch tests. Its behaviour is chosen by
// the capture path it is given:
//   "...together..."  waits (up to 5 s) until a second run is inside as well
//   "...throw..."     leaves by a C++ exception
//   "...untilcancel..." (through TrawlerParseRunWith) runs until it is
//                     cancelled, then says "Parsing cancelled."
// Every run first reports the two paths it received, then progress, then
// completion, as the real library does.
#include "parse/ParseApi.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace {
std::atomic<int> g_inside{0};
}

extern "C" __attribute__((visibility("default"))) void Parse(const char*, const char*) {}

extern "C" __attribute__((visibility("default"))) int TrawlerParseRun(const char* captureFile, const char* databaseFile,
                                                                      TrawlerParseMessageFn onMessage,
                                                                      TrawlerParseProgressFn onProgress,
                                                                      void* context)
{
    const std::string capture = captureFile;
    const std::string received = capture + "|" + databaseFile;
    onMessage(context, "args", received.c_str());

    ++g_inside;
    std::string company = "alone";
    if (capture.find("together") != std::string::npos) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (g_inside.load() < 2 && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (g_inside.load() >= 2)
            company = "together";
    }
    for (unsigned long long done = 0; done <= 1000; done += 250)
        onProgress(context, done, 1000, done / 10);
    if (capture.find("throw") != std::string::npos) {
        --g_inside;
        throw std::runtime_error("database is locked");
    }
    // Leave only once every run of the pair has seen the other.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    --g_inside;
    onMessage(context, "company", company.c_str());
    onMessage(context, "Finish", "File parsing complete.");
    return TRAWLER_PARSE_COMPLETE;
}

extern "C" __attribute__((visibility("default"))) void TrawlerParseCancel(TrawlerParseCancelFlag* flag)
{
    if (flag)
        __atomic_store_n(&flag->requested, 1, __ATOMIC_SEQ_CST);
}

extern "C" __attribute__((visibility("default"))) int TrawlerParseRunWith(const char* captureFile,
                                                                          const char* databaseFile,
                                                                          const TrawlerParseOptions* options)
{
    const std::string capture = captureFile;
    if (capture.find("untilcancel") == std::string::npos)
        return TrawlerParseRun(captureFile, databaseFile, options->onMessage, options->onProgress, options->context);
    // Bounded, so that a host that never cancels does not hang its test.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!(options->cancel && __atomic_load_n(&options->cancel->requested, __ATOMIC_SEQ_CST)) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    options->onMessage(options->context, "Wrong", "Parsing cancelled.");
    return TRAWLER_PARSE_CANCELLED;
}
