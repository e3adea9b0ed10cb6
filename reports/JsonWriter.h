#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace trawler::reports {

// A JSON string literal (RFC 8259) of a text: quotes, backslash and control
// characters (C0, DEL and C1) escaped. A byte that is not UTF-8 cannot be carried by JSON; it
// becomes the visible escape \xHH of the list and the terminal.
std::string jsonString(std::string_view text);

// A result as a JSON array of objects, one per row, keyed by column title;
// NULL is null, every other value the string the list shows. Written row by
// row (a title repeated in one result is numbered: x, x_2), so a result of any size streams: "[" at construction, "]" at finish().
class JsonRowWriter {
public:
    JsonRowWriter(std::ostream& out, const std::vector<std::string>& titles);
    void addRow(const std::vector<std::optional<std::string>>& row);
    void finish();

private:
    std::ostream& m_out;
    std::vector<std::string> m_keys;   // titles as string literals
    bool m_first = true;
};

} // namespace trawler::reports
