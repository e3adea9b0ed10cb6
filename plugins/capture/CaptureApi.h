#pragma once
// The exports of libcapture.so, the live capture component. C linkage,
// undecorated names: the desktop program looks them up by name at run time.
//
// One capture runs at a time in a process. A capture opens the capture
// interface, applies the BPF filter and writes every packet it sees to a new
// capture file (libpcap format, Ethernet link type) named after its start
// time, "trawler-YYYYMMDD-HHMMSS.cap", in the given directory. The file is
// flushed at least once a second while the capture runs, and closed cleanly
// when the capture ends, so it is always a valid capture file.
//
// Each capture file is held under an advisory exclusive lock (flock) from its
// creation until it is closed, so a reader can tell a file still being
// written from a finished one.
//
// The capture interface is the one the caller names; else the one the
// environment variable TRAWLER_CAPTURE_INTERFACE names; else the first
// interface libpcap lists that is up and not a loopback interface. Interfaces
// whose link type is not Ethernet are refused (the parser reads only Ethernet).
//
// Texts are NUL-terminated UTF-8; the library copies them at once. No C++
// exception ever leaves these functions.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TRAWLER_CAPTURE_EXPORT __attribute__((visibility("default")))
#else
#define TRAWLER_CAPTURE_EXPORT
#endif

// How a capture ended. Every status other than TRAWLER_CAPTURE_STOPPED and
// TRAWLER_CAPTURE_LIMIT_REACHED comes with an error text
// (TrawlerCaptureLastError). The statuses from TRAWLER_CAPTURE_BUSY to
// TRAWLER_CAPTURE_BAD_ARGUMENT mean the capture never started and no file
// was created.
enum TrawlerCaptureStatus {
    TRAWLER_CAPTURE_STOPPED = 0,          // ended by TrawlerCaptureStop; the file is complete
    TRAWLER_CAPTURE_LIMIT_REACHED = 1,    // ended at the packet or time limit; the file is complete
    TRAWLER_CAPTURE_BUSY = 2,             // another capture is running in this process
    TRAWLER_CAPTURE_NO_INTERFACE = 3,     // no usable interface, or the named one does not exist
    TRAWLER_CAPTURE_OPEN_FAILED = 4,      // the interface cannot be opened (no permission, ...)
    TRAWLER_CAPTURE_NOT_ETHERNET = 5,     // the interface's link type is not Ethernet
    TRAWLER_CAPTURE_BAD_FILTER = 6,       // the filter is not valid BPF syntax
    TRAWLER_CAPTURE_BAD_DIRECTORY = 7,    // the directory is empty, missing or not writable
    TRAWLER_CAPTURE_BAD_ARGUMENT = 8,     // a NULL filter or directory
    TRAWLER_CAPTURE_READ_FAILED = 9,      // started, then reading packets failed; the file is complete
    TRAWLER_CAPTURE_WRITE_FAILED = 10     // started, then writing a file failed (disk full, file or
                                          // directory removed, ...); a file that still exists is
                                          // complete up to its last whole record
};

// Called once on the capturing thread when the capture has started: the
// interface is open, the filter set and the file created. The texts are
// valid during the call only.
typedef void (*TrawlerCaptureStartedFn)(void* context, const char* interfaceName, const char* fileName);

typedef struct TrawlerCaptureOptions {
    const char* interfaceName;     // NULL or empty: the default interface (see above)
    unsigned long long maxPackets; // end after this many packets are written; 0: no limit
    unsigned maxSeconds;           // end after this many seconds; 0: no limit
    TrawlerCaptureStartedFn onStarted; // may be NULL
    void* context;                 // handed to onStarted
} TrawlerCaptureOptions;

typedef struct TrawlerCaptureSummary {
    char fileName[4096];           // path of the file written; empty when none was created
    unsigned long long packets;    // packets written to it
} TrawlerCaptureSummary;

// Captures on the default interface into a new file in `directory` until
// TrawlerCaptureStop is called; an empty `filter` captures every packet.
// Blocks the calling thread for the whole capture. Returns a
// TrawlerCaptureStatus.
TRAWLER_CAPTURE_EXPORT int Capture(const char* filter, const char* directory);

