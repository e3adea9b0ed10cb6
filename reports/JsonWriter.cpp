#include "JsonWriter.h"

#include "TextEscape.h"

#include "text/Hex.h"

#include <set>

namespace trawler::reports {

using text::appendHex;

std::string jsonString(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            char32_t cp = 0;
            const std::size_t len = utf8Sequence(text, i, cp);
            if (len == 0) {
                out += "\\\\x";
                appendHex(out, c);
                ++i;
            } else if (cp <= 0x9F) {
                // C1 controls: some terminals obey U+009B as CSI.
                out += "\\u00";
                appendHex(out, static_cast<unsigned char>(cp));
                i += len;
            } else {
                out.append(text.substr(i, len));
                i += len;
            }
            continue;
        }
        ++i;
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                out += "\\u00";
                appendHex(out, c);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    out += '"';
    return out;
}

JsonRowWriter::JsonRowWriter(std::ostream& out, const std::vector<std::string>& titles) : m_out(out)
{
    // A join lists the same field name twice ("select * from ip, icmp"); JSON readers keep only
    // one value per key, so a repeated title gets a number: Sourceip, Sourceip_2.
    std::set<std::string> used;
    for (const auto& t : titles) {
        std::string key = t;
        for (int n = 2; !used.insert(key).second; ++n)
            key = t + "_" + std::to_string(n);
        m_keys.push_back(jsonString(key));
    }
    m_out << '[';
}

void JsonRowWriter::addRow(const std::vector<std::optional<std::string>>& row)
{
    std::string line = m_first ? "\n{" : ",\n{";
    m_first = false;
    for (std::size_t i = 0; i < row.size() && i < m_keys.size(); ++i) {
        if (i)
            line += ", ";
        line += m_keys[i];
        line += ": ";
        line += row[i] ? jsonString(*row[i]) : std::string("null");
    }
    line += '}';
    m_out << line;
}

void JsonRowWriter::finish()
{
    m_out << (m_first ? "]\n" : "\n]\n");
}

} // namespace trawler::reports
