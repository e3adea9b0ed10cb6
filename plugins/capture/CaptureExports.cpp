// The C entry points of libcapture.so over the capture session.
#include "CaptureApi.h"
#include "CaptureSession.h"

#include <cstring>
#include <string>

namespace {

thread_local std::string t_lastError;

int runAndRecord(const char* filter, const char* directory, const TrawlerCaptureOptions* options,
                 TrawlerCaptureSummary* summary)
{
    using namespace trawler::capture;
    if (summary) {
        summary->fileName[0] = '\0';
        summary->packets = 0;
    }
    try {
        t_lastError.clear();
        if (!filter || !directory) {
            t_lastError = "No capture filter or save directory was given.";
            return TRAWLER_CAPTURE_BAD_ARGUMENT;
        }
        CaptureRequest request;
        request.filter = filter;
        request.directory = directory;
        if (options) {
            request.interfaceName = options->interfaceName ? options->interfaceName : "";
            request.maxPackets = options->maxPackets;
            request.maxSeconds = options->maxSeconds;
            if (options->onStarted) {
                const TrawlerCaptureStartedFn notify = options->onStarted;
                void* const context = options->context;
                request.onStarted = [notify, context](const std::string& interfaceName, const std::string& fileName) {
                    notify(context, interfaceName.c_str(), fileName.c_str());
                };
            }
        }
        const CaptureResult result = runCapture(request);
        t_lastError = result.error;
        if (summary) {
            const std::size_t length = std::min(result.fileName.size(), sizeof summary->fileName - 1);
            std::memcpy(summary->fileName, result.fileName.data(), length);
            summary->fileName[length] = '\0';
            summary->packets = result.packets;
        }
        return result.status;
    } catch (...) {
        // Only allocation can throw here; the capture itself has ended.
        return TRAWLER_CAPTURE_READ_FAILED;
    }
}

} // namespace

extern "C" {

int Capture(const char* filter, const char* directory)
{
    return runAndRecord(filter, directory, nullptr, nullptr);
}

int TrawlerCaptureRun(const char* filter, const char* directory, const TrawlerCaptureOptions* options,
                      TrawlerCaptureSummary* summary)
{
    return runAndRecord(filter, directory, options, summary);
}

void TrawlerCaptureStop(void)
{
    trawler::capture::requestStop();
}

int TrawlerCaptureIsRunning(void)
{
    return trawler::capture::isCaptureRunning() ? 1 : 0;
}

const char* TrawlerCaptureLastError(void)
{
    return t_lastError.c_str();
}

} // extern "C"
