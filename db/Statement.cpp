#include "Statement.h"

#include "DbError.h"
#include "EngineError.h"

#include <sqlite3.h>
#include <strings.h>

namespace trawler::db {

Statement::Statement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept
    : m_db(other.m_db), m_stmt(other.m_stmt), m_hasRow(other.m_hasRow), m_done(other.m_done)
{
    other.m_stmt = nullptr;
    other.m_hasRow = false;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        m_hasRow = other.m_hasRow;
        m_done = other.m_done;
        other.m_stmt = nullptr;
        other.m_hasRow = false;
    }
    return *this;
}

void Statement::check(int rc) const
{
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc);
}

Statement& Statement::bindText(int index, std::string_view text)
{
    check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::bindTextUnowned(int index, std::string_view text)
{
    check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC));
    return *this;
}

Statement& Statement::bindInt(int index, std::int32_t value)
{
    check(sqlite3_bind_int(m_stmt, index, value));
    return *this;
}

Statement& Statement::bindInt64(int index, std::int64_t value)
{
    check(sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

Statement& Statement::bindNull(int index)
{
    check(sqlite3_bind_null(m_stmt, index));
    return *this;
}

void Statement::clearBindings()
{
    check(sqlite3_clear_bindings(m_stmt));
}

bool Statement::step()
{
    if (!m_stmt)
        throw DbError("No statement to run.");
    if (m_done)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) {
        m_hasRow = true;
        return true;
    }
    m_hasRow = false;
    m_done = true;
    if (rc == SQLITE_DONE)
        return false;
    // sqlite3_reset hands back the specific error (a constraint's own text).
    sqlite3_reset(m_stmt);
    throw engineError(m_db, rc);
}

void Statement::execute()
{
    while (step()) {
    }
    reset();
}

void Statement::reset()
{
    m_hasRow = false;
    m_done = false;
    check(sqlite3_reset(m_stmt));
}

bool Statement::returnsRows() const
{
    return m_stmt && sqlite3_column_count(m_stmt) > 0;
}

int Statement::fieldCount() const
{
    return m_stmt ? sqlite3_column_count(m_stmt) : 0;
}

std::string Statement::fieldName(int index) const
{
    const char* name = sqlite3_column_name(m_stmt, index);
    return name ? name : "";
}

std::vector<std::string> Statement::fieldNames() const
{
    std::vector<std::string> names;
    const int n = fieldCount();
    names.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        names.push_back(fieldName(i));
    return names;
}

int Statement::fieldIndex(std::string_view name) const
{
    const int n = fieldCount();
    for (int i = 0; i < n; ++i) {
        const char* field = sqlite3_column_name(m_stmt, i);
        if (field && std::string_view(field).size() == name.size()
            && strncasecmp(field, name.data(), name.size()) == 0)
            return i;
    }
    return -1;
}

Value Statement::value(int index) const
{
    if (!m_hasRow)
        throw DbError("Either BOF or EOF is True, or the current record has been deleted.");
    if (index < 0 || index >= fieldCount())
        throw DbError("Item cannot be found in the collection corresponding to the requested name or ordinal.");
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        return Value();
    case SQLITE_INTEGER:
        return Value::integer(sqlite3_column_int64(m_stmt, index));
    case SQLITE_FLOAT:
        return Value::real(sqlite3_column_double(m_stmt, index));
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        const int n = sqlite3_column_bytes(m_stmt, index);
        return Value::text(p ? std::string(p, static_cast<std::size_t>(n)) : std::string());
    }
    }
}

Value Statement::value(std::string_view name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError("Item cannot be found in the collection corresponding to the requested name or ordinal: "
                      + std::string(name) + ".");
    return value(index);
}

int Statement::changes() const
{
    return sqlite3_changes(m_db);
}

} // namespace trawler::db