// The richer entry point: `options` and `summary` may be NULL.
TRAWLER_CAPTURE_EXPORT int TrawlerCaptureRun(const char* filter, const char* directory,
                                             const TrawlerCaptureOptions* options,
                                             TrawlerCaptureSummary* summary);

// ---- The extended entry point: rolling files, kernel counts, stop flag ----

// Called on the capturing thread after a capture file is closed and its lock
// released: at each rotation and for the last file. `packets` is the number
// of records in the file. Not called for a file that was removed while it was
// being written. The capture waits for the call to return, so it should only
// hand the path on.
typedef void (*TrawlerCaptureFileClosedFn)(void* context, const char* path, uint64_t packets);

// Set `size` to sizeof(TrawlerCaptureSettings): fields a caller built against
// an older header does not know are taken as zero. Every pointer may be NULL
// except `directory`.
typedef struct TrawlerCaptureSettings {
    uint32_t size;
    const char* interfaceName;     // NULL or empty: the default interface (see above)
    const char* filter;            // BPF; NULL or empty: every packet
    const char* directory;         // where the capture files are created
    uint64_t maxPackets;           // end after this many packets in all files; 0: no limit
    uint32_t maxSeconds;           // end after this many seconds; 0: no limit
    uint32_t rotateSeconds;        // close the file and start the next one after this many seconds; 0: never
    uint64_t rotateBytes;          // ... or before a record would take it past this size; 0: never
    TrawlerCaptureStartedFn onStarted;       // once, when the first file exists
    TrawlerCaptureFileClosedFn onFileClosed; // after each file is closed
    void* context;                           // handed to both
    // Optional stop request owned by the caller: once this is nonzero the
    // capture ends as after TrawlerCaptureStop (it notices within a tenth of
    // a second); a flag already set before the call means no capture at all.
    // A signal handler may set it; calling TrawlerCaptureStop as well ends the
    // wait at once.
    const volatile int* stopFlag;
} TrawlerCaptureSettings;

// Set `size` to sizeof(TrawlerCaptureTotals); the capture fills what fits.
typedef struct TrawlerCaptureTotals {
    uint32_t size;
    uint64_t packets;              // records in the closed files that still exist
    uint64_t files;                // files closed (onFileClosed calls)
    // As libpcap counts them: on a loopback interface the kernel sees (and
    // counts) each packet twice, once leaving and once arriving.
    uint64_t kernelReceived;       // packets the kernel passed the filter
    uint64_t kernelDropped;        // ... of which it dropped for want of buffer space
    uint64_t interfaceDropped;     // dropped by the interface or its driver, where known
    char lastFile[4096];           // path of the last file created; empty when none was
    char error[1024];              // the error text (as TrawlerCaptureLastError), empty on success
} TrawlerCaptureTotals;

// Captures as TrawlerCaptureRun does, into one file or a series of rolling
// files. `totals` may be NULL. Returns a TrawlerCaptureStatus; a NULL or too
// small `settings` is TRAWLER_CAPTURE_BAD_ARGUMENT.
TRAWLER_CAPTURE_EXPORT int TrawlerCaptureRunEx(const TrawlerCaptureSettings* settings,
                                               TrawlerCaptureTotals* totals);

// Asks the running capture to end: it reads what the kernel already holds
// (the kernel hands over its last, partly filled block within a tenth of a
// second, so this takes up to about 150 ms), writes it and closes its file;
// Capture then returns. Returns at once, from any thread, and is safe to call
// from a signal handler; does nothing when no capture runs. A capture started
// after this call is not affected.
TRAWLER_CAPTURE_EXPORT void TrawlerCaptureStop(void);

// Nonzero while a capture runs in this process.
TRAWLER_CAPTURE_EXPORT int TrawlerCaptureIsRunning(void);

// The error text of the last Capture or TrawlerCaptureRun on the calling
// thread that failed; empty after one that succeeded. Valid until the next
// call of either on the same thread.
TRAWLER_CAPTURE_EXPORT const char* TrawlerCaptureLastError(void);

#ifdef __cplusplus
}
#endif
