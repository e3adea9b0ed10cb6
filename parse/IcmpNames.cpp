#include "IcmpNames.h"

#include <array>

namespace trawler::parse {

namespace {

constexpr std::string_view kOtherTypes = "Other Types";
constexpr std::string_view kNoCode = "No Code";

// A type whose codes have names of its own: the names of codes 0..n-1 and the
// text of every code from n up.
struct CodeTable {
    const std::string_view* names;
    std::uint8_t count;
    std::string_view beyond;
};

constexpr std::string_view kUnreachableCodes[] = {
    "Net Unreachable",
    "Host Unreachable",
    "Protocol Unreachable",
    "Port Unreachable",
    "Fragmentation needed and DF set",
    "Source Route Failed",
    "Dest Network Unknown",
    "Dest Host Unknown",
    "Source Host Isolated",
    "Communicate with dest network is prohibited",
    "Communicate with dest host is prohibited",
    "Dest network unreachable for Type of Service",
    "Dest host unreachable for Type of Service",
    "Communication Administratively Prohibited",
    "Host Precedence Violation",
    "Precedence cutoff in effect",
};

constexpr std::string_view kRedirectCodes[] = {
    "Redirect datagram for the network",
    "Redirect datagram for the host",
    "Redirect datagram for type of service and network",
    "Redirect datagram for type of service and host",
};

constexpr std::string_view kTimeExceededCodes[] = {
    "TTL exceeded in Transit",
    "Fragment Reassembly Time Exceeded",
};

// "Bad lenth" is the stored text as the reports know it; do not correct it.
constexpr std::string_view kParameterProblemCodes[] = {
    "Pointer indicates the error",
    "Missing a Required Option",
    "Bad lenth",
};

template <std::size_t N>
constexpr CodeTable codes(const std::string_view (&names)[N], std::string_view beyond)
{
    return {names, static_cast<std::uint8_t>(N), beyond};
}

struct TypeEntry {
    std::string_view type;          // empty: "Other Types"
    CodeTable codes = {nullptr, 0, kNoCode}; // no names: every code is "No Code"
};

// Indexed by type 0..30.
const std::array<TypeEntry, 31> kTypes = {{
    /* 0 */ {"Echo Reply"},
    /* 1 */ {},
    /* 2 */ {},
    /* 3 */ {"Destination Unreachable", codes(kUnreachableCodes, "Other reasons")},
    /* 4 */ {"Source Quench"},
    /* 5 */ {"Redirect", codes(kRedirectCodes, "other reasons")},
    /* 6 */ {"Alternate Host Address"},
    /* 7 */ {},
    /* 8 */ {"Echo Request"},
    /* 9 */ {"Router Advertisement"},
    /* 10 */ {"Router Selection"},
    /* 11 */ {"Time Exceeded", codes(kTimeExceededCodes, "other reasons")},
    /* 12 */ {"Parameter Problem", codes(kParameterProblemCodes, "other reasons")},
    /* 13 */ {"TimeStamp"},
    /* 14 */ {"Timestamp Reply"},
    /* 15 */ {"Information Request"},
    /* 16 */ {"Information Reply"},
    /* 17 */ {"Address Mask Request"},
    /* 18 */ {"Address Mask Reply"},
    /* 19..29 */ {}, {}, {}, {}, {}, {}, {}, {}, {}, {}, {},
    /* 30 */ {"Traceroute"},
}};

} // namespace

IcmpName icmpName(std::uint8_t type, std::uint8_t code)
{
    if (type >= kTypes.size() || kTypes[type].type.empty())
        return {kOtherTypes, {}};
    const TypeEntry& entry = kTypes[type];
    const CodeTable& table = entry.codes;
    if (table.names == nullptr)
        return {entry.type, kNoCode};
    return {entry.type, code < table.count ? table.names[code] : table.beyond};
}

} // namespace trawler::parse
