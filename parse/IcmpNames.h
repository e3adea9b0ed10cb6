#pragma once
#include <cstdint>
#include <string_view>

namespace trawler::parse {

// The texts stored in icmp.Type and icmp.Code. Reports select rows by these
// exact texts, letter case included, so they are part of the stored format.
struct IcmpName {
    std::string_view type;
    std::string_view code; // empty: the Code column stays NULL
};

// Names an ICMP type byte and code byte (RFC 792 and its successors). Every
// type above 30 and every type without a name of its own is "Other Types"
// with no code.
IcmpName icmpName(std::uint8_t type, std::uint8_t code);

} // namespace trawler::parse
