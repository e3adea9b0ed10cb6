#pragma once
// One live capture, from opening the interface to closing the last file; and
// the process-wide rule that only one runs at a time.
#include "CaptureApi.h"

#include <cstdint>
#include <functional>
#include <string>

namespace trawler::capture {

struct CaptureRequest {
    std::string filter;        // BPF; empty: every packet
    std::string directory;     // where the files are created
    std::string interfaceName; // empty: see resolveInterface
    std::uint64_t maxPackets = 0;
    unsigned maxSeconds = 0;
    unsigned rotateSeconds = 0;     // 0: one file
    std::uint64_t rotateBytes = 0;  // 0: no size limit per file
    const volatile int* stopFlag = nullptr; // the caller's own stop request
    // Called on the capturing thread once the first file exists and packets flow.
    std::function<void(const std::string& interfaceName, const std::string& fileName)> onStarted;
    // Called on the capturing thread after each file is closed and unlocked.
    std::function<void(const std::string& fileName, std::uint64_t packets)> onFileClosed;
};

struct CaptureResult {
    int status = TRAWLER_CAPTURE_STOPPED; // a TrawlerCaptureStatus
    std::string error;                    // empty unless the capture failed
    std::string fileName;                 // the last file kept; empty when none
    std::uint64_t packets = 0;            // records in the files kept
    std::uint64_t files = 0;              // files closed and kept
    std::uint64_t kernelReceived = 0;
    std::uint64_t kernelDropped = 0;
    std::uint64_t interfaceDropped = 0;
};

// Runs a capture on the calling thread until requestStop(), the stop flag, a
// limit or a failure. Refused (TRAWLER_CAPTURE_BUSY) while another one runs.
CaptureResult runCapture(const CaptureRequest& request);

// Ends the running capture; a no-op when none runs. Callable from any thread
// and from a signal handler (it touches only lock-free atomics and write(2)).
void requestStop();

bool isCaptureRunning();

} // namespace trawler::capture
