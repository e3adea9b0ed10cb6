#pragma once
#include "FolderIngest.h"
#include "Pipeline.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>

namespace trawler::watch {

struct WatchSettings {
    std::string interfaceName;      // empty: the capture component's default
    std::string filter;             // BPF; empty: every packet
    std::string directory;          // where the rolling capture files go
    std::uint32_t rotateSeconds = 300;
    std::uint64_t rotateBytes = 0;  // 0: rotate by time only
    std::uint64_t maxDiskBytes = 0; // 0: keep every file
    std::uint32_t maxSeconds = 0;   // 0: until stop()
};

struct WatchOutcome {
    int captureStatus = 0;          // a TrawlerCaptureStatus
    std::string error;              // the capture's error text, empty on success
    std::uint64_t packets = 0;      // records in the closed files
    std::uint64_t files = 0;        // files the capture closed
    std::uint64_t kernelReceived = 0;
    std::uint64_t kernelDropped = 0;
    std::uint64_t interfaceDropped = 0;
    std::uint64_t deletedFiles = 0; // removed to stay under maxDiskBytes
};

// Deletes the oldest files of `folder` that are in `takenIn` (and drops
// them from it) until the folder holds at most `maxBytes`; a file not taken
// in is never deleted. Returns how many were deleted.
std::size_t trimCaptureFolder(const std::string& folder, std::uint64_t maxBytes, std::set<std::string>& takenIn);

// The folder beside a database where watch keeps its capture files by default.
std::string defaultCaptureFolder(const std::string& databaseFile);

// Rolling capture feeding a pipeline: the capture runs on a thread of its
// own and only hands each closed file over; run()'s thread takes the files
// in, so a slow parse never holds up the capture. One WatchLoop runs at a
// time in a process (the capture component's rule).
class WatchLoop {
public:
    WatchLoop(WatchSettings settings, Pipeline& pipeline, parse::RunListener& listener,
              FolderIngest::FileDone done = {});

    // Blocks until the capture has ended (stop(), maxSeconds or a failure)
    // and every file it closed is taken in. A WatchLoop runs once: make a
    // new one to watch again.
    WatchOutcome run();
    // Ends the capture: the last file is closed, taken in and checked. From
    // any thread, or a signal handler.
    void stop();

private:
    static void onFileClosed(void* context, const char* path, std::uint64_t packets);
    void trimFolder(WatchOutcome& outcome);

    WatchSettings m_settings;
    Pipeline& m_pipeline;
    parse::RunListener& m_listener;
    FolderIngest::FileDone m_done;
    volatile int m_stop = 0;

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_closed;
    bool m_captureEnded = false;
    std::set<std::string> m_takenIn;
};

} // namespace trawler::watch
