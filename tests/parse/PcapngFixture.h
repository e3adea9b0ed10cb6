#pragma once
// Hand-made pcapng files: sections, interface descriptions and packet blocks
// in either byte order, for files that libpcap would not write (interfaces of
// different link types).
#include "CaptureFixture.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace trawler::test {

class PcapngFile {
public:
    explicit PcapngFile(bool bigEndian = false) : m_bigEndian(bigEndian) {}

    PcapngFile& section()
    {
        Body b(*this);
        b.u32(0x1A2B3C4D).u16(1).u16(0).u32(0xffffffff).u32(0xffffffff); // section length unknown
        return block(0x0A0D0D0A, b.bytes);
    }

    // An interface; resolution is the if_tsresol byte, offset if_tsoffset.
    PcapngFile& interface(std::uint16_t linkType, std::optional<std::uint8_t> resolution = std::nullopt,
                          std::optional<std::int64_t> offsetSeconds = std::nullopt)
    {
        Body b(*this);
        b.u16(linkType).u16(0).u32(65535);
        if (resolution)
            b.u16(9).u16(1).u8(*resolution).u8(0).u8(0).u8(0);
        if (offsetSeconds)
            b.u16(14).u16(8).u64(static_cast<std::uint64_t>(*offsetSeconds));
        b.u16(0).u16(0);
        return block(1, b.bytes);
    }

    // An enhanced packet block; `stamp` counts the interface's time units.
    PcapngFile& packet(std::uint32_t interfaceId, std::uint64_t stamp, const Frame& frame, std::uint32_t wire = 0)
    {
        Body b(*this);
        b.u32(interfaceId).u32(static_cast<std::uint32_t>(stamp >> 32)).u32(static_cast<std::uint32_t>(stamp));
        b.u32(static_cast<std::uint32_t>(frame.size())).u32(wire ? wire : static_cast<std::uint32_t>(frame.size()));
        b.raw(frame.data());
        return block(6, b.bytes);
    }

    PcapngFile& simplePacket(const Frame& frame)
    {
        Body b(*this);
        b.u32(static_cast<std::uint32_t>(frame.size())).raw(frame.data());
        return block(3, b.bytes);
    }

    // A block of another type (statistics, custom) that readers skip.
    PcapngFile& other(std::uint32_t type, std::size_t size)
    {
        return block(type, std::vector<std::uint8_t>(size, 0x5a));
    }

    void write(const std::string& path, std::size_t cutLastBytes = 0) const
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(m_bytes.data()),
                  static_cast<std::streamsize>(m_bytes.size() - cutLastBytes));
    }

private:
    struct Body {
        explicit Body(const PcapngFile& file) : bigEndian(file.m_bigEndian) {}
        Body& u8(std::uint8_t v)
        {
            bytes.push_back(v);
            return *this;
        }
        Body& u16(std::uint16_t v)
        {
            return bigEndian ? u8(v >> 8).u8(v & 0xff) : u8(v & 0xff).u8(v >> 8);
        }
        Body& u32(std::uint32_t v)
        {
            return bigEndian ? u16(v >> 16).u16(v & 0xffff) : u16(v & 0xffff).u16(v >> 16);
        }
        Body& u64(std::uint64_t v)
        {
            return bigEndian ? u32(static_cast<std::uint32_t>(v >> 32)).u32(static_cast<std::uint32_t>(v))
                             : u32(static_cast<std::uint32_t>(v)).u32(static_cast<std::uint32_t>(v >> 32));
        }
        Body& raw(const std::vector<std::uint8_t>& data)
        {
            bytes.insert(bytes.end(), data.begin(), data.end());
            while (bytes.size() % 4)
                bytes.push_back(0);
            return *this;
        }
        bool bigEndian;
        std::vector<std::uint8_t> bytes;
    };

    PcapngFile& block(std::uint32_t type, std::vector<std::uint8_t> body)
    {
        while (body.size() % 4)
            body.push_back(0);
        const auto length = static_cast<std::uint32_t>(body.size() + 12);
        Body b(*this);
        b.u32(type).u32(length).raw(body).u32(length);
        m_bytes.insert(m_bytes.end(), b.bytes.begin(), b.bytes.end());
        return *this;
    }

    bool m_bigEndian;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace trawler::test
