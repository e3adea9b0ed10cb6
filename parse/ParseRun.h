#pragma once
#include "RunCounters.h"
#include "parse/ParseApi.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace trawler::parse {

// What a run tells its host. Messages are the operator's (caption "Wrong" or
// "Finish"); a run sends exactly one, after it has released the database and
// the capture file, so a host may keep it on screen as long as it likes.
class RunListener {
public:
    virtual ~RunListener() = default;
    virtual void message(std::string_view caption, std::string_view text) = 0;
    // Bytes of the capture file read so far, its size, frames read. Sent every
    // few thousand frames and once at the end of the file.
    virtual void progress(std::uint64_t bytesRead, std::uint64_t fileSize, std::uint64_t framesRead)
    {
        (void)bytesRead;
        (void)fileSize;
        (void)framesRead;
    }
    // A passing state, such as waiting for another writer of the database;
    // an empty text: the state is over.
    virtual void notice(std::string_view text) { (void)text; }
};

// The most frames one run can count (its pccount counters are 32-bit).
constexpr std::uint64_t kMaxRunFrames = 2147483647;

struct RunOptions {
    // Non-zero ends the run (read atomically: a host may set it from another
    // thread or a signal handler through requestCancel()).
    const int* cancel = nullptr;
    // Frames a run may take before it is refused.
    std::uint64_t maxFrames = kMaxRunFrames;
};

// Sets a RunOptions::cancel flag; async-signal-safe.
void requestCancel(int* flag);

struct RunResult {
    TrawlerParseOutcome outcome = TRAWLER_PARSE_DATABASE_ERROR;
    RunCounters counters;        // as stored when the run completed
    std::string caption;         // the message the run sent
    std::string text;
};

// The longest capture path the history table can record (its Filename column).
constexpr std::size_t kMaxCapturePathCharacters = 250;

// One parse run: the capture file's frames become rows of the database file,
// all in one transaction. The history row, every frame's rows and the pccount
// row are committed together at the end; any early end, failure or cancel
// leaves the database as it was. The capture file is opened (and refused if
// it cannot be read) before the database's write lock is asked for; while
// another connection holds that lock the run waits, says so through
// notice() and can still be cancelled. Never throws.
RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener,
                   const RunOptions& options);
RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener);

} // namespace trawler::parse
