#include "ParseRun.h"

#include "FrameDecoder.h"
#include "RowWriter.h"
#include "SummaryFeed.h"
#include "TextForms.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/ParseWriting.h"

#include <pcap/pcap.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <optional>

namespace trawler::parse {

namespace {

constexpr std::string_view kWrong = "Wrong";
constexpr std::string_view kFinish = "Finish";
constexpr std::string_view kAlreadyStored = "The selected file has been decoded and stored.";
constexpr std::string_view kOpenFailed = "Error opening dump file.";
constexpr std::string_view kNotEthernet = "Not Ethernet.";
constexpr std::string_view kComplete = "File parsing complete.";
constexpr int kLinkTypeEthernet = 1; // DLT_EN10MB
constexpr std::uint64_t kProgressEveryFrames = 8192;

struct PcapCloser {
    void operator()(pcap_t* p) const { pcap_close(p); }
};
using PcapHandle = std::unique_ptr<pcap_t, PcapCloser>;

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

std::uint64_t fileSizeOf(pcap_t* capture)
{
    FILE* file = pcap_file(capture);
    struct stat st {};
    if (file && ::fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode))
        return static_cast<std::uint64_t>(st.st_size);
    return 0;
}

std::uint64_t bytesReadOf(pcap_t* capture)
{
    FILE* file = pcap_file(capture);
    const long pos = file ? std::ftell(file) : -1;
    return pos > 0 ? static_cast<std::uint64_t>(pos) : 0;
}

RunResult ended(TrawlerParseOutcome outcome, std::string_view caption, std::string text)
{
    RunResult r;
    r.outcome = outcome;
    r.caption = std::string(caption);
    r.text = std::move(text);
    return r;
}

// The run proper. Returns the message to send; everything it holds (the
// transaction, the connection, the capture handle) is released on return.
RunResult runHeld(const std::string& captureFile, const std::string& databaseFile, RunListener& listener)
{
    const db::ParseWritingMark writing(databaseFile);
    db::Database database(databaseFile);
    database.tuneForBulkWrite();
    db::Transaction transaction(database);
    RowWriter writer(database);
    db::SummaryWriter summary = summaryWriterFor(database);

    // Checked and recorded inside the transaction, so two runs on the same
    // file cannot both pass the check.
    if (writer.isRecorded(captureFile))
        return ended(TRAWLER_PARSE_ALREADY_STORED, kWrong, std::string(kAlreadyStored));
    writer.recordHistory(captureFile);

    char errorBuffer[PCAP_ERRBUF_SIZE] = {};
    PcapHandle capture(pcap_open_offline(captureFile.c_str(), errorBuffer));
    if (!capture)
        return ended(TRAWLER_PARSE_OPEN_FAILED, kWrong, std::string(kOpenFailed));
    if (pcap_datalink(capture.get()) != kLinkTypeEthernet)
        return ended(TRAWLER_PARSE_NOT_ETHERNET, kWrong, std::string(kNotEthernet));

    const std::uint64_t fileSize = fileSizeOf(capture.get());
    RunCounters counters;
    TimeTextCache times;
    std::optional<std::string> startTime;
    std::string_view endTime;
    std::optional<std::string> readError;

    for (;;) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int rc = pcap_next_ex(capture.get(), &header, &data);
        if (rc == PCAP_ERROR_BREAK)
            break;
        if (rc == PCAP_ERROR) {
            readError = pcap_geterr(capture.get());
            break;
        }
        if (rc != 1 || !header)
            continue;

        // Every frame, even one too short for anything, is counted and moves
        // the end time.
        const std::string_view time = times.text(static_cast<std::int64_t>(header->ts.tv_sec));
        if (!startTime)
            startTime = std::string(time);
        endTime = time;
        ++counters.total;

        const DecodedFrame frame = decodeFrame(data, data ? header->caplen : 0, header->len);
        counters.count(frame);
        writer.writeFrame(frame, time);
        feedSummary(summary, frame, time);

        if (counters.total % kProgressEveryFrames == 0)
            listener.progress(bytesReadOf(capture.get()), fileSize, static_cast<std::uint64_t>(counters.total));
    }
    listener.progress(readError ? bytesReadOf(capture.get()) : fileSize, fileSize,
                      static_cast<std::uint64_t>(counters.total));

    std::optional<std::string> endText;
    if (startTime)
        endText = std::string(endTime);
    summary.finish();
    writer.writeCounters(counters, startTime, endText);
    transaction.commit();

    RunResult result;
    result.counters = counters;
    result.caption = std::string(kFinish);
    result.text = std::string(kComplete);
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
    if (characterCount(captureFile) > kMaxCapturePathCharacters)
        return ended(TRAWLER_PARSE_BAD_ARGUMENT, kWrong,
                     "The capture file path is longer than " + std::to_string(kMaxCapturePathCharacters)
                         + " characters and cannot be recorded; move or rename the file and parse it again.");
    RunResult ok;
    ok.outcome = TRAWLER_PARSE_COMPLETE;
    return ok;
}

} // namespace

RunResult runParse(const std::string& captureFile, const std::string& databaseFile, RunListener& listener)
{
    RunResult result = checkArguments(captureFile, databaseFile);
    if (result.outcome == TRAWLER_PARSE_COMPLETE) {
        try {
            result = runHeld(captureFile, databaseFile, listener);
        } catch (const db::DbError& e) {
            result = ended(TRAWLER_PARSE_DATABASE_ERROR, kWrong, "Database error: " + e.description());
        } catch (const std::exception& e) {
            // Out of memory and the like: the transaction is rolled back all the same.
            result = ended(TRAWLER_PARSE_DATABASE_ERROR, kWrong, std::string("Parse failed: ") + e.what());
        }
    }
    try {
        listener.message(result.caption, result.text);
    } catch (...) {
        // A host's failure to show the message does not change how the run ended.
    }
    return result;
}

} // namespace trawler::parse
