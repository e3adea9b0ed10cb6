#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace trawler::parse {

// One record as the run takes it: time in whole seconds since 1970 (UTC),
// the captured bytes and the length the frame had on the wire.
struct CaptureRecord {
    std::int64_t seconds = 0;
    const std::uint8_t* data = nullptr;
    std::uint32_t captured = 0;
    std::uint32_t wire = 0;
};

enum class ReadStatus { Record, End, Error };

// The link types named by the interface descriptions of a pcapng file, in
// file order, up to the end or to the first damaged block (then `walked` is
// false). The file is read to its end and rewound.
struct PcapngInterfaces {
    bool walked = false;
    std::vector<std::uint16_t> linkTypes;
};
PcapngInterfaces scanPcapngInterfaces(std::FILE* file);

// A pcapng reader (the block format of draft-ietf-opsawg-pcapng) for the
// files that libpcap refuses: those whose interfaces have different link
// types. Records of Ethernet interfaces are handed on; the others are counted
// and skipped. Reads sequentially from the file's current position (its
// start); every length comes from the file and is checked before use.
class PcapngReader {
public:
    explicit PcapngReader(std::FILE* file) : m_file(file) {}

    ReadStatus next(CaptureRecord& record);
    // Walks every block to its end, collecting the interfaces' link types;
    // false when a block is damaged.
    bool scanInterfaces(std::vector<std::uint16_t>& linkTypes);
    const std::string& error() const { return m_error; }
    std::uint64_t bytesRead() const { return m_offset; }
    std::uint64_t skippedRecords() const { return m_skipped; }

private:
    struct Interface {
        std::uint16_t linkType = 0;
        std::uint32_t snapLength = 0;
        // Time stamps count units of 10^-n or 2^-n seconds (if_tsresol).
        bool binaryResolution = false;
        std::uint8_t resolution = 6;
        std::int64_t offsetSeconds = 0; // if_tsoffset
    };

    ReadStatus fail(std::string text);
    bool readBlock(std::uint32_t& type);
    std::uint16_t u16(std::size_t at) const;
    std::uint32_t u32(std::size_t at) const;
    std::uint64_t u64(std::size_t at) const;
    bool startSection();
    void addInterface();
    ReadStatus packet(std::uint32_t interfaceId, std::uint64_t stamp, std::uint32_t captured, std::uint32_t wire,
                      std::size_t dataAt, CaptureRecord& record);
    std::int64_t secondsOf(const Interface& iface, std::uint64_t stamp) const;

    std::FILE* m_file;
    std::vector<std::uint8_t> m_block; // the current block's body
    bool m_bigEndian = false;          // the current section's byte order
    bool m_inSection = false;
    std::vector<Interface> m_interfaces;
    std::uint64_t m_offset = 0;
    std::uint64_t m_skipped = 0;
    std::string m_error;
};

} // namespace trawler::parse
