#include "SqlDialect.h"

#include "text/Trim.h"

#include <cctype>
#include <vector>

namespace trawler::db {

using text::trimSpace;

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
    rest = trimSpace(def.substr(end));
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

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

bool equalsCi(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::size_t skipSpace(std::string_view s, std::size_t i)
{
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    return i;
}

// The word of identifier characters that starts at i (empty when none).
std::string_view wordAt(std::string_view s, std::size_t i)
{
    std::size_t end = i;
    while (end < s.size() && isWordChar(s[end]))
        ++end;
    return s.substr(i, end - i);
}

// A fixed-width text type: char, nchar, varchar, nvarchar (and the rarer
// varnchar spellings), followed by "(width)". On success `width` holds the
// digits and `after` is where the rest of the definition starts.
bool matchCharType(std::string_view rest, std::string_view& width, std::size_t& after)
{
    const std::string_view word = wordAt(rest, 0);
    static constexpr std::string_view kNames[] = {"char", "nchar", "varchar", "nvarchar", "varnchar", "nvarnchar"};
    bool known = false;
    for (std::string_view name : kNames)
        known = known || equalsCi(word, name);
    if (!known)
        return false;
    std::size_t i = skipSpace(rest, word.size());
    if (i >= rest.size() || rest[i] != '(')
        return false;
    i = skipSpace(rest, i + 1);
    const std::size_t digits = i;
    while (i < rest.size() && std::isdigit(static_cast<unsigned char>(rest[i])))
        ++i;
    if (i == digits)
        return false;
    width = rest.substr(digits, i - digits);
    i = skipSpace(rest, i);
    if (i >= rest.size() || rest[i] != ')')
        return false;
    after = i + 1;
    return true;
}

// True when the words "primary key" occur in a column definition outside
// quotes and parentheses (a column-level key).
bool hasPrimaryKeyWords(std::string_view def)
{
    char quote = 0;
    int depth = 0;
    bool afterPrimary = false;
    for (std::size_t i = 0; i < def.size();) {
        const char c = def[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            ++i;
        } else if (c == '\'' || c == '"' || c == '`' || c == '[') {
            quote = c == '[' ? ']' : c;
            afterPrimary = false;
            ++i;
        } else if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
            afterPrimary = false;
            ++i;
        } else if (isWordChar(c)) {
            const std::string_view word = wordAt(def, i);
            if (depth == 0) {
                if (afterPrimary && equalsCi(word, "key"))
                    return true;
                afterPrimary = equalsCi(word, "primary");
            }
            i += word.size();
        } else {
            if (!std::isspace(static_cast<unsigned char>(c)))
                afterPrimary = false;
            ++i;
        }
    }
    return false;
}

bool hasNotNull(std::string_view def)
{
    // A rough test is enough: a repeated NOT NULL is harmless, only noisy.
    for (std::size_t i = 0; (i = def.find_first_of("nN", i)) != std::string_view::npos; ++i) {
        if ((i > 0 && isWordChar(def[i - 1])) || !equalsCi(wordAt(def, i), "not"))
            continue;
        if (equalsCi(wordAt(def, skipSpace(def, i + 3)), "null"))
            return true;
    }
    return false;
}

// Column names listed by a table-level "primary key (a, b)" constraint.
void collectKeyColumns(std::string_view def, std::vector<std::string>& keys)
{
    if (!startsWithWordCi(def, "primary"))
        return;
    std::size_t i = skipSpace(def, 7);
    if (!equalsCi(wordAt(def, i), "key"))
        return;
    i = skipSpace(def, i + 3);
    if (i >= def.size() || def[i] != '(')
        return;
    const std::size_t close = def.find(')', i);
    if (close == std::string_view::npos)
        return;
    for (std::string_view part : splitDefinitions(def.substr(i + 1, close - i - 1))) {
        std::string_view name, rest;
        if (splitColumnName(trimSpace(part), name, rest))
            keys.push_back(bareName(name));
    }
}

bool isTableConstraint(std::string_view def)
{
    static constexpr std::string_view kWords[] = {"primary", "unique", "constraint", "check", "foreign"};
    for (auto word : kWords)
        if (startsWithWordCi(def, word))
            return true;
    return false;
}

std::string translateColumn(std::string_view def, bool keyColumn)
{
    if (isTableConstraint(def))
        return std::string(def);

    std::string_view name, rest;
    if (!splitColumnName(def, name, rest))
        return std::string(def);
    const std::string column = bareName(name);
    const std::string ref = quoteIdentifier(column);
    // A key refuses NULL, as every primary key of the schema's home engine
    // does; this engine would otherwise let any number of NULL keys in.
    const bool key = keyColumn || hasPrimaryKeyWords(rest);
    const bool notNull = key && !hasNotNull(rest);
    const std::string notNullText = notNull ? " NOT NULL" : "";

    std::string_view width;
    std::size_t after = 0;
    if (matchCharType(rest, width, after)) {
        // The constraint's name is what the engine reports when it refuses a
        // value, so it says which column and which limit.
        return std::string(name) + " TEXT COLLATE RTRIM CONSTRAINT "
            + quoteIdentifier(column + " is longer than " + std::string(width) + " characters") + " CHECK (length("
            + ref + ") <= " + std::string(width) + ")" + notNullText + std::string(rest.substr(after));
    }
    const std::string_view word = wordAt(rest, 0);
    if (equalsCi(word, "long")) {
        // A key declared INTEGER would become the engine's row number, which
        // turns a NULL key into the next free number instead of refusing it.
        return std::string(name) + (key ? " INT" : " INTEGER") + " CONSTRAINT " + quoteIdentifier(column + " is not a 32-bit integer")
            + " CHECK (" + ref + " IS NULL OR (typeof(" + ref + ") = 'integer' AND " + ref
            + " BETWEEN -2147483648 AND 2147483647))" + notNullText + std::string(rest.substr(word.size()));
    }
    return std::string(def) + notNullText;
}

// The server has fixed-width text of its own (blank-padded, compared without
// trailing blanks, longer values refused) and 32-bit integers; byte order
// ("C" collation) sorts texts as the file engine does. Its keys refuse NULL.
std::string translateColumnForServer(std::string_view def, bool)
{
    if (isTableConstraint(def))
        return std::string(def);
    std::string_view name, rest;
    if (!splitColumnName(def, name, rest))
        return std::string(def);
    std::string_view width;
    std::size_t after = 0;
    if (matchCharType(rest, width, after))
        return std::string(name) + " char(" + std::string(width) + ") COLLATE \"C\"" + std::string(rest.substr(after));
    const std::string_view word = wordAt(rest, 0);
    if (equalsCi(word, "long"))
        return std::string(name) + " integer" + std::string(rest.substr(word.size()));
    return std::string(def);
}

// Square-bracket names become quoted names in lower case (the case unquoted
// names fold to, so [Destip] finds the column created as Destip); "?" and
// "?N" placeholders become "$N"; "collate binary" becomes byte order. String
// literals, quoted names and comments pass unchanged.
std::string translateNamesForServer(std::string_view sql)
{
    std::string out;
    out.reserve(sql.size() + 16);
    int nextParameter = 1;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        if (c == '\'' || c == '"') {
            std::size_t end = sql.find(c, i + 1);
            end = end == std::string_view::npos ? sql.size() : end + 1;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (sql.compare(i, 2, "--") == 0) {
            std::size_t end = sql.find('\n', i);
            end = end == std::string_view::npos ? sql.size() : end;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (sql.compare(i, 2, "/*") == 0) {
            std::size_t end = sql.find("*/", i + 2);
            end = end == std::string_view::npos ? sql.size() : end + 2;
            out.append(sql.substr(i, end - i));
            i = end;
        } else if (c == '[' && i + 1 < sql.size() && !std::isdigit(static_cast<unsigned char>(sql[i + 1]))
                   && (i == 0 || !isWordChar(sql[i - 1]))) {
            // Not after a word: "a[1]" stays an array subscript.
            const std::size_t end = sql.find(']', i + 1);
            if (end == std::string_view::npos) {
                out.append(sql.substr(i));
                break;
            }
            out += '"';
            for (char n : sql.substr(i + 1, end - i - 1)) {
                out += static_cast<char>(std::tolower(static_cast<unsigned char>(n)));
                if (n == '"')
                    out += '"';
            }
            out += '"';
            i = end + 1;
        } else if (c == '?') {
            std::size_t end = i + 1;
            while (end < sql.size() && std::isdigit(static_cast<unsigned char>(sql[end])))
                ++end;
            out += '$';
            if (end > i + 1)
                out.append(sql.substr(i + 1, end - i - 1));
            else
                out += std::to_string(nextParameter);
            ++nextParameter;
            i = end;
        } else if (isWordChar(c)) {
            const std::string_view word = wordAt(sql, i);
            const std::size_t next = skipSpace(sql, i + word.size());
            if (equalsCi(word, "collate") && equalsCi(wordAt(sql, next), "binary")) {
                out += "COLLATE \"C\"";
                i = next + 6;
            } else {
                out.append(word);
                i += word.size();
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

using ColumnTranslator = std::string (*)(std::string_view def, bool keyColumn);

std::string translateTable(std::string_view sql, ColumnTranslator translateColumn)
{
    const std::string_view text = trimSpace(sql);
    if (!startsWithWordCi(text, "create"))
        return std::string(sql);
    std::string_view afterCreate = trimSpace(text.substr(6));
    if (!startsWithWordCi(afterCreate, "table"))
        return std::string(sql);

    const std::size_t open = text.find('(');
    const std::size_t close = text.rfind(')');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return std::string(sql);

    const std::vector<std::string_view> definitions = splitDefinitions(text.substr(open + 1, close - open - 1));
    std::vector<std::string> keys;
    for (std::string_view def : definitions)
        collectKeyColumns(trimSpace(def), keys);

    std::string out(text.substr(0, open + 1));
    bool first = true;
    for (std::string_view def : definitions) {
        if (!first)
            out += ", ";
        first = false;
        def = trimSpace(def);
        // Column names compare without regard to letter case: "primary key(ip)"
        // names the column Ip.
        bool keyColumn = false;
        std::string_view name, rest;
        if (!isTableConstraint(def) && splitColumnName(def, name, rest))
            for (const std::string& key : keys)
                keyColumn = keyColumn || equalsCi(key, bareName(name));
        out += translateColumn(def, keyColumn);
    }
    out += text.substr(close);
    return out;
}

} // namespace

std::string translateForEngine(std::string_view sql)
{
    return translateTable(sql, &translateColumn);
}

std::string translateForServer(std::string_view sql)
{
    return translateNamesForServer(translateTable(sql, &translateColumnForServer));
}

namespace {

constexpr std::string_view kAlertColumns = "Id, Tm, Kind, Severity, Ip, Mac, Previousmac, Vendor, Source, Count, "
                                           "Windowseconds, File, Eventkey, Runid, Acknowledged";

// The columns an insert fills, and its placeholders (Acknowledged starts at 0).
constexpr std::string_view kAlertInsert =
    "insert into alert (Tm, Kind, Severity, Ip, Mac, Previousmac, Vendor, Source, Count, Windowseconds, File, "
    "Eventkey, Runid, Acknowledged) values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0) on conflict do nothing ";

// The same layout on both engines but for the Id: on a file the row number
// (as every file written so far has it), on the server a number it draws from
// one sequence, which each sensor's table shares by inheriting the default.
std::string alertTable(std::string_view name, std::string_view id, std::string_view run)
{
    return "create table if not exists " + std::string(name) + " (Id " + std::string(id)
        + ", Tm char(30), Kind char(24), Severity char(8), Ip char(16), Mac char(18), Previousmac char(18), "
          "Vendor text, Source char(16), Count integer, Windowseconds integer, File text, Eventkey text not null, "
          "Runid " + std::string(run) + ", Acknowledged integer not null default 0, unique (Eventkey))";
}

std::string qualified(std::string_view prefix, std::string_view columns)
{
    std::string out;
    std::size_t start = 0;
    while (start < columns.size()) {
        std::size_t end = columns.find(',', start);
        if (end == std::string_view::npos)
            end = columns.size();
        out += (out.empty() ? "" : ", ") + std::string(prefix) + std::string(trimSpace(columns.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

AlertStatements fileAlertStatements()
{
    AlertStatements s;
    s.create = {alertTable("alert", "integer primary key", "integer")};
    s.insert = std::string(kAlertInsert) + "returning Id, ''";
    s.list = "select " + std::string(kAlertColumns) + ", '' from alert order by Tm desc, Id desc";
    s.lastSenderMacs = "select Sourceip, Sourcemac from arp where rowid in "
                       "(select max(rowid) from arp group by Sourceip) order by rowid";
    s.runOf = "select max(rowid) from history where Filename = ?";
    return s;
}

// Each sensor stores its alerts in a table of its own schema that inherits
// public.alert (see PgSensors): a writer's transaction sees its sensor's
// table, a query of public.alert sees every sensor's, and the row's table
// says which sensor raised it.
AlertStatements serverAlertStatements()
{
    const std::string schemaOf = "(select n.nspname from pg_class c join pg_namespace n on n.oid = c.relnamespace "
                                 "where c.oid = alert.tableoid)";
    const std::string seq(kArrivalColumn);
    AlertStatements s;
    s.exists = "select coalesce((select atthasdef from pg_attribute where attrelid = to_regclass('public.alert') "
               "and attname = 'id'), false)";
    // Earlier versions made the table with an Id the server does not fill
    // (no row could be stored in it): it gets the sequence now.
    s.create = {alertTable("public.alert", "bigserial primary key", "bigint"),
                "create sequence if not exists public.alert_id_seq owned by public.alert.Id",
                "alter table public.alert alter column Id type bigint, alter column Runid type bigint, "
                "alter column Id set default nextval('public.alert_id_seq')"};
    s.insert = std::string(kAlertInsert) + "returning Id, " + schemaOf;
    // A connection narrowed to one sensor (its schema first on the search
    // path) lists that sensor's alerts even when they would otherwise reach
    // it through public.alert.
    s.list = "select " + qualified("alert.", kAlertColumns) + ", " + schemaOf
        + " from alert where current_schema() = 'public' or " + schemaOf
        + " = current_schema() order by alert.Tm desc, alert.Id desc";
    s.lastSenderMacs = "select Sourceip, Sourcemac from arp where " + seq + " in (select max(" + seq
        + ") from arp group by Sourceip) order by " + seq;
    s.runOf = "select max(" + seq + ") from history where Filename = ?";
    return s;
}

} // namespace

const AlertStatements& alertStatements(bool server)
{
    static const AlertStatements file = fileAlertStatements();
    static const AlertStatements onServer = serverAlertStatements();
    return server ? onServer : file;
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
