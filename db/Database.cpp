#include "Database.h"

#include "DbError.h"
#include "Engine.h"
#include "SqliteEngine.h"
#ifdef TRAWLER_HAVE_LIBPQ
#include "PgEngine.h"
#endif

#include "text/Hex.h"

#include <utility>

namespace trawler::db {

bool isServerName(std::string_view name)
{
    return name.rfind("postgresql://", 0) == 0 || name.rfind("postgres://", 0) == 0;
}

std::string withSensor(const std::string& name, const std::string& sensor)
{
    if (!isServerName(name))
        return name;
    return name + (name.find('?') == std::string::npos ? "?" : "&") + "sensor=" + text::percentEncode(sensor);
}

Database::Database() = default;

Database::Database(const std::string& path, Access access)
{
    open(path, access);
}

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept
    : m_engine(std::move(other.m_engine)), m_path(std::move(other.m_path)), m_access(other.m_access),
      m_waitObserver(other.m_waitObserver)
{
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        std::lock_guard<std::mutex> lock(m_handleMutex);
        m_engine = std::move(other.m_engine);
        m_path = std::move(other.m_path);
        m_access = other.m_access;
        m_waitObserver = other.m_waitObserver;
    }
    return *this;
}

ConnectionEngine& Database::engine() const
{
    if (!m_engine)
        throw DbError("The database is not open.");
    return *m_engine;
}

void Database::open(const std::string& path, Access access)
{
    openWith(path, access, false);
}

void Database::openNew(const std::string& path)
{
    openWith(path, Access::ReadWrite, true);
}

void Database::openWith(const std::string& path, Access access, bool allowEmptyFile)
{
    close();
    std::unique_ptr<ConnectionEngine> engine;
    if (isServerName(path)) {
#ifdef TRAWLER_HAVE_LIBPQ
        engine = std::make_unique<PgConnection>(path, access == Access::ReadOnly);
#else
        throw DbError("This build of Trawler has no PostgreSQL support (libpq was not found when it was built).");
#endif
    } else {
        engine = std::make_unique<SqliteConnection>(path, access == Access::ReadOnly, allowEmptyFile, m_waitObserver);
    }
    engine->setWaitObserver(m_waitObserver);
    std::lock_guard<std::mutex> lock(m_handleMutex);
    m_engine = std::move(engine);
    m_path = path;
    m_access = access;
}

void Database::close()
{
    std::lock_guard<std::mutex> lock(m_handleMutex);
    m_engine.reset();
}

void Database::interrupt()
{
    std::lock_guard<std::mutex> lock(m_handleMutex);
    if (m_engine)
        m_engine->interrupt();
}

std::string Database::engineName() const
{
    return engine().engineName();
}

std::vector<std::string> Database::listTables()
{
    return engine().listTables();
}

Statement Database::prepare(std::string_view sql)
{
    return Statement(engine().prepare(sql));
}

Statement Database::prepareAsWritten(std::string_view sql)
{
    return Statement(engine().prepare(sql, true));
}

int Database::execute(std::string_view sql)
{
    Statement st = prepare(sql);
    while (st.step()) {
    }
    return st.changes();
}

void Database::setWaitObserver(WaitObserver* observer)
{
    m_waitObserver = observer;
    if (m_engine)
        m_engine->setWaitObserver(observer);
}

void Database::tuneForBulkWrite()
{
    engine().tuneForBulkWrite();
}

void Database::begin()
{
    engine().begin(m_access == Access::ReadWrite);
}

void Database::commit()
{
    engine().commit();
}

void Database::rollback()
{
    if (m_engine)
        m_engine->rollback();
}

bool Database::inTransaction() const
{
    return m_engine && m_engine->inTransaction();
}

Transaction::~Transaction()
{
    if (m_open) {
        try {
            m_db.rollback();
        } catch (...) {
            // Nothing more can be done for a connection that cannot roll back;
            // closing it discards the transaction.
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_open = false;
}

BulkInsert::BulkInsert(Database& db, std::string_view table, std::vector<std::string> columns)
    : m_engine(db.engine().bulkInsert(table, columns))
{
}

BulkInsert::~BulkInsert() = default;
BulkInsert::BulkInsert(BulkInsert&&) noexcept = default;
BulkInsert& BulkInsert::operator=(BulkInsert&&) noexcept = default;

BulkInsert& BulkInsert::text(int index, std::string_view value)
{
    m_engine->text(index, value);
    return *this;
}

BulkInsert& BulkInsert::integer(int index, std::int32_t value)
{
    m_engine->integer(index, value);
    return *this;
}

BulkInsert& BulkInsert::null(int index)
{
    m_engine->null(index);
    return *this;
}

void BulkInsert::endRow()
{
    m_engine->endRow();
}

void BulkInsert::finish()
{
    m_engine->finish();
}

} // namespace trawler::db
