#pragma once
#include <cstddef>
#include <cstdint>

namespace trawler::parse {

// Read-only view of one captured frame. Every read names its offset and width
// and is checked against the captured length: a field that was not captured
// reads as absent (has() false, value 0) and no byte past the capture is ever
// touched. Multi-byte fields are in network byte order.
class FrameView {
public:
    FrameView(const std::uint8_t* data, std::size_t capturedLength)
        : m_data(data), m_size(data ? capturedLength : 0)
    {
    }

    std::size_t size() const { return m_size; }

    // True when bytes [offset, offset + width) were captured.
    bool has(std::size_t offset, std::size_t width) const
    {
        return offset <= m_size && width <= m_size - offset;
    }

    std::uint8_t u8(std::size_t offset) const { return has(offset, 1) ? m_data[offset] : 0; }

    std::uint16_t be16(std::size_t offset) const
    {
        if (!has(offset, 2))
            return 0;
        return static_cast<std::uint16_t>((m_data[offset] << 8) | m_data[offset + 1]);
    }

    std::uint32_t be32(std::size_t offset) const
    {
        if (!has(offset, 4))
            return 0;
        return (std::uint32_t{m_data[offset]} << 24) | (std::uint32_t{m_data[offset + 1]} << 16)
            | (std::uint32_t{m_data[offset + 2]} << 8) | std::uint32_t{m_data[offset + 3]};
    }

    // Copies `width` bytes at `offset` into `out`; false (and `out` zeroed)
    // when they were not all captured.
    bool copy(std::size_t offset, std::size_t width, std::uint8_t* out) const
    {
        const bool ok = has(offset, width);
        for (std::size_t i = 0; i < width; ++i)
            out[i] = ok ? m_data[offset + i] : 0;
        return ok;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace trawler::parse
