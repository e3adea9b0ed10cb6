// Stand-ins for libcapture.so: one whose capture starts and then fails by
// itself (the interface went away), one that lacks the entry point "Capture".
#include "plugins/capture/CaptureApi.h"

#include <chrono>
#include <thread>

namespace {
thread_local const char* t_error = "";
}

extern "C" {

#ifndef FAKE_WITHOUT_CAPTURE
int Capture(const char*, const char*)
{
    return TRAWLER_CAPTURE_READ_FAILED;
}
#endif

int TrawlerCaptureRun(const char*, const char*, const TrawlerCaptureOptions* options, TrawlerCaptureSummary* summary)
{
    if (options && options->onStarted)
        options->onStarted(options->context, "fake0", "/nonexistent/fake.cap");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (summary) {
        summary->fileName[0] = '\0';
        summary->packets = 0;
    }
    t_error = "Reading packets from \"fake0\" failed: the interface went down";
    return TRAWLER_CAPTURE_READ_FAILED;
}

void TrawlerCaptureStop(void) {}

int TrawlerCaptureIsRunning(void)
{
    return 0;
}

const char* TrawlerCaptureLastError(void)
{
    return t_error;
}

} // extern "C"
