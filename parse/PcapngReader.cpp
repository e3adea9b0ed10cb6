#include "PcapngReader.h"

#include <algorithm>
#include <limits>

namespace trawler::parse {

namespace {

// Block types and option codes of the pcapng format.
constexpr std::uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceDescription = 1;
constexpr std::uint32_t kObsoletePacket = 2;
constexpr std::uint32_t kSimplePacket = 3;
constexpr std::uint32_t kEnhancedPacket = 6;
constexpr std::uint16_t kOptionEnd = 0;
constexpr std::uint16_t kOptionTsResolution = 9;
constexpr std::uint16_t kOptionTsOffset = 14;
constexpr std::uint16_t kLinkTypeEthernet = 1;

// Header (type, length) and trailer (length) around a block's body.
constexpr std::uint32_t kBlockOverhead = 12;
// Larger blocks are taken as a damaged length rather than buffered.
constexpr std::uint32_t kMaxBlockLength = 16u << 20;
// Offsets of the fixed fields of the blocks that are read.
constexpr std::size_t kSectionMinBody = 16;      // magic, versions, section length
constexpr std::size_t kInterfaceMinBody = 8;     // link type, reserved, snapshot length
constexpr std::size_t kEnhancedDataAt = 20;      // interface, time (2 x 32), captured, wire
constexpr std::size_t kObsoleteDataAt = 20;      // interface (16), drops (16), time, captured, wire
constexpr std::size_t kSimpleDataAt = 4;         // wire length

std::uint32_t swap32(std::uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

} // namespace

PcapngInterfaces scanPcapngInterfaces(std::FILE* file)
{
    PcapngInterfaces result;
    PcapngReader reader(file);
    result.walked = reader.scanInterfaces(result.linkTypes);
    std::rewind(file);
    return result;
}

bool PcapngReader::scanInterfaces(std::vector<std::uint16_t>& linkTypes)
{
    for (;;) {
        std::uint32_t type = 0;
        if (!readBlock(type))
            return m_error.empty();
        if (type == kInterfaceDescription)
            linkTypes.push_back(u16(0));
    }
}

ReadStatus PcapngReader::fail(std::string text)
{
    m_error = std::move(text);
    return ReadStatus::Error;
}

std::uint16_t PcapngReader::u16(std::size_t at) const
{
    const std::uint8_t* p = m_block.data() + at;
    return m_bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1]) : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}

std::uint32_t PcapngReader::u32(std::size_t at) const
{
    const std::uint8_t* p = m_block.data() + at;
    const std::uint32_t little = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16
        | std::uint32_t{p[3]} << 24;
    return m_bigEndian ? swap32(little) : little;
}

std::uint64_t PcapngReader::u64(std::size_t at) const
{
    const std::uint64_t first = u32(at);
    const std::uint64_t second = u32(at + 4);
    return m_bigEndian ? (first << 32 | second) : (second << 32 | first);
}

// Reads the next block's body into m_block. False at the end of the file
// (m_error empty) or on a damaged block (m_error set).
bool PcapngReader::readBlock(std::uint32_t& type)
{
    std::uint8_t header[8];
    const std::size_t got = std::fread(header, 1, sizeof header, m_file);
    if (got == 0 && std::feof(m_file))
        return false;
    if (got != sizeof header) {
        fail(std::ferror(m_file) ? "the capture file cannot be read" : "the file ends in the middle of a block");
        return false;
    }
    m_block.assign(header, header + sizeof header);
    std::uint8_t magic[4] = {};
    if (u32(0) == kSectionHeader) {
        // The byte order of a section is given by its magic, the body's first
        // four bytes; the block length before it is already in that order.
        if (std::fread(magic, 1, sizeof magic, m_file) != sizeof magic) {
            fail("the file ends in the middle of a section header");
            return false;
        }
        if (magic[0] == 0x1A && magic[1] == 0x2B && magic[2] == 0x3C && magic[3] == 0x4D)
            m_bigEndian = true;
        else if (magic[0] == 0x4D && magic[1] == 0x3C && magic[2] == 0x2B && magic[3] == 0x1A)
            m_bigEndian = false;
        else {
            fail("a section header has no byte-order magic");
            return false;
        }
        m_offset += sizeof magic;
    }
    type = u32(0);
    const std::uint32_t length = u32(4);
    if (length < kBlockOverhead || length % 4 != 0 || length > kMaxBlockLength) {
        fail("a block has the impossible length " + std::to_string(length));
        return false;
    }
    const std::size_t bodyStart = type == kSectionHeader ? 4 : 0;
    const std::size_t body = length - kBlockOverhead;
    if (body < bodyStart) {
        fail("a section header is too short");
        return false;
    }
    m_block.resize(body + 4);
    if (bodyStart)
        std::copy(magic, magic + sizeof magic, m_block.begin());
    const std::size_t rest = body + 4 - bodyStart; // the remaining body and the trailing length
    if (std::fread(m_block.data() + bodyStart, 1, rest, m_file) != rest) {
        fail("the file ends in the middle of a block");
        return false;
    }
    if (u32(body) != length) {
        fail("a block's trailing length does not match its leading one");
        return false;
    }
    m_block.resize(body);
    m_offset += sizeof header + rest;

    if (type == kSectionHeader)
        return startSection();
    if (type == kInterfaceDescription) {
        if (!m_inSection || m_block.size() < kInterfaceMinBody) {
            fail("an interface description is damaged or outside a section");
            return false;
        }
        addInterface();
    }
    return true;
}

