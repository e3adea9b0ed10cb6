#include "PgEngine.h"

#include "PgSensors.h"
#include "PgSession.h"

#include "DbError.h"
#include "SqlDialect.h"
#include "text/Trim.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstring>
#include <optional>

namespace trawler::db {

namespace {

// Type identifiers of the server's built-in types (pg_type.oid), fixed since
// the server's first releases.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kFloat4 = 700, kFloat8 = 701, kBpchar = 1042,
              kNumeric = 1700;

std::string chomp(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

using Result = PgResult;

Result checked(PGconn* conn, PGresult* raw)
{
    return checkedResult(conn, raw);
}

void ignoreNotice(void*, const char*) {}

PGconn* connectTo(const char* const* keywords, const char* const* values)
{
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (!conn)
        throw DbError("Out of memory while connecting to the server.");
    if (PQstatus(conn) != CONNECTION_OK) {
        const std::string message = chomp(PQerrorMessage(conn));
        PQfinish(conn);
        throw DbError(message.empty() ? "Cannot connect to the server." : message);
    }
    PQsetNoticeProcessor(conn, &ignoreNotice, nullptr);
    return conn;
}

// A statement that cannot change the database, by its first word.
bool startsReadOnly(std::string_view sql)
{
    std::size_t i = 0;
    while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '('))
        ++i;
    std::size_t end = i;
    while (end < sql.size() && std::isalpha(static_cast<unsigned char>(sql[end])))
        ++end;
    std::string word(sql.substr(i, end - i));
    for (char& c : word)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word == "select" || word == "values" || word == "show" || word == "table" || word == "explain";
}

} // namespace

namespace {

std::string copyCommand(std::string_view table, const std::vector<std::string>& columns)
{
    std::string copy = "COPY " + std::string(table) + " (";
    for (std::size_t i = 0; i < columns.size(); ++i)
        copy += (i ? ", " : "") + columns[i];
    return translateForServer(copy + ") FROM STDIN");
}

// For "insert into T (a, b) values (?, ?)" with nothing but placeholders,
// the COPY command that appends the same row; empty for any other statement.
std::string copyForInsert(std::string_view sql)
{
    std::size_t i = 0;
    auto space = [&] {
        while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
            ++i;
    };
    auto word = [&]() -> std::string {
        space();
        const std::size_t start = i;
        while (i < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[i])) || sql[i] == '_'))
            ++i;
        return std::string(sql.substr(start, i - start));
    };
    auto isWord = [](std::string w, const char* expected) {
        for (char& c : w)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return w == expected;
    };
    auto punct = [&](char c) {
        space();
        if (i < sql.size() && sql[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    if (!isWord(word(), "insert") || !isWord(word(), "into"))
        return {};
    const std::string table = word();
    if (table.empty() || !punct('('))
        return {};
    std::vector<std::string> columns;
    do {
        columns.push_back(word());
        if (columns.back().empty())
            return {};
    } while (punct(','));
    if (!punct(')') || !isWord(word(), "values") || !punct('('))
        return {};
    std::size_t placeholders = 0;
    do {
        if (!punct('?'))
            return {};
        ++placeholders;
        // "?N" must number the columns in order.
        const std::size_t digits = i;
        while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i])))
            ++i;
        if (i > digits && std::string(sql.substr(digits, i - digits)) != std::to_string(placeholders))
            return {};
    } while (punct(','));
    if (!punct(')') || placeholders != columns.size())
        return {};
    while (punct(';')) {
    }
    space();
    return i == sql.size() ? copyCommand(table, columns) : std::string();
}

// Only SELECT and VALUES may be read through a cursor.
bool isPlainQuery(std::string_view sql)
{
    std::size_t i = 0;
    while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '('))
        ++i;
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(sql[i++])));
    return word == "select" || word == "values";
}

class PgStatement : public StatementEngine {
public:
    PgStatement(std::shared_ptr<PgSession> session, const std::string& sql, bool readOnly, std::string copy)
        : m_session(std::move(session)), m_name(m_session->nextName()), m_readOnly(readOnly), m_copy(std::move(copy))
    {
        PGconn* conn = m_session->conn();
        checked(conn, PQprepare(conn, m_name.c_str(), sql.c_str(), 0, nullptr));
        m_description = checked(conn, PQdescribePrepared(conn, m_name.c_str()));
        m_params.resize(static_cast<std::size_t>(PQnparams(m_description.get())));
        if (returnsRows() && isPlainQuery(sql))
            m_cursorQuery = "DECLARE " + m_name + "_rows NO SCROLL CURSOR WITH HOLD FOR " + sql;
    }
    ~PgStatement() override
    {
        closeCursor();
        // The connection may be in a failed transaction or gone; nothing to do then.
        Result(PQexec(m_session->conn(), ("DEALLOCATE " + m_name).c_str()));
    }

