#include "ParseRun.h"

#include "BatchPipe.h"
#include "BatchWriter.h"
#include "CaptureFile.h"
#include "FrameDecoder.h"
#include "RowWriter.h"
#include "RunMessages.h"
#include "SummaryFeed.h"
#include "TextForms.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Notices.h"
#include "db/ParseWriting.h"

#include <memory>
#include <optional>

namespace trawler::parse {

namespace {

using namespace messages;

constexpr std::uint64_t kProgressEveryFrames = 8192;
// How often the frame loop looks at the cancel flag.
constexpr std::uint64_t kCancelCheckMask = 1023;

// Characters as the database counts them in a text column: every byte that
// does not continue a UTF-8 sequence.
std::size_t characterCount(std::string_view text)
{
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xc0) != 0x80)
            ++n;
    return n;
}

bool cancelRequested(const int* flag)
{
    return flag && __atomic_load_n(flag, __ATOMIC_RELAXED) != 0;
}

RunResult ended(TrawlerParseOutcome outcome, std::string_view caption, std::string text)
{
    RunResult r;
    r.outcome = outcome;
    r.caption = std::string(caption);
    r.text = std::move(text);
    return r;
}

RunResult cancelled() { return ended(TRAWLER_PARSE_CANCELLED, kWrong, std::string(kCancelled)); }

// Tells the host while the run waits for another writer's lock, and ends the
// wait when the host cancels.
class WriterWait : public db::WaitObserver {
public:
    WriterWait(RunListener& listener, const int* cancel) : m_listener(listener), m_cancel(cancel) {}

    void waitingForWriter() override
    {
        m_waited = true;
        m_listener.notice(db::notices::kWaitingForWriter);
    }
    bool giveUpWaiting() override { return cancelRequested(m_cancel); }

    // After the lock was taken (or the wait given up): the notice is over.
    void over()
    {
        if (m_waited)
            m_listener.notice("");
        m_waited = false;
    }

private:
    RunListener& m_listener;
    const int* m_cancel;
    bool m_waited = false;
};

// The run proper, once the capture file is open. Returns the message to send;
// everything it holds (the transaction, the connection) is released on return.
RunResult runHeld(CaptureFile& capture, const std::string& givenPath, const std::string& databaseFile,
                  RunListener& listener, const RunOptions& options)
{
    const db::ParseWritingMark writing(databaseFile);
    const std::string& captureFile = capture.canonicalPath();
    WriterWait wait(listener, options.cancel);
    db::Database database;
    database.setWaitObserver(&wait);
    database.open(databaseFile);
    database.tuneForBulkWrite();
    std::optional<db::Transaction> transaction;
    try {
        transaction.emplace(database);
    } catch (const db::DbError&) {
        wait.over();
        if (cancelRequested(options.cancel))
            return cancelled();
        throw;
    }
    wait.over();
    RowWriter writer(database);
    db::SummaryWriter summary(database);
    BatchWriter batchWriter(database, summary);

    // Checked and recorded inside the transaction, so two runs on the same
    // file cannot both pass the check.
    if (writer.isRecorded(captureFile, givenPath))
        return ended(TRAWLER_PARSE_ALREADY_STORED, kWrong, std::string(kAlreadyStored));
    writer.recordHistory(captureFile);

    const std::uint64_t fileSize = capture.size();
    RunCounters counters;
    TimeTextCache times;
    std::optional<std::string> startTime;
    std::string_view endTime;
    std::optional<std::string> readError;
    CaptureRecord record;

    // From here the frames' rows are stored on the pipe's thread; this one
    // reads, decodes and sums. Any return before drain() abandons the
    // stored rows (the pipe stops first, then the transaction rolls back).
    BatchPipe pipe(batchWriter);
    std::unique_ptr<RowBatch> batch = pipe.emptyBatch();
    auto newSums = [&] {
        return summary.active() ? std::make_unique<db::SummarySums>(summary.maxPairSlots()) : nullptr;
    };
    std::unique_ptr<db::SummarySums> sums = newSums();

    for (;;) {
        const ReadStatus status = capture.next(record);
        if (status == ReadStatus::End)
            break;
        if (status == ReadStatus::Error) {
            readError = capture.readError();
            break;
        }
        const auto taken = static_cast<std::uint64_t>(counters.total);
        if (taken >= options.maxFrames)
            return ended(TRAWLER_PARSE_TOO_MANY_FRAMES, kWrong,
                         "The capture file holds more than " + std::to_string(options.maxFrames)
                             + " frames, more than one run can count. Nothing was stored; split the file into "
                               "smaller ones and parse each of them.");
        if ((taken & kCancelCheckMask) == 0 && cancelRequested(options.cancel))
            return cancelled();

        // Every frame, even one too short for anything, is counted and moves
        // the end time.
        const std::string_view time = times.text(record.seconds);
        if (!startTime)
            startTime = std::string(time);
        endTime = time;
        ++counters.total;

        const DecodedFrame frame = decodeFrame(record.data, record.captured, record.wire);
        counters.count(frame);
        batch->add(frame, time);
        if (sums) {
            feedSummary(*sums, frame, time);
            if (sums->full()) {
                batch->sums = std::move(sums);
                sums = newSums();
            }
        }
        if (options.observer)
            options.observer->frame(frame, static_cast<std::int64_t>(record.seconds), record.data, record.captured);

        if (batch->full()) {
            pipe.store(std::move(batch));
            batch = pipe.emptyBatch();
        }
        if (counters.total % kProgressEveryFrames == 0) {
            if (capture.changedSinceOpen())
                return ended(TRAWLER_PARSE_BEING_WRITTEN, kWrong, std::string(kStillBeingWritten));
            listener.progress(capture.bytesRead(), fileSize, static_cast<std::uint64_t>(counters.total));
        }
    }
    // A file that grew or was rewritten while it was read is not kept: it is
    // parsed whole once its writer is done.
    if (capture.changedSinceOpen())
        return ended(TRAWLER_PARSE_BEING_WRITTEN, kWrong, std::string(kStillBeingWritten));
    if (cancelRequested(options.cancel))
        return cancelled();
    // Nothing was read at all: not recorded, so the file can be parsed again.
    if (readError && counters.total == 0)
        return ended(TRAWLER_PARSE_OPEN_FAILED, kWrong,
                     std::string(kOpenFailed) + "\nThe file ends in a reading error before its first frame: "
                         + *readError);
    listener.progress(readError ? capture.bytesRead() : fileSize, fileSize,
                      static_cast<std::uint64_t>(counters.total));

    if (sums && !sums->empty())
        batch->sums = std::move(sums);
    pipe.store(std::move(batch));
    pipe.drain();

    std::optional<std::string> endText;
    if (startTime)
        endText = std::string(endTime);
    summary.finish([&options] { return cancelRequested(options.cancel); });
    writer.writeCounters(counters, startTime, endText);
    transaction->commit();

    RunResult result;
    result.counters = counters;
    result.caption = std::string(kFinish);
    result.text = std::string(kComplete);
    if (capture.skippedRecords() > 0)
        result.text += "\n" + std::to_string(capture.skippedRecords())
            + " frames of interfaces that are not Ethernet were skipped.";
    if (readError) {
        result.outcome = TRAWLER_PARSE_COMPLETE_READ_ERROR;
        result.text += "\nThe capture file ends in a reading error after " + std::to_string(counters.total)
            + " frames: " + *readError;
    } else {
        result.outcome = TRAWLER_PARSE_COMPLETE;
    }
    return result;
}

