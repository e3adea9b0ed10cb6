#pragma once
// The exports of libParse.so. C linkage, undecorated names: the desktop
// program looks them up by name at run time.
//
// Texts are NUL-terminated UTF-8; the library copies them at once. No C++
// exception ever leaves these functions.

#ifdef __cplusplus
extern "C" {
#endif

// One parse run: the capture file's frames become rows of the database file.
// Everything the run has to tell the operator it tells through its message
// callback; Parse() prints "caption: text" lines to standard error.
void Parse(const char* captureFile, const char* databaseFile);

// How a run ended.
enum TrawlerParseOutcome {
    TRAWLER_PARSE_COMPLETE = 0,            // "File parsing complete."
    TRAWLER_PARSE_COMPLETE_READ_ERROR = 1, // complete, but the file ended in a reading error
    TRAWLER_PARSE_ALREADY_STORED = 2,      // the file is in the database's history already
    TRAWLER_PARSE_OPEN_FAILED = 3,         // not a readable regular capture file; reason on the second line
    TRAWLER_PARSE_NOT_ETHERNET = 4,        // link type other than Ethernet
    TRAWLER_PARSE_DATABASE_ERROR = 5,      // nothing of the run was kept
    TRAWLER_PARSE_BAD_ARGUMENT = 6,        // a missing or overlong path
    TRAWLER_PARSE_BEING_WRITTEN = 7,       // the capture is still being written (locked, or changed during the run)
    TRAWLER_PARSE_CANCELLED = 8,           // the host cancelled the run; nothing of it was kept
    TRAWLER_PARSE_TOO_MANY_FRAMES = 9      // more frames than the 32-bit counters hold; nothing kept
};

// A message for the operator: caption ("Wrong", "Finish") and text. The run
// waits until the callback returns (a desktop host shows a modal box).
typedef void (*TrawlerParseMessageFn)(void* context, const char* caption, const char* text);
// Progress: bytes of the capture file read so far, the file's size, frames read.
typedef void (*TrawlerParseProgressFn)(void* context, unsigned long long bytesRead, unsigned long long fileSize,
                                       unsigned long long framesRead);

// The richer entry point: callbacks may be NULL (then messages go to standard
// error and progress is not reported). Returns a TrawlerParseOutcome.
int TrawlerParseRun(const char* captureFile, const char* databaseFile, TrawlerParseMessageFn onMessage,
                    TrawlerParseProgressFn onProgress, void* context);

// A passing state the host may show, such as "Waiting for another run to
// finish..." while another writer holds the database; an empty text: that
// state is over.
typedef void (*TrawlerParseNoticeFn)(void* context, const char* text);

// A run's cancel switch, owned by the host: zero it before the run starts and
// hand it over in the options; TrawlerParseCancel() may then be called from
// any thread, or from a signal handler, while the run lasts.
typedef struct TrawlerParseCancelFlag {
    int requested;
} TrawlerParseCancelFlag;

// Options of TrawlerParseRunWith(). `size` is sizeof(TrawlerParseOptions) as
// the host was built with: fields past it are taken as zero, so a host built
// against an older header keeps working. Every field may be zero/NULL.
typedef struct TrawlerParseOptions {
    unsigned long size;
    TrawlerParseMessageFn onMessage;
    TrawlerParseProgressFn onProgress;
    TrawlerParseNoticeFn onNotice;
    void* context;
    TrawlerParseCancelFlag* cancel;
    // Frames a run may take before it is refused; 0: what the 32-bit counters
    // hold (2,147,483,647). A smaller figure is for tests.
    unsigned long long maxFrames;
} TrawlerParseOptions;

// TrawlerParseRun with options. A cancelled run keeps nothing, sends
// "Parsing cancelled." and returns TRAWLER_PARSE_CANCELLED.
int TrawlerParseRunWith(const char* captureFile, const char* databaseFile, const TrawlerParseOptions* options);

// Asks the run that was given `flag` to end as soon as it can (between two
// frames, or while it waits for the database). Async-signal-safe.
void TrawlerParseCancel(TrawlerParseCancelFlag* flag);

#ifdef __cplusplus
}
#endif
