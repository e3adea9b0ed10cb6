#pragma once
#include "PcapngReader.h"

#include "parse/ParseApi.h"

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct pcap;

namespace trawler::parse {

// Why a capture file is not read at all; the run's message and outcome.
struct OpenRefusal {
    TrawlerParseOutcome outcome;
    std::string text;
};

// The capture file of one run, open for reading. Opening resolves the path
// to its canonical form (the name recorded in history), accepts only a
// regular file (a FIFO would block the run for ever), refuses a file another
// process holds an exclusive advisory lock on (a capture still being written)
// and remembers its size and modification time, so that a change while the
// run reads it can be noticed.
//
// libpcap reads the file unless it is a pcapng file whose interfaces have
// different link types, which libpcap refuses; such a file is read here, its
// Ethernet interfaces' records taken and the others skipped.
class CaptureFile {
public:
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    std::optional<OpenRefusal> open(const std::string& path);

    const std::string& canonicalPath() const { return m_canonical; }
    ReadStatus next(CaptureRecord& record);
    // libpcap's or the pcapng reader's description of a reading error.
    const std::string& readError() const { return m_readError; }
    std::uint64_t bytesRead() const;
    std::uint64_t size() const { return static_cast<std::uint64_t>(m_opened.st_size); }
    std::uint64_t skippedRecords() const { return m_pcapng ? m_pcapng->skippedRecords() : 0; }
    // True when the file's size or modification time is no longer what it
    // was when it was opened (or it can no longer be examined).
    bool changedSinceOpen() const;

private:
    std::optional<OpenRefusal> openStream();
    void close();

    std::string m_canonical;
    int m_fd = -1;
    std::FILE* m_file = nullptr; // owns m_fd once made
    pcap* m_pcap = nullptr;      // owns m_file once made
    std::unique_ptr<PcapngReader> m_pcapng;
    bool m_classicFormat = false;
    struct stat m_opened {};
    std::string m_readError;
};

} // namespace trawler::parse
