#pragma once
#include <string>
#include <string_view>

namespace trawler::db {

// Fixed-width text columns may carry trailing blanks (0x20). Only blanks are
// cut: tabs and other white space stay, as do blanks at the start or inside.
inline std::string trimTrailingBlanks(std::string_view s)
{
    std::size_t end = s.size();
    while (end > 0 && s[end - 1] == ' ')
        --end;
    return std::string(s.substr(0, end));
}

} // namespace trawler::db
