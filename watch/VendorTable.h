#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace trawler::watch {

// Where the IEEE registry of MAC address blocks is installed on Debian.
inline constexpr const char* kDefaultVendorFile = "/usr/share/ieee-data/oui.txt";

// Organisation names by the first three bytes of a MAC address (the OUI),
// read once from the registry's text listing. An absent or unreadable file
// gives an empty table: every lookup is then "".
class VendorTable {
public:
    VendorTable() = default;
    static VendorTable load(const std::string& path = kDefaultVendorFile);

    // The organisation owning `mac` (any form normaliseMac accepts), or "".
    std::string lookup(std::string_view mac) const;
    std::size_t size() const { return m_names.size(); }

private:
    std::unordered_map<std::uint32_t, std::string> m_names;
};

} // namespace trawler::watch
