#include "Output.h"

#include <algorithm>
#include <unistd.h>

namespace trawler::cli {

OutputFormat parseFormat(const std::string& name)
{
    if (name == "table")
        return OutputFormat::Table;
    if (name == "csv")
        return OutputFormat::Csv;
    if (name == "tsv")
        return OutputFormat::Tsv;
    return ::isatty(STDOUT_FILENO) ? OutputFormat::Table : OutputFormat::Tsv;
}

void addFormatOption(CLI::App* command, std::string& target, const char* defaultName)
{
    target = defaultName;
    command->add_option("--format", target, "Output format: table, tsv or csv")
        ->check(CLI::IsMember({"table", "tsv", "csv"}));
}

std::size_t displayWidth(const std::string& utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        char32_t cp = c;
        int len = 1;
        if (c >= 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else if (c >= 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xC0) {
            len = 2;
            cp = c & 0x1F;
        }
        for (int k = 1; k < len && i + static_cast<std::size_t>(k) < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]) & 0x3F);
        i += static_cast<std::size_t>(len);
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF)
            || (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) || (cp >= 0xFE30 && cp <= 0xFE4F)
            || (cp >= 0xFF00 && cp <= 0xFF60) || (cp >= 0xFFE0 && cp <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

namespace {

// Tab-separated values keep one record per line: tab, line feed, carriage
// return and backslash are written as escapes.
std::string tsvField(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\t': out += "\\t"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

// RFC 4180: quote a field holding a comma, quote or line break; double quotes.
std::string csvField(const std::string& s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

} // namespace

TableWriter::TableWriter(std::ostream& out, OutputFormat format, std::vector<std::string> titles)
    : m_out(out), m_format(format), m_titles(std::move(titles))
{
    if (m_format != OutputFormat::Table)
        writeLine(m_titles);
}

void TableWriter::writeLine(const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i)
            m_out << (m_format == OutputFormat::Csv ? "," : "\t");
        m_out << (m_format == OutputFormat::Csv ? csvField(fields[i]) : tsvField(fields[i]));
    }
    m_out << (m_format == OutputFormat::Csv ? "\r\n" : "\n");
}

void TableWriter::addRow(const std::vector<std::optional<std::string>>& row)
{
    std::vector<std::string> fields;
    fields.reserve(row.size());
    for (const auto& v : row)
        fields.push_back(v.value_or(std::string()));
    if (m_format == OutputFormat::Table)
        m_pending.push_back(std::move(fields));
    else
        writeLine(fields);
}

void TableWriter::finish()
{
    if (m_format != OutputFormat::Table) {
        m_out.flush();
        return;
    }
    std::vector<std::size_t> widths(m_titles.size(), 0);
    auto measure = [&widths](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(fields[i]));
    };
    measure(m_titles);
    for (const auto& r : m_pending)
        measure(r);
    auto print = [&](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            m_out << fields[i];
            if (i + 1 < fields.size())
                m_out << std::string(widths[i] - displayWidth(fields[i]) + 2, ' ');
        }
        m_out << '\n';
    };
    print(m_titles);
    std::vector<std::string> rule;
    for (std::size_t w : widths)
        rule.emplace_back(w, '-');
    print(rule);
    for (const auto& r : m_pending)
        print(r);
    m_pending.clear();
    m_out.flush();
}

void writeCursorRows(reports::ReportCursor& cursor, TableWriter& writer, std::size_t limit)
{
    constexpr std::size_t kBatch = 4096;
    std::vector<reports::Row> rows;
    try {
        for (std::size_t left = limit; !cursor.atEnd() && left > 0; left -= rows.size()) {
            rows.clear();
            cursor.fetch(std::min(kBatch, left), rows);
            for (const auto& row : rows)
                writer.addRow(row);
        }
    } catch (const reports::ReportError&) {
        for (const auto& row : rows)
            writer.addRow(row);
        writer.finish();
        throw;
    }
    writer.finish();
}

} // namespace trawler::cli