RunResult checkArguments(const std::string& captureFile, const std::string& databaseFile)
{
    if (captureFile.empty())
        return ended(TRAWLER_PARSE_BAD_ARGUMENT, kWrong, "No capture file was given.");
    if (databaseFile.empty())
        return ended(TRAWLER_PARSE_BAD_ARGUMENT, kWrong, "No database file was given.");
    RunResult ok;
    ok.outcome = TRAWLER_PARSE_COMPLETE;
    return ok;
}

RunResult checkRecordable(const std::string& canonicalPath)
{
    if (characterCount(canonicalPath) > kMaxCapturePathCharacters)
        return ended(TRAWLER_PARSE_BAD_ARGUMENT, kWrong,
                     "The capture file path is longer than " + std::to_string(kMaxCapturePathCharacters)
                         + " characters and cannot be recorded; move or rename the file and parse it again.");
    RunResult ok;
    ok.outcome = TRAWLER_PARSE_COMPLETE;
    return ok;
}

RunResult openAndRun(const std::string& captureFile, const std::string& databaseFile, RunListener& listener,
                     const RunOptions& options)
{
    RunResult result = checkArguments(captureFile, databaseFile);
    if (result.outcome != TRAWLER_PARSE_COMPLETE)
        return result;
    if (cancelRequested(options.cancel))
        return cancelled();
    // The capture is opened before the database is touched: a file that
    // cannot be read is refused without waiting for, or holding, its lock.
    CaptureFile capture;
    if (const std::optional<OpenRefusal> refusal = capture.open(captureFile))
        return ended(refusal->outcome, kWrong, refusal->text);
    result = checkRecordable(capture.canonicalPath());
    if (result.outcome != TRAWLER_PARSE_COMPLETE)
        return result;
    try {
        return runHeld(capture, captureFile, databaseFile, listener, options);
    } catch (const db::DbError& e) {
        if (e.interrupted() || cancelRequested(options.cancel))
            return cancelled();
        return ended(TRAWLER_PARSE_DATABASE_ERROR, kWrong, "Database error: " + e.description());
    }
}

} // namespace

void requestCancel(int* flag)
{
    if (flag)
        __atomic_store_n(flag, 1, __ATOMIC_RELAXED);
}

RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener,
                   const RunOptions& options)
{
    RunResult result;
    try {
        result = openAndRun(captureFile, databaseFile, listener, options);
    } catch (const std::exception& e) {
        // Out of memory and the like: the transaction is rolled back all the same.
        result = ended(TRAWLER_PARSE_DATABASE_ERROR, kWrong, std::string("Parse failed: ") + e.what());
    }
    try {
        listener.message(result.caption, result.text);
    } catch (...) {
        // A host's failure to show the message does not change how the run ended.
    }
    return result;
}

RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener)
{
    return runParse(captureFile, databaseFile, listener, RunOptions{});
}

} // namespace trawler::parse
