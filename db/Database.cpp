#include "Database.h"

#include "DbError.h"
#include "EngineError.h"
#include "FileAccess.h"
#include "SqlDialect.h"

#include <mutex>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace trawler::db {

namespace {

constexpr int kNewFilePageSize = 65536;

// SQLite gives a few names a meaning of their own (an empty name or
// ":memory:" is a private in-memory database, "file:" may start a URI).
// An operator's path always names a file, so such a path is made explicit.
std::string engineFileName(const std::string& path)
{
    if (path.empty())
        throw DbError("No database file was given.");
    if (path.front() == ':' || path.rfind("file:", 0) == 0)
        return "./" + path;
    return path;
}

// Process-wide engine settings, made once before the engine's first use.
// Allocation statistics cost a global mutex per allocation; nothing here
// reads them. A host that started the engine earlier keeps its own settings.
void configureEngineOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
}

bool isEmptyRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0;
}

// Failures of a read-only open that come from the log files a reader of a
// write-ahead-log file needs beside it, not from the file itself.
bool isLogAccessFailure(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CANTOPEN || primary == SQLITE_READONLY;
}

} // namespace

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept
    : m_db(other.m_db), m_path(std::move(other.m_path)), m_access(other.m_access),
      m_waitObserver(other.m_waitObserver)
{
    other.m_db = nullptr;
    if (m_db)
        sqlite3_busy_handler(m_db, &Database::onBusy, this);
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        m_db = other.m_db;
        m_path = std::move(other.m_path);
        m_access = other.m_access;
        m_waitObserver = other.m_waitObserver;
        other.m_db = nullptr;
        if (m_db)
            sqlite3_busy_handler(m_db, &Database::onBusy, this);
    }
    return *this;
}

int Database::onBusy(void* self, int attempt)
{
    auto* database = static_cast<Database*>(self);
    WaitObserver* observer = database->m_waitObserver;
    if (observer) {
        if (attempt == 0)
            observer->waitingForWriter();
        if (observer->giveUpWaiting())
            return 0;
    }
    // Short sleeps first (a writer between two statements), then a steady
    // 50 ms poll: the lock is taken soon after it is freed, and a give-up is
    // heard within that time.
    const int ms = std::min(50, 1 + attempt * 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return 1;
}

void Database::check(int rc) const
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw engineError(m_db, rc);
}

void Database::open(const std::string& path, Access access)
{
    openWith(path, access, false);
}

void Database::openNew(const std::string& path)
{
    openWith(path, Access::ReadWrite, true);
}

namespace {

sqlite3* openHandle(const std::string& name, int flags)
{
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close(db);
        throw DbError(message, rc);
    }
    sqlite3_extended_result_codes(db, 1);
    return db;
}

// The first read of the file: a file that is not a database fails here, and
// so does a write-ahead-log file whose shared-memory index cannot be made.
int firstRead(sqlite3* db)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master", -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW || rc == SQLITE_DONE)
            rc = SQLITE_OK;
    }
    sqlite3_finalize(stmt);
    return rc;
}

} // namespace

void Database::openWith(const std::string& path, Access access, bool allowEmptyFile)
{
    close();
    configureEngineOnce();
    const std::string name = engineFileName(path);
    // An empty file would silently become a database on first write; the
    // operator's "not a database" file must stay as it is.
    if (!allowEmptyFile && isEmptyRegularFile(name))
        throw DbError(sqlite3_errstr(SQLITE_NOTADB), SQLITE_NOTADB);

    m_path = path;
    m_access = access;
    if (access == Access::ReadOnly) {
        openReadOnly(name);
        return;
    }
    m_db = openHandle(name, SQLITE_OPEN_READWRITE);
    try {
        check(sqlite3_busy_handler(m_db, &Database::onBusy, this));
        // The engine opens a write-protected file for reading without a
        // word; a writer must hear now, not at its first row.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw DbError("attempt to write a readonly database" + unwritableNote(name), SQLITE_READONLY);
        // A new file gets the largest page the engine offers: capture tables
        // only grow at their right edge and reports scan them whole, so big
        // pages mean fewer page writes per parsed row and fewer page reads per
        // report (measured: a tenth less time for a million-frame parse).
        if (allowEmptyFile)
            execute("PRAGMA page_size=" + std::to_string(kNewFilePageSize));
        // The first read of the file: a file that is not a database fails here.
        for (const char* pragma : {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL"}) {
            Statement st = prepare(pragma);
            while (st.step()) {
            }
        }
    } catch (...) {
        close();
        throw;
    }
}

void Database::openReadOnly(const std::string& name)
{
    // Nothing here changes the file: no journal-mode switch, no pragma that
    // writes. A write-ahead-log file still needs its index file beside it;
    // where that cannot be made (a read-only directory or mount) the file is
    // opened as unchangeable instead, which needs no file beside it.
    m_db = openHandle(name, SQLITE_OPEN_READONLY);
    int rc = firstRead(m_db);
    if (rc != SQLITE_OK && isLogAccessFailure(rc)) {
        const DbError first = engineError(m_db, rc);
        close();
        // A log with changes in it would be ignored by such an open: the
        // reader would see stale data without knowing it.
        if (hasPendingLog(name))
            throw DbError(first.description() + " The log beside the file holds changes that a reader cannot "
                          "apply without write access; open the file once where it may be written.", first.code());
        m_db = openHandle(immutableUri(name), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        rc = firstRead(m_db);
    }
    try {
        check(rc);
        check(sqlite3_busy_handler(m_db, &Database::onBusy, this));
    } catch (...) {
        close();
        throw;
    }
}

void Database::close()
{
    std::lock_guard<std::mutex> lock(m_handleMutex);
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Database::interrupt()
{
    std::lock_guard<std::mutex> lock(m_handleMutex);
    if (m_db)
        sqlite3_interrupt(m_db);
}

std::vector<std::string> Database::listTables()
{
    std::vector<std::string> names;
    Statement st = prepare("SELECT name FROM sqlite_master WHERE type IN ('table','view') ORDER BY rowid");
    while (st.step())
        names.push_back(*st.value(0).toText());
    return names;
}

Statement Database::prepare(std::string_view sql)
{
    if (!m_db)
        throw DbError("The database is not open.");
    const std::string text = translateForEngine(sql);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size() + 1), &stmt, &tail);
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc);
    Statement st(m_db, stmt);
    if (!stmt)
        throw DbError("The statement is empty.");
    if (tail && !isBlankSqlTail(tail))
        throw DbError("Characters found after end of SQL statement.");
    return st;
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
}

void Database::tuneForBulkWrite()
{
    // 4 MiB of cache holds the growing right edges of the tables (rows are
    // only appended); more buys no speed. The figure bounds the run's memory
    // whatever the capture's size.
    for (const char* pragma : {"PRAGMA cache_size=-4096", "PRAGMA temp_store=MEMORY"}) {
        Statement st = prepare(pragma);
        while (st.step()) {
        }
    }
}

void Database::begin()
{
    // IMMEDIATE takes the write lock now, so a busy file is waited for here
    // rather than failing later on a lock upgrade. A reader only wants one
    // consistent snapshot.
    execute(m_access == Access::ReadOnly ? "BEGIN" : "BEGIN IMMEDIATE");
}

void Database::commit()
{
    execute("COMMIT");
}

void Database::rollback()
{
    if (inTransaction())
        execute("ROLLBACK");
}

bool Database::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
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

} // namespace trawler::db
