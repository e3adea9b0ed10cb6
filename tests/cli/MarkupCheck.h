#pragma once
// Small independent readers for the json and html the command line writes:
// the tests check the output by parsing it, not by comparing it with text
// the code itself produces.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace trawler::test {

struct Json {
    enum class Kind { Null, String, Array, Object, Number, Bool } kind = Kind::Null;
    std::string text;
    std::vector<Json> items;
    std::vector<std::pair<std::string, Json>> members;

    const Json* member(const std::string& key) const
    {
        for (const auto& m : members)
            if (m.first == key)
                return &m.second;
        return nullptr;
    }
};

// RFC 8259, strictly: one value, nothing after it but white space; no raw
// control character in a string; the text valid UTF-8. nullopt on any fault.
class JsonReader {
public:
    static std::optional<Json> parse(const std::string& s)
    {
        JsonReader r(s);
        if (!validUtf8(s))
            return std::nullopt;
        Json v;
        if (!r.value(v))
            return std::nullopt;
        r.space();
        if (r.m_i != s.size())
            return std::nullopt;
        return v;
    }

    static bool validUtf8(const std::string& s)
    {
        for (std::size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
            if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2))
                return false;
            for (std::size_t k = 1; k < n; ++k)
                if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                    return false;
            i += n;
        }
        return true;
    }

private:
    explicit JsonReader(const std::string& s) : m_s(s) {}
    void space()
    {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\n' || m_s[m_i] == '\r' || m_s[m_i] == '\t'))
            ++m_i;
    }
    bool literal(const char* word)
    {
        const std::string w(word);
        if (m_s.compare(m_i, w.size(), w) != 0)
            return false;
        m_i += w.size();
        return true;
    }
    static void appendUtf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool string(std::string& out)
    {
        if (m_i >= m_s.size() || m_s[m_i] != '"')
            return false;
        for (++m_i; m_i < m_s.size(); ++m_i) {
            const auto c = static_cast<unsigned char>(m_s[m_i]);
            if (c == '"') {
                ++m_i;
                return true;
            }
            if (c < 0x20)
                return false;
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (++m_i >= m_s.size())
                return false;
            switch (m_s[m_i]) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                if (m_i + 4 >= m_s.size())
                    return false;
                appendUtf8(out, static_cast<unsigned>(std::stoul(m_s.substr(m_i + 1, 4), nullptr, 16)));
                m_i += 4;
                break;
            }
            default: return false;
            }
        }
        return false;
    }
    bool value(Json& v)
    {
        space();
        if (m_i >= m_s.size())
            return false;
        const char c = m_s[m_i];
        if (c == '"') {
            v.kind = Json::Kind::String;
            return string(v.text);
        }
        if (c == '[' || c == '{') {
            const bool object = c == '{';
            v.kind = object ? Json::Kind::Object : Json::Kind::Array;
            ++m_i;
            space();
            if (m_i < m_s.size() && m_s[m_i] == (object ? '}' : ']')) {
                ++m_i;
                return true;
            }
            for (;;) {
                Json item;
                if (object) {
                    std::string key;
                    space();
                    if (!string(key))
                        return false;
                    space();
                    if (m_i >= m_s.size() || m_s[m_i++] != ':')
                        return false;
                    if (!value(item))
                        return false;
                    v.members.emplace_back(key, std::move(item));
                } else {
                    if (!value(item))
                        return false;
                    v.items.push_back(std::move(item));
                }
                space();
                if (m_i >= m_s.size())
                    return false;
                const char next = m_s[m_i++];
                if (next == (object ? '}' : ']'))
                    return true;
                if (next != ',')
                    return false;
            }
        }
        if (literal("null"))
            return true;
        if (literal("true") || literal("false")) {
            v.kind = Json::Kind::Bool;
            return true;
        }
        const std::size_t start = m_i;
        while (m_i < m_s.size() && std::string("+-.0123456789eE").find(m_s[m_i]) != std::string::npos)
            ++m_i;
        v.kind = Json::Kind::Number;
        v.text = m_s.substr(start, m_i - start);
        return m_i > start;
    }

    const std::string& m_s;
    std::size_t m_i = 0;
};

// An HTML page read tag by tag: every element closed in order (void
// elements and self-closed SVG elements aside), no stray '<' or '>' in text,
// character references decoded. Collects the text of each table cell and
// counts the elements by name.
struct HtmlPage {
    bool wellFormed = false;
    std::string fault;
    std::vector<std::string> cells;   // th and td texts, in order
    std::map<std::string, int> elements;
};

inline std::string decodeEntities(const std::string& s)
{
    static const std::map<std::string, std::string> named{
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"#39", "'"}};
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const std::size_t semi = s[i] == '&' ? s.find(';', i) : std::string::npos;
        const auto it = semi == std::string::npos ? named.end() : named.find(s.substr(i + 1, semi - i - 1));
        if (it == named.end()) {
            out += s[i];
        } else {
            out += it->second;
            i = semi;
        }
    }
    return out;
}

inline HtmlPage readHtml(const std::string& s)
{
    HtmlPage page;
    std::vector<std::string> open;
    std::string text;
    auto fail = [&page](const std::string& why) {
        page.fault = why;
        return page;
    };
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '>')
            return fail("stray '>' in text");
        if (s[i] != '<') {
            text += s[i++];
            continue;
        }
        const std::size_t end = s.find('>', i);
        if (end == std::string::npos)
            return fail("unterminated tag");
        const std::string tag = s.substr(i + 1, end - i - 1);
        i = end + 1;
        if (tag.find('<') != std::string::npos)
            return fail("'<' inside a tag");
        if (tag.rfind("!DOCTYPE", 0) == 0 || tag.rfind("?xml", 0) == 0)
            continue;
        const bool closing = !tag.empty() && tag[0] == '/';
        const bool selfClosed = !tag.empty() && tag.back() == '/';
        const std::size_t nameEnd = tag.find_first_of(" /", closing ? 1 : 0);
        const std::string name = tag.substr(closing ? 1 : 0, nameEnd == std::string::npos ? std::string::npos
                                                                                          : nameEnd - (closing ? 1 : 0));
        if (closing) {
            if (open.empty() || open.back() != name)
                return fail("</" + name + "> closes nothing open");
            open.pop_back();
            if (name == "td" || name == "th") {
                page.cells.push_back(decodeEntities(text));
            }
            continue;
        }
        ++page.elements[name];
        if (selfClosed || name == "meta" || name == "br")
            continue;
        open.push_back(name);
        if (name == "td" || name == "th")
            text.clear();
    }
    if (!open.empty())
        return fail("<" + open.back() + "> never closed");
    page.wellFormed = true;
    return page;
}

} // namespace trawler::test
