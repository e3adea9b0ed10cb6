#include "PacketTally.h"

#include <array>
#include <fstream>

namespace {

// Magic numbers of the classic layout: microsecond and nanosecond stamps.
constexpr std::uint32_t kMagicMicro = 0xa1b2c3d4;
constexpr std::uint32_t kMagicNano = 0xa1b23c4d;
constexpr std::uint64_t kFileHeader = 24;
constexpr std::uint64_t kRecordHeader = 16;
// A stored length beyond this is a damaged file, not a packet.
constexpr std::uint32_t kMaxRecord = 256u * 1024u * 1024u;

std::uint32_t readU32(const unsigned char* p, bool swapped)
{
    const std::uint32_t little = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                                 std::uint32_t(p[3]) << 24;
    const std::uint32_t big = std::uint32_t(p[3]) | std::uint32_t(p[2]) << 8 | std::uint32_t(p[1]) << 16 |
                              std::uint32_t(p[0]) << 24;
    return swapped ? big : little;
}

} // namespace

std::uint64_t PacketTally::update()
{
    if (m_unknown || m_path.empty())
        return m_packets;
    std::ifstream in(m_path, std::ios::binary);
    if (!in)
        return m_packets;
    std::array<unsigned char, kFileHeader> header{};
    if (!m_headerRead) {
        if (!in.read(reinterpret_cast<char*>(header.data()), kFileHeader))
            return m_packets;
        const std::uint32_t magic = readU32(header.data(), false);
        if (magic == kMagicMicro || magic == kMagicNano)
            m_swapped = false;
        else if (readU32(header.data(), true) == kMagicMicro || readU32(header.data(), true) == kMagicNano)
            m_swapped = true;
        else {
            m_unknown = true;
            return m_packets;
        }
        m_headerRead = true;
        m_offset = kFileHeader;
    }
    in.seekg(0, std::ios::end);
    const std::uint64_t size = std::uint64_t(in.tellg());
    std::array<unsigned char, kRecordHeader> record{};
    while (m_offset + kRecordHeader <= size) {
        in.seekg(std::streamoff(m_offset));
        if (!in.read(reinterpret_cast<char*>(record.data()), kRecordHeader))
            break;
        const std::uint32_t stored = readU32(record.data() + 8, m_swapped);
        if (stored > kMaxRecord) {
            m_unknown = true;
            break;
        }
        if (m_offset + kRecordHeader + stored > size)
            break;  // the writer has not finished this packet yet
        m_offset += kRecordHeader + stored;
        ++m_packets;
    }
    return m_packets;
}