bool PcapngReader::startSection()
{
    if (m_block.size() < kSectionMinBody || u16(4) != 1) {
        fail("a section header is damaged or of an unsupported version");
        return false;
    }
    // Interface numbers start again in every section.
    m_interfaces.clear();
    m_inSection = true;
    return true;
}

void PcapngReader::addInterface()
{
    Interface iface;
    iface.linkType = u16(0);
    iface.snapLength = u32(4);
    std::size_t at = kInterfaceMinBody;
    while (at + 4 <= m_block.size()) {
        const std::uint16_t code = u16(at);
        const std::uint16_t length = u16(at + 2);
        const std::size_t value = at + 4;
        if (code == kOptionEnd || value + length > m_block.size())
            break;
        if (code == kOptionTsResolution && length >= 1) {
            iface.binaryResolution = (m_block[value] & 0x80) != 0;
            iface.resolution = m_block[value] & 0x7f;
        } else if (code == kOptionTsOffset && length >= 8) {
            iface.offsetSeconds = static_cast<std::int64_t>(u64(value));
        }
        at = value + ((length + 3u) & ~3u);
    }
    m_interfaces.push_back(iface);
}

std::int64_t PcapngReader::secondsOf(const Interface& iface, std::uint64_t stamp) const
{
    std::uint64_t seconds = 0;
    if (iface.binaryResolution) {
        seconds = iface.resolution < 64 ? stamp >> iface.resolution : 0;
    } else {
        std::uint64_t units = 1;
        for (int i = 0; i < iface.resolution && units <= std::numeric_limits<std::uint64_t>::max() / 10; ++i)
            units *= 10;
        seconds = stamp / units;
    }
    const std::int64_t whole = seconds > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())
        ? std::numeric_limits<std::int64_t>::max()
        : static_cast<std::int64_t>(seconds);
    std::int64_t shifted = 0;
    // Beyond the range every such time has no text form anyway.
    if (__builtin_add_overflow(whole, iface.offsetSeconds, &shifted))
        return iface.offsetSeconds < 0 ? std::numeric_limits<std::int64_t>::min()
                                       : std::numeric_limits<std::int64_t>::max();
    return shifted;
}

ReadStatus PcapngReader::packet(std::uint32_t interfaceId, std::uint64_t stamp, std::uint32_t captured,
                                std::uint32_t wire, std::size_t dataAt, CaptureRecord& record)
{
    if (interfaceId >= m_interfaces.size())
        return fail("a packet names interface " + std::to_string(interfaceId) + ", which its section does not describe");
    if (dataAt > m_block.size() || captured > m_block.size() - dataAt)
        return fail("a packet is longer than its block");
    const Interface& iface = m_interfaces[interfaceId];
    if (iface.linkType != kLinkTypeEthernet) {
        ++m_skipped;
        return ReadStatus::End; // not a record: the caller reads on
    }
    record.seconds = secondsOf(iface, stamp);
    record.data = m_block.data() + dataAt;
    record.captured = captured;
    record.wire = wire;
    return ReadStatus::Record;
}

ReadStatus PcapngReader::next(CaptureRecord& record)
{
    for (;;) {
        std::uint32_t type = 0;
        if (!readBlock(type))
            return m_error.empty() ? ReadStatus::End : ReadStatus::Error;
        ReadStatus status = ReadStatus::End;
        if (type == kEnhancedPacket) {
            if (m_block.size() < kEnhancedDataAt)
                return fail("a packet block is too short");
            status = packet(u32(0), std::uint64_t{u32(4)} << 32 | u32(8), u32(12), u32(16), kEnhancedDataAt, record);
        } else if (type == kObsoletePacket) {
            if (m_block.size() < kObsoleteDataAt)
                return fail("a packet block is too short");
            status = packet(u16(0), std::uint64_t{u32(4)} << 32 | u32(8), u32(12), u32(16), kObsoleteDataAt, record);
        } else if (type == kSimplePacket) {
            // No interface number and no time: interface 0, time 0. The
            // captured part is what the block and the snapshot length allow.
            if (m_block.size() < kSimpleDataAt || m_interfaces.empty())
                return fail("a simple packet block is damaged or precedes every interface");
            const std::uint32_t wire = u32(0);
            std::uint32_t captured = static_cast<std::uint32_t>(m_block.size() - kSimpleDataAt);
            if (wire < captured)
                captured = wire;
            if (m_interfaces[0].snapLength != 0 && m_interfaces[0].snapLength < captured)
                captured = m_interfaces[0].snapLength;
            status = packet(0, 0, captured, wire, kSimpleDataAt, record);
        } else {
            continue; // statistics, name resolution, custom blocks and the like
        }
        if (status != ReadStatus::End)
            return status;
    }
}

} // namespace trawler::parse
