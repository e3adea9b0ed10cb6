#pragma once
#include <cctype>
#include <string>
#include <string_view>

namespace trawler::text {

// Fixed-width text columns may carry trailing blanks (0x20). Only blanks are
// cut: tabs and other white space stay, as do blanks at the start or inside.
inline std::string trimTrailingBlanks(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ')
        --end;
    return std::string(s.substr(0, end));
}

// Typed or read text without the white space (isspace, C locale) around it.
inline std::string_view trimSpace(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

} // namespace trawler::text
