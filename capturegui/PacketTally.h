#pragma once
// Counts the packets in a capture file that is still being written, reading
// only what was added since the last look: a status pane can show how many
// packets a running capture has stored so far. Classic capture-file layout:
// a 24-byte file header, then per packet a 16-byte record header whose bytes
// 8..11 give the stored length (in the file's byte order), then the data.
#include <cstdint>
#include <string>

class PacketTally {
public:
    explicit PacketTally(std::string path = {}) : m_path(std::move(path)) {}
    // Reads what the file gained and returns the packets complete so far. A
    // file too short, of another layout or unreadable counts what was seen.
    std::uint64_t update();
    std::uint64_t packets() const { return m_packets; }

private:
    std::string m_path;
    std::uint64_t m_offset = 0;   // start of the next record header
    std::uint64_t m_packets = 0;
    bool m_headerRead = false;
    bool m_swapped = false;
    bool m_unknown = false;       // not a layout this counts
};
