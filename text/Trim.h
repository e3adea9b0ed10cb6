#pragma once
#include <string>
#include <string_view>

namespace trawler::text {

// Fixed-width text columns may carry trailing blanks (0x20). Only blanks are
// cut: tabs and other white space stay, as do blanks at the start or inside.
inline std::string_view withoutTrailingBlanks(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ')
        --end;
    return s.substr(0, end);
}

inline std::string trimTrailingBlanks(std::string_view s)
{
    return std::string(withoutTrailingBlanks(s));
}

// ASCII white space: blank, tab, line feed, vertical tab, form feed, carriage
// return. Tested on the bytes themselves, so no locale widens it.
inline bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Typed or read text without the ASCII white space around it.
inline std::string_view trimSpace(std::string_view s)
{
    while (!s.empty() && isAsciiSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isAsciiSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace trawler::text
