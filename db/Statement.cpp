#include "Statement.h"

#include "DbError.h"
#include "Engine.h"

#include <strings.h>

namespace trawler::db {

Statement::Statement() = default;
Statement::Statement(std::unique_ptr<StatementEngine> engine) : m_stmt(std::move(engine)) {}
Statement::~Statement() = default;

Statement::Statement(Statement&& other) noexcept
    : m_stmt(std::move(other.m_stmt)), m_hasRow(other.m_hasRow), m_done(other.m_done)
{
    other.m_hasRow = false;
}

Statement& Statement::operator=(Statement&& other) noexcept
{
    if (this != &other) {
        m_stmt = std::move(other.m_stmt);
        m_hasRow = other.m_hasRow;
        m_done = other.m_done;
        other.m_hasRow = false;
    }
    return *this;
}

StatementEngine& Statement::engine() const
{
    if (!m_stmt)
        throw DbError("No statement to run.");
    return *m_stmt;
}

Statement& Statement::bindText(int index, std::string_view text)
{
    engine().bindText(index, text, true);
    return *this;
}

Statement& Statement::bindTextUnowned(int index, std::string_view text)
{
    engine().bindText(index, text, false);
    return *this;
}

Statement& Statement::bindInt(int index, std::int32_t value)
{
    engine().bindInt(index, value);
    return *this;
}

Statement& Statement::bindInt64(int index, std::int64_t value)
{
    engine().bindInt64(index, value);
    return *this;
}

Statement& Statement::bindNull(int index)
{
    engine().bindNull(index);
    return *this;
}

void Statement::clearBindings()
{
    engine().clearBindings();
}

bool Statement::step()
{
    StatementEngine& st = engine();
    if (m_done)
        return false;
    bool row = false;
    try {
        row = st.step();
    } catch (...) {
        m_hasRow = false;
        m_done = true;
        throw;
    }
    m_hasRow = row;
    m_done = !row;
    return row;
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
    engine().reset();
}

bool Statement::returnsRows() const
{
    return m_stmt && m_stmt->returnsRows();
}

bool Statement::readOnly() const
{
    return !m_stmt || m_stmt->readOnly();
}

int Statement::fieldCount() const
{
    return m_stmt ? m_stmt->fieldCount() : 0;
}

std::string Statement::fieldName(int index) const
{
    return engine().fieldName(index);
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
        const std::string field = m_stmt->fieldName(i);
        if (field.size() == name.size() && strncasecmp(field.data(), name.data(), name.size()) == 0)
            return i;
    }
    return -1;
}

void Statement::checkField(int index) const
{
    if (!m_hasRow)
        throw DbError("Either BOF or EOF is True, or the current record has been deleted.");
    if (index < 0 || index >= fieldCount())
        throw DbError::missingField();
}

FieldView Statement::field(int index) const
{
    checkField(index);
    return m_stmt->field(index);
}

Value Statement::value(int index) const
{
    checkField(index);
    return m_stmt->value(index);
}

Value Statement::value(std::string_view name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError::missingField(std::string(name));
    return value(index);
}

int Statement::changes() const
{
    return engine().changes();
}

} // namespace trawler::db
