#pragma once
// Writes Ethernet frames into a libpcap capture file. The frames go to a
// temporary file next to the target, renamed over it only when everything has
// been written and flushed, so a failed run never leaves a half file behind.
#include <cstdint>
#include <stdexcept>
#include <string>

struct pcap;
struct pcap_dumper;

namespace trawler::capgen {

class CaptureWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CaptureWriter {
public:
    // snapLength: the most bytes of a frame stored (the record's captured
    // length); the wire length always stays the frame's full length.
    CaptureWriter(const std::string& path, std::uint32_t snapLength);
    ~CaptureWriter();
    CaptureWriter(const CaptureWriter&) = delete;
    CaptureWriter& operator=(const CaptureWriter&) = delete;

    void write(std::uint64_t timeMicros, const std::uint8_t* data, std::size_t size);
    // Flushes, closes and moves the file into place; throws CaptureWriteError.
    void commit();

    std::uint64_t frames() const { return m_frames; }
    std::uint64_t bytes() const { return m_bytes; }

private:
    void discard();

    std::string m_path;
    std::string m_tempPath;
    std::uint32_t m_snapLength;
    pcap* m_pcap = nullptr;
    pcap_dumper* m_dumper = nullptr;
    std::uint64_t m_frames = 0;
    std::uint64_t m_bytes = 0;
};

} // namespace trawler::capgen
