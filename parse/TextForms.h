#pragma once
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string_view>

namespace trawler::parse {

// The stored text forms, written into caller-owned buffers (no allocation:
// they run for every frame).

constexpr std::size_t kIpv4TextSize = 16; // "255.255.255.255" and a NUL
constexpr std::size_t kMacTextSize = 18;  // "00-0c-29-3a-5f-01" and a NUL
constexpr std::size_t kTimeTextSize = 30; // the char(30) time columns

// Dotted decimal without leading zeros; `address` holds the four bytes in
// wire order, the first in the top bits. Returns the text's length.
std::size_t formatIpv4(std::uint32_t address, char (&out)[kIpv4TextSize]);

// Six lower-case two-digit hexadecimal bytes joined by hyphens.
std::size_t formatMac(const std::uint8_t (&mac)[6], char (&out)[kMacTextSize]);

// Local time of a capture timestamp as "%Y-%m-%d %H:%M:%S", or an empty text
// for a time before 1970 or after the year 9999. Frames come in
// runs of the same second, so the text is remade (localtime_r) only when the
// second changes.
class TimeTextCache {
public:
    TimeTextCache();
    std::string_view text(std::int64_t seconds);

private:
    std::int64_t m_seconds = 0;
    bool m_valid = false;
    std::size_t m_length = 0;
    char m_text[kTimeTextSize] = {};
};

} // namespace trawler::parse
