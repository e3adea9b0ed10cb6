#pragma once
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace trawler::reports {

// Comma-separated values after RFC 4180: fields separated by commas, records
// ended by CR LF, a field holding a comma, quote, line break or any other
// control character enclosed in quotes with its quotes doubled. NULL is an
// empty field. Values are written as they are (numbers come locale-free from
// the database layer).
class CsvWriter {
public:
    struct Options {
        // UTF-8 byte-order mark first, so that spreadsheet programs read the
        // Chinese titles as UTF-8.
        bool byteOrderMark = false;
        // Control characters written as visible escapes (TextEscape.h)
        // instead of raw inside quotes: for a terminal.
        bool escapeControls = false;
    };

    CsvWriter(std::ostream& out, Options options);
    CsvWriter(std::ostream& out) : CsvWriter(out, Options{}) {}
    void writeRecord(const std::vector<std::string>& fields);
    void writeRecord(const std::vector<std::optional<std::string>>& fields);

private:
    void writeField(const std::string& field);

    std::ostream& m_out;
    Options m_options;
};

} // namespace trawler::reports
