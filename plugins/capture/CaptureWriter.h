#pragma once
// Writes one capture file (libpcap file format) and notices at once when the
// file stops taking data: every write is checked, so a full disk ends the
// file at its last whole record instead of leaving a silently short file
// behind a growing packet count.
#include <pcap/pcap.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trawler::capture {

class CaptureWriter {
public:
    CaptureWriter() = default;
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    // Takes over `fd` (a new, empty file at `path`), locks it and writes the
    // file header. False with error() set when the header cannot be written;
    // the descriptor is then closed and the caller removes the file.
    bool open(int fd, std::string path, int linkType, int snapLength);

    // Appends one record. Records are buffered and reach the file at flush(),
    // or earlier when the buffer is full. False once the file has failed.
    bool write(const pcap_pkthdr& header, const u_char* bytes);

    // Writes the buffered records and checks that the file still has a name
    // in the file system. On the first failure the file is cut back to its
    // last whole record and every later call fails with the same error.
    bool flush();

    // Flushes, releases the lock and closes. False with error() set when the
    // file failed now or earlier. Safe to call twice.
    bool close();

    bool isOpen() const { return m_fd >= 0; }
    bool failed() const { return !m_error.empty(); }
    // True when the failure is that the file (or its folder) was removed.
    bool removed() const { return m_removed; }
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }
    // Records in the file, counting buffered ones until a failure; after a
    // failure, the records the file really holds.
    std::uint64_t packets() const { return m_committedPackets + m_pendingEnds.size(); }
    // Size of the file once the buffer is written.
    std::uint64_t bytes() const { return m_committedBytes + m_buffer.size(); }

    static constexpr std::uint64_t kFileHeaderBytes = 24;
    static constexpr std::uint64_t kRecordHeaderBytes = 16;

private:
    bool fail(const char* verb, int error);
    bool writeBuffer();

    int m_fd = -1;
    std::string m_path;
    std::string m_error;
    bool m_removed = false;
    std::vector<unsigned char> m_buffer;
    std::vector<std::size_t> m_pendingEnds; // end offset of each record in m_buffer
    std::uint64_t m_committedBytes = 0;
    std::uint64_t m_committedPackets = 0;
};

} // namespace trawler::capture