    void bindText(int index, std::string_view text, bool) override
    {
        auto& p = param(index);
        if (p)
            p->assign(text.data(), text.size());
        else
            p.emplace(text);
    }
    void bindInt(int index, std::int32_t value) override { bindInt64(index, value); }
    void bindInt64(int index, std::int64_t value) override
    {
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, value).ptr;
        bindText(index, std::string_view(buf, static_cast<std::size_t>(end - buf)), true);
    }
    void bindNull(int index) override { param(index).reset(); }
    void clearBindings() override
    {
        for (auto& p : m_params)
            p.reset();
    }

    bool step() override
    {
        if (!m_result) {
            // Inside a transaction a plain insert joins the table's COPY
            // batch; the transaction makes it all-or-nothing either way.
            if (!m_copy.empty() && m_session->inTransaction()) {
                m_row.clear();
                for (std::size_t i = 0; i < m_params.size(); ++i) {
                    if (i)
                        m_row += '\t';
                    appendCopyField(m_row, m_params[i] ? std::optional<std::string_view>(*m_params[i]) : std::nullopt);
                }
                m_session->queueRow(m_copy, m_row);
                m_changes = 1;
                return false;
            }
            m_session->flush();
            std::vector<const char*> values;
            std::vector<int> lengths;
            for (const auto& p : m_params) {
                values.push_back(p ? p->data() : nullptr);
                lengths.push_back(p ? static_cast<int>(p->size()) : 0);
            }
            PGconn* conn = m_session->conn();
            m_current = -1;
            m_changes = 0;
            if (!m_cursorQuery.empty()) {
                // A query's rows come from a server-side cursor a batch at a
                // time: a result of months of rows never sits whole in memory
                // here, and the connection stays free for other statements
                // between batches.
                checked(conn, PQexecParams(conn, m_cursorQuery.c_str(), static_cast<int>(values.size()), nullptr,
                                           values.data(), lengths.data(), nullptr, 0));
                m_cursorOpen = true;
                fetchBatch();
            } else {
                m_result = checked(conn, PQexecPrepared(conn, m_name.c_str(), static_cast<int>(values.size()),
                                                        values.data(), lengths.data(), nullptr, 0));
                const char* tuples = PQcmdTuples(m_result.get());
                m_changes = tuples && *tuples && PQresultStatus(m_result.get()) == PGRES_COMMAND_OK ? std::atoi(tuples)
                                                                                                   : 0;
            }
        }
        ++m_current;
        if (m_current < PQntuples(m_result.get()))
            return true;
        if (!m_cursorOpen)
            return false;
        fetchBatch();
        m_current = 0;
        return m_current < PQntuples(m_result.get());
    }
    void reset() override
    {
        closeCursor();
        m_result.reset();
        m_current = -1;
    }
    bool returnsRows() const override { return PQnfields(m_description.get()) > 0; }
    bool readOnly() const override { return m_readOnly; }
    int fieldCount() const override { return PQnfields(m_description.get()); }
    std::string fieldName(int index) const override
    {
        const char* name = PQfname(m_description.get(), index);
        return name ? name : "";
    }
    FieldView field(int index) const override
    {
        FieldView f;
        const PGresult* r = m_result.get();
        if (!r || PQgetisnull(r, m_current, index))
            return f;
        const char* text = PQgetvalue(r, m_current, index);
        const std::size_t length = static_cast<std::size_t>(PQgetlength(r, m_current, index));
        switch (PQftype(r, index)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kNumeric:
        case kFloat4:
        case kFloat8:
        case kBool: {
            // Whatever value() makes a whole number of is one here too.
            const Value v = value(index);
            f.kind = v.kind() == Value::Kind::Integer ? FieldView::Kind::Integer
                                                      : v.kind() == Value::Kind::Real ? FieldView::Kind::Real
                                                                                      : FieldView::Kind::Text;
            f.integer = v.toInt();
            if (f.kind == FieldView::Kind::Text)
                f.text = {text, length};
            return f;
        }
        case kBpchar:
            f.text = trawler::text::withoutTrailingBlanks(std::string_view(text, length));
            break;
        default:
            f.text = {text, length};
        }
        f.kind = FieldView::Kind::Text;
        return f;
    }
    Value value(int index) const override
    {
        const PGresult* r = m_result.get();
        if (!r || PQgetisnull(r, m_current, index))
            return Value();
        const char* text = PQgetvalue(r, m_current, index);
        const std::size_t length = static_cast<std::size_t>(PQgetlength(r, m_current, index));
        const char* end = text + length;
        switch (PQftype(r, index)) {
        case kInt2:
        case kInt4:
        case kInt8:
        case kNumeric: {
            std::int64_t whole = 0;
            const auto parsed = std::from_chars(text, end, whole);
            if (parsed.ec == std::errc() && parsed.ptr == end)
                return Value::integer(whole);
            [[fallthrough]];
        }
        case kFloat4:
        case kFloat8: {
            double real = 0;
            const auto parsed = std::from_chars(text, end, real);
            if (parsed.ec == std::errc())
                return Value::real(real);
            return Value::text(std::string(text, length));
        }
        case kBool:
            return Value::integer(text[0] == 't' ? 1 : 0);
        case kBpchar:
            // Fixed-width texts come back padded; as on the file engine they
            // are handed out without the padding.
            return Value::text(trawler::text::trimTrailingBlanks(std::string_view(text, length)));
        default:
            return Value::text(std::string(text, length));
        }
    }
    int changes() const override { return m_changes; }

