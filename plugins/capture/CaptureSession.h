#pragma once
// One live capture, from opening the interface to closing the file; and the
// process-wide rule that only one runs at a time.
#include "CaptureApi.h"

#include <cstdint>
#include <functional>
#include <string>

namespace trawler::capture {

struct CaptureRequest {
    std::string filter;        // BPF; empty: every packet
    std::string directory;     // where the file is created
    std::string interfaceName; // empty: see resolveInterface
    std::uint64_t maxPackets = 0;
    unsigned maxSeconds = 0;
    // Called on the capturing thread once the file exists and packets flow.
    std::function<void(const std::string& interfaceName, const std::string& fileName)> onStarted;
};

struct CaptureResult {
    int status = TRAWLER_CAPTURE_STOPPED; // a TrawlerCaptureStatus
    std::string error;                    // empty unless the capture failed
    std::string fileName;                 // empty when no file was created
    std::uint64_t packets = 0;
};

// Runs a capture on the calling thread until requestStop(), a limit or a
// failure. Refused (TRAWLER_CAPTURE_BUSY) while another one runs.
CaptureResult runCapture(const CaptureRequest& request);

// Ends the running capture; a no-op when none runs. Callable from any thread.
void requestStop();

bool isCaptureRunning();

} // namespace trawler::capture
