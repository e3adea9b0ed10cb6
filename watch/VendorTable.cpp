#include "VendorTable.h"

#include "reports/IpMacInput.h"
#include "text/Hex.h"
#include "text/Trim.h"

#include <fstream>

namespace trawler::watch {

using text::trimSpace;

namespace {

// "00-0C-29" (either separator or none) at the start of `text`.
bool readOui(std::string_view text, std::uint32_t& oui)
{
    oui = 0;
    std::size_t pos = 0;
    for (int byte = 0; byte < 3; ++byte) {
        if (byte > 0 && pos < text.size() && (text[pos] == '-' || text[pos] == ':'))
            ++pos;
        if (pos + 2 > text.size())
            return false;
        const int high = text::hexValue(text[pos]);
        const int low = text::hexValue(text[pos + 1]);
        if (high < 0 || low < 0)
            return false;
        oui = (oui << 8) | static_cast<std::uint32_t>(high * 16 + low);
        pos += 2;
    }
    return true;
}

} // namespace

VendorTable VendorTable::load(const std::string& path)
{
    VendorTable table;
    std::ifstream in(path);
    std::string line;
    // Each block has a line "00-0C-29   (hex)\t\tVMware, Inc."; the other
    // lines (base 16 form, postal address) are skipped.
    while (std::getline(in, line)) {
        const auto marker = line.find("(hex)");
        std::uint32_t oui = 0;
        if (marker == std::string::npos || !readOui(trimSpace(std::string_view(line).substr(0, marker)), oui))
            continue;
        const std::string_view name = trimSpace(std::string_view(line).substr(marker + 5));
        if (!name.empty())
            table.m_names.emplace(oui, std::string(name));
    }
    return table;
}

std::string VendorTable::lookup(std::string_view mac) const
{
    const auto normal = reports::normaliseMac(trimSpace(mac));
    std::uint32_t oui = 0;
    if (m_names.empty() || !normal || !readOui(*normal, oui))
        return {};
    const auto it = m_names.find(oui);
    return it == m_names.end() ? std::string() : it->second;
}

} // namespace trawler::watch