private:
    static constexpr int kFetchRows = 4096;

    std::optional<std::string>& param(int index)
    {
        if (index < 1 || static_cast<std::size_t>(index) > m_params.size())
            throw DbError("Bind parameter " + std::to_string(index) + " is out of range.");
        return m_params[static_cast<std::size_t>(index - 1)];
    }

    void fetchBatch()
    {
        PGconn* conn = m_session->conn();
        m_result = checked(conn, PQexec(conn, ("FETCH FORWARD " + std::to_string(kFetchRows) + " FROM " + m_name
                                               + "_rows").c_str()));
        // The last batch: the cursor's server-side copy of the result goes now.
        if (PQntuples(m_result.get()) < kFetchRows)
            closeCursor();
    }

    void closeCursor()
    {
        if (!m_cursorOpen)
            return;
        m_cursorOpen = false;
        // In a failed transaction this fails too; the cursor then ends with it.
        Result(PQexec(m_session->conn(), ("CLOSE " + m_name + "_rows").c_str()));
    }

    std::shared_ptr<PgSession> m_session;
    std::string m_name;
    bool m_readOnly;
    std::string m_copy;
    Result m_description;
    std::vector<std::optional<std::string>> m_params;
    std::string m_cursorQuery; // empty: run as a prepared statement
    bool m_cursorOpen = false;
    Result m_result;
    std::string m_row;
    int m_current = -1;
    int m_changes = 0;
};

// Rows for the session's COPY batches.
class PgBulk : public BulkEngine {
public:
    PgBulk(std::shared_ptr<PgSession> session, std::string_view table, const std::vector<std::string>& columns)
        : m_session(std::move(session)), m_copy(copyCommand(table, columns)), m_fields(columns.size()),
          m_numbers(columns.size())
    {
    }

    void text(int index, std::string_view value) override { field(index) = value; }
    void integer(int index, std::int32_t value) override
    {
        auto& slot = field(index);
        std::string& text = m_numbers[static_cast<std::size_t>(index)];
        text = std::to_string(value);
        slot = text;
    }
    void null(int index) override { field(index).reset(); }
    void endRow() override
    {
        m_row.clear();
        for (std::size_t i = 0; i < m_fields.size(); ++i) {
            if (i)
                m_row += '\t';
            appendCopyField(m_row, m_fields[i]);
            m_fields[i].reset();
        }
        m_session->queueRow(m_copy, m_row);
    }
    void finish() override { m_session->flush(); }

private:
    std::optional<std::string_view>& field(int index)
    {
        if (index < 0 || static_cast<std::size_t>(index) >= m_fields.size())
            throw DbError("Column " + std::to_string(index) + " is out of range.");
        return m_fields[static_cast<std::size_t>(index)];
    }

    std::shared_ptr<PgSession> m_session;
    std::string m_copy;
    std::vector<std::optional<std::string_view>> m_fields;
    std::string m_row;
    std::vector<std::string> m_numbers;
};

} // namespace

