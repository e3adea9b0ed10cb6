#pragma once
#include "FrameDecoder.h"
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
};

// Sees every frame of a run as it is decoded, before the run commits (a run
// that then fails has still shown its frames). `data` is the captured bytes.
// An exception it throws ends the run as a failure.
class FrameObserver {
public:
    virtual ~FrameObserver() = default;
    virtual void frame(const DecodedFrame& frame, std::int64_t seconds, const std::uint8_t* data,
                       std::size_t capturedLength) = 0;
};

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
// row are committed together at the end; any early end or failure leaves the
// database as it was. Never throws.
RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener,
                   FrameObserver* observer = nullptr);

} // namespace trawler::parse
