#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace trawler::reports {

// Widest valid texts, which are also the widths the ipmac table stores.
inline constexpr std::size_t kMaxIpLength = 15;    // 255.255.255.255
inline constexpr std::size_t kMaxMacLength = 17;   // 00-0c-29-3a-5f-01

// A dotted IPv4 address: four decimal numbers 0 to 255 without leading zeros
// (a leading zero reads as octal to some tools, so "010" is refused rather
// than guessed). Returns it unchanged, or nullopt.
std::optional<std::string> normaliseIpv4(std::string_view text);

// Six bytes of two hexadecimal digits each, separated throughout by "-" or
// throughout by ":", in either letter case. Returns the form the parser
// stores (lower case, "-": 00-0c-29-3a-5f-01), or nullopt.
std::optional<std::string> normaliseMac(std::string_view text);

struct IpMacInput {
    std::string ip;
    std::string mac;
};

// The two texts of the IP-MAC dialog (or the command line), checked before
// any database work. White space around either text is ignored. On success
// `value` holds the normalised pair; otherwise `message` says what is wrong
// (overlong texts get a message of their own), `wrong` which of the two texts
// it is about (the IP when both are), and nothing may be written.
struct IpMacCheck {
    enum class Field { None, Ip, Mac };
    std::optional<IpMacInput> value;
    std::string message;
    Field wrong = Field::None;
    bool ok() const { return value.has_value(); }
};
IpMacCheck checkIpMacInput(std::string_view ip, std::string_view mac);

// True when two MAC texts name the same address: equal after trailing blanks
// are cut, or both valid and equal once normalised (so "00:0C:29:..." equals
// "00-0c-29-...").
bool sameMac(std::string_view a, std::string_view b);

} // namespace trawler::reports
