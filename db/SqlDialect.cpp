#include "SqlDialect.h"

#include <cctype>
#include <regex>
#include <vector>

namespace trawler::db {

namespace {

bool startsWithWordCi(std::string_view s, std::string_view word)
{
    if (s.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != word[i])
            return false;
    return s.size() == word.size() || !(std::isalnum(static_cast<unsigned char>(s[word.size()])) || s[word.size()] == '_');
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// Splits at commas outside parentheses, brackets and quotes.
std::vector<std::string_view> splitDefinitions(std::string_view body)
{
    std::vector<std::string_view> parts;
    int depth = 0;
    char quote = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '\'' || c == '"' || c == '`') {
            quote = c;
        } else if (c == '[') {
            quote = ']';
        } else if (c == '(') {
            ++depth;
        } else if (c == ')') {
            --depth;
        } else if (c == ',' && depth == 0) {
            parts.push_back(body.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(body.substr(start));
    return parts;
}

// Column name as the definition writes it, and the rest of the definition.
bool splitColumnName(std::string_view def, std::string_view& name, std::string_view& rest)
{
    if (def.empty())
        return false;
    std::size_t end = 0;
    const char open = def.front();
    if (open == '[' || open == '"' || open == '`') {
        const char close = open == '[' ? ']' : open;
        end = def.find(close, 1);
        if (end == std::string_view::npos)
            return false;
        ++end;
    } else {
        while (end < def.size() && !std::isspace(static_cast<unsigned char>(def[end])) && def[end] != '(')
            ++end;
    }
    name = def.substr(0, end);
    rest = trim(def.substr(end));
    return !name.empty();
}

std::string bareName(std::string_view quoted)
{
    if (quoted.size() >= 2 && (quoted.front() == '[' || quoted.front() == '"' || quoted.front() == '`'))
        return std::string(quoted.substr(1, quoted.size() - 2));
    return std::string(quoted);
}

std::string quoteIdentifier(const std::string& name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + '"';
}

std::string translateColumn(std::string_view def)
{
    static const std::vector<std::string_view> tableConstraints = {"primary", "unique", "constraint", "check",
                                                                    "foreign"};
    for (auto word : tableConstraints)
        if (startsWithWordCi(def, word))
            return std::string(def);

    std::string_view name, rest;
    if (!splitColumnName(def, name, rest))
        return std::string(def);
    const std::string column = bareName(name);
    const std::string ref = quoteIdentifier(column);
    const std::string restText(rest);

    static const std::regex charType(R"(^(?:n?var)?n?char\s*\(\s*(\d+)\s*\)([\s\S]*)$)", std::regex::icase);
    static const std::regex longType(R"(^long\b([\s\S]*)$)", std::regex::icase);
    std::smatch m;
    if (std::regex_match(restText, m, charType)) {
        const std::string width = m[1];
        // The constraint's name is what the engine reports when it refuses a
        // value, so it says which column and which limit.
        return std::string(name) + " TEXT COLLATE RTRIM CONSTRAINT "
            + quoteIdentifier(column + " is longer than " + width + " characters") + " CHECK (length(" + ref
            + ") <= " + width + ")" + std::string(m[2]);
    }
    if (std::regex_match(restText, m, longType)) {
        return std::string(name) + " INTEGER CONSTRAINT " + quoteIdentifier(column + " is not a 32-bit integer")
            + " CHECK (" + ref + " IS NULL OR (typeof(" + ref + ") = 'integer' AND " + ref
            + " BETWEEN -2147483648 AND 2147483647))" + std::string(m[1]);
    }
    return std::string(def);
}

} // namespace

std::string translateForEngine(std::string_view sql)
{
    const std::string_view text = trim(sql);
    if (!startsWithWordCi(text, "create"))
        return std::string(sql);
    std::string_view afterCreate = trim(text.substr(6));
    if (!startsWithWordCi(afterCreate, "table"))
        return std::string(sql);

    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::string(sql);

    std::string out(text.substr(0, open + 1));
    bool first = true;
    for (std::string_view def : splitDefinitions(text.substr(open + 1, close - open - 1))) {
        if (!first)
            out += ", ";
        first = false;
        out += translateColumn(trim(def));
    }
    out += text.substr(close);
    return out;
}

bool isBlankSqlTail(std::string_view tail)
{
    std::size_t i = 0;
    while (i < tail.size()) {
        const char c = tail[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == ';') {
            ++i;
        } else if (tail.compare(i, 2, "--") == 0) {
            const std::size_t nl = tail.find('\n', i);
            i = nl == std::string_view::npos ? tail.size() : nl + 1;
        } else if (tail.compare(i, 2, "/*") == 0) {
            const std::size_t end = tail.find("*/", i + 2);
            i = end == std::string_view::npos ? tail.size() : end + 2;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace trawler::db