PgConnection::PgConnection(const std::string& uri, bool readOnly)
{
    const SensorUri parts = splitSensorUri(uri);
    // The URI comes last so that what it says overrides the defaults before it.
    const char* keywords[] = {"application_name", "dbname", nullptr};
    const char* values[] = {"trawler", parts.uri.c_str(), nullptr};
    m_session = std::make_shared<PgSession>(connectTo(keywords, values));
    // Numbers and texts exactly as stored; a reader cannot change anything.
    run("SET extra_float_digits = 3");
    if (readOnly) {
        run("SET default_transaction_read_only = on");
        if (parts.sensor)
            selectSensorForReading(*m_session, *parts.sensor);
    } else {
        m_sensor = parts.sensor ? *parts.sensor : defaultSensorName();
    }
}

PgConnection::~PgConnection() = default;

void PgConnection::run(const std::string& sql)
{
    m_session->exec(sql);
}

std::unique_ptr<StatementEngine> PgConnection::prepare(std::string_view sql, bool asWritten)
{
    if (isBlankSqlTail(sql))
        throw DbError("The statement is empty.");
    std::string text = asWritten ? std::string(sql) : translateForServer(sql);
    // A trailing semicolon is allowed, as on the file engine.
    while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == ';'))
        text.pop_back();
    return std::make_unique<PgStatement>(m_session, text, startsReadOnly(text), copyForInsert(sql));
}

std::vector<std::string> PgConnection::listTables()
{
    std::vector<std::string> names;
    auto st = prepare("SELECT c.relname::text FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                      "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'p', 'm') ORDER BY c.oid");
    while (st->step())
        names.push_back(*st->value(0).toText());
    return names;
}

void PgConnection::begin(bool write)
{
    run("BEGIN");
    // A writer's transaction stores its rows as its sensor's.
    if (write && !m_sensor.empty())
        selectSensorForWriting(*m_session, m_sensor);
}

void PgConnection::commit()
{
    run("COMMIT");
}

void PgConnection::rollback()
{
    m_session->discard();
    if (inTransaction())
        run("ROLLBACK");
}

bool PgConnection::inTransaction() const
{
    return PQtransactionStatus(m_session->conn()) != PQTRANS_IDLE;
}

void PgConnection::interrupt()
{
    char error[256];
    if (m_session->cancel())
        PQcancel(m_session->cancel(), error, sizeof error);
}

std::unique_ptr<BulkEngine> PgConnection::bulkInsert(std::string_view table, const std::vector<std::string>& columns)
{
    return std::make_unique<PgBulk>(m_session, table, columns);
}

void createServerDatabase(const std::string& uri)
{
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    if (!options) {
        const std::string message = error ? chomp(error) : "The server address cannot be read.";
        PQfreemem(error);
        throw DbError(message);
    }
    std::vector<std::string> keys, vals;
    std::string name;
    for (PQconninfoOption* o = options; o->keyword; ++o) {
        if (!o->val)
            continue;
        if (std::strcmp(o->keyword, "dbname") == 0) {
            name = o->val;
            continue;
        }
        keys.emplace_back(o->keyword);
        vals.emplace_back(o->val);
    }
    PQconninfoFree(options);
    if (name.empty())
        throw DbError("The server address names no database (postgresql://host/NAME).");
    // The new database is made from the server's maintenance database.
    keys.emplace_back("dbname");
    vals.emplace_back("postgres");
    std::vector<const char*> k, v;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        k.push_back(keys[i].c_str());
        v.push_back(vals[i].c_str());
    }
    k.push_back(nullptr);
    v.push_back(nullptr);
    PGconn* raw = PQconnectdbParams(k.data(), v.data(), 0);
    PgSession session(raw);
    if (PQstatus(raw) != CONNECTION_OK)
        throw DbError(chomp(PQerrorMessage(raw)));
    PQsetNoticeProcessor(raw, &ignoreNotice, nullptr);
    // Texts are stored as the bytes given (no encoding check, as in a file)
    // and compared in byte order.
    char* quoted = PQescapeIdentifier(raw, name.c_str(), name.size());
    if (!quoted)
        throw DbError(chomp(PQerrorMessage(raw)));
    const std::string sql = std::string("CREATE DATABASE ") + quoted
        + " TEMPLATE template0 ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C'";
    PQfreemem(quoted);
    session.exec(sql);
}

} // namespace trawler::db
