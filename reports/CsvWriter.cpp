#include "CsvWriter.h"

#include "TextEscape.h"

namespace trawler::reports {

namespace {

bool needsQuotes(const std::string& field)
{
    for (char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ',' || c == '"' || c < 0x20 || c == 0x7F)
            return true;
    }
    return false;
}

} // namespace

CsvWriter::CsvWriter(std::ostream& out, Options options) : m_out(out), m_options(options)
{
    if (m_options.byteOrderMark)
        m_out << "\xEF\xBB\xBF";
}

void CsvWriter::writeField(const std::string& raw)
{
    const std::string field = m_options.escapeControls ? displayText(raw) : raw;
    if (!needsQuotes(field)) {
        m_out << field;
        return;
    }
    std::string quoted;
    quoted.reserve(field.size() + 2);
    quoted += '"';
    for (char c : field) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    quoted += '"';
    m_out << quoted;
}

void CsvWriter::writeRecord(const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            m_out << ',';
        writeField(fields[i]);
    }
    m_out << "\r\n";
}

void CsvWriter::writeRecord(const std::vector<std::optional<std::string>>& fields)
{
    static const std::string kEmpty;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            m_out << ',';
        writeField(fields[i] ? *fields[i] : kEmpty);
    }
    m_out << "\r\n";
}

} // namespace trawler::reports
