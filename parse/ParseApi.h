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
    TRAWLER_PARSE_OPEN_FAILED = 3,         // the capture file cannot be opened
    TRAWLER_PARSE_NOT_ETHERNET = 4,        // link type other than Ethernet
    TRAWLER_PARSE_DATABASE_ERROR = 5,      // nothing of the run was kept
    TRAWLER_PARSE_BAD_ARGUMENT = 6         // a missing or overlong path
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

#ifdef __cplusplus
}
#endif
