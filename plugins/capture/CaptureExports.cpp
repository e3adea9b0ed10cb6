// The C entry points of libcapture.so over the capture session.
#include "CaptureApi.h"
#include "CaptureSession.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

namespace {

using trawler::capture::CaptureRequest;
using trawler::capture::CaptureResult;

thread_local std::string t_lastError;
// When even the error text cannot be stored (no memory), this one is shown.
thread_local const char* t_fallbackError = nullptr;
constexpr const char* kOutOfMemory = "The capture failed: out of memory.";

void setLastError(const std::string& text)
{
    t_fallbackError = nullptr;
    try {
        t_lastError = text;
    } catch (...) {
        t_fallbackError = kOutOfMemory;
    }
}

template <std::size_t N>
void copyText(char (&target)[N], const std::string& text)
{
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

// Runs the capture and records its error text; every failure has one.
int runAndRecord(CaptureRequest& request, CaptureResult& result)
{
    try {
        setLastError({});
        result = trawler::capture::runCapture(request);
        if (result.status != TRAWLER_CAPTURE_STOPPED && result.status != TRAWLER_CAPTURE_LIMIT_REACHED &&
            result.error.empty())
            result.error = "The capture failed.";
        setLastError(result.error);
        return result.status;
    } catch (...) {
        // Only allocation can throw here; the capture itself has ended.
        t_fallbackError = kOutOfMemory;
        result.status = TRAWLER_CAPTURE_READ_FAILED;
        return TRAWLER_CAPTURE_READ_FAILED;
    }
}

int refuse(const char* why)
{
    setLastError(why);
    return TRAWLER_CAPTURE_BAD_ARGUMENT;
}

} // namespace

extern "C" {

int TrawlerCaptureRun(const char* filter, const char* directory, const TrawlerCaptureOptions* options,
                      TrawlerCaptureSummary* summary)
{
    if (summary) {
        summary->fileName[0] = '\0';
        summary->packets = 0;
    }
    if (!filter || !directory)
        return refuse("No capture filter or save directory was given.");
    try {
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
        CaptureResult result;
        const int status = runAndRecord(request, result);
        if (summary) {
            copyText(summary->fileName, result.fileName);
            summary->packets = result.packets;
        }
        return status;
    } catch (...) {
        t_fallbackError = kOutOfMemory;
        return TRAWLER_CAPTURE_READ_FAILED;
    }
}

int TrawlerCaptureRunEx(const TrawlerCaptureSettings* given, TrawlerCaptureTotals* totals)
{
    // Only the part of each struct the caller knows is read or written.
    const std::size_t known = offsetof(TrawlerCaptureSettings, stopFlag) + sizeof given->stopFlag;
    TrawlerCaptureTotals result{};
    const std::size_t totalsSize = totals ? std::min<std::size_t>(totals->size, sizeof result) : 0;
    auto report = [&](int status) {
        if (totals && totalsSize > sizeof totals->size) {
            copyText(result.error, TrawlerCaptureLastError());
            result.size = totals->size;
            std::memcpy(totals, &result, totalsSize);
        }
        return status;
    };
    if (!given || given->size < offsetof(TrawlerCaptureSettings, directory) + sizeof given->directory)
        return report(refuse("The capture settings are missing or too short."));
    TrawlerCaptureSettings settings{};
    std::memcpy(&settings, given, std::min<std::size_t>(given->size, known));
    if (!settings.directory)
        return report(refuse("No save directory was given."));
    try {
        CaptureRequest request;
        request.filter = settings.filter ? settings.filter : "";
        request.directory = settings.directory;
        request.interfaceName = settings.interfaceName ? settings.interfaceName : "";
        request.maxPackets = settings.maxPackets;
        request.maxSeconds = settings.maxSeconds;
        request.rotateSeconds = settings.rotateSeconds;
        request.rotateBytes = settings.rotateBytes;
        request.stopFlag = settings.stopFlag;
        void* const context = settings.context;
        if (const TrawlerCaptureStartedFn notify = settings.onStarted) {
            request.onStarted = [notify, context](const std::string& interfaceName, const std::string& fileName) {
                notify(context, interfaceName.c_str(), fileName.c_str());
            };
        }
        if (const TrawlerCaptureFileClosedFn notify = settings.onFileClosed) {
            request.onFileClosed = [notify, context](const std::string& fileName, std::uint64_t packets) {
                notify(context, fileName.c_str(), packets);
            };
        }
        CaptureResult outcome;
        const int status = runAndRecord(request, outcome);
        result.packets = outcome.packets;
        result.files = outcome.files;
        result.kernelReceived = outcome.kernelReceived;
        result.kernelDropped = outcome.kernelDropped;
        result.interfaceDropped = outcome.interfaceDropped;
        copyText(result.lastFile, outcome.fileName);
        return report(status);
    } catch (...) {
        t_fallbackError = kOutOfMemory;
        return report(TRAWLER_CAPTURE_READ_FAILED);
    }
}

int Capture(const char* filter, const char* directory)
{
    return TrawlerCaptureRun(filter, directory, nullptr, nullptr);
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
    return t_fallbackError ? t_fallbackError : t_lastError.c_str();
}

} // extern "C"
