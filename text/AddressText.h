#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace trawler::text {

// The stored text forms of addresses, written into caller-owned buffers (no
// allocation: the parser makes them for every frame).

constexpr std::size_t kIpv4TextSize = 16; // "255.255.255.255" and a NUL
constexpr std::size_t kMacTextSize = 18;  // "00-0c-29-3a-5f-01" and a NUL

// Dotted decimal without leading zeros; `address` holds the four bytes in
// wire order, the first in the top bits. Returns the text's length.
std::size_t formatIpv4(std::uint32_t address, char (&out)[kIpv4TextSize]);

// Six lower-case two-digit hexadecimal bytes joined by hyphens.
std::size_t formatMac(const std::uint8_t (&mac)[6], char (&out)[kMacTextSize]);

// A dotted IPv4 address as exactly four decimal numbers 0 to 255 without
// leading zeros (a leading zero reads as octal to some tools, so "010" is
// refused rather than guessed) and nothing else, not even white space. The
// four bytes with the first on top, or nullopt.
std::optional<std::uint32_t> parseIpv4(std::string_view text);

} // namespace trawler::text
