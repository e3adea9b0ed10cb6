#include "SqliteEngine.h"

#include "Database.h"
#include "DbError.h"
#include "EngineError.h"
#include "FileAccess.h"
#include "SqlDialect.h"

#include "text/Hex.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <mutex>
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

class SqliteStatement : public StatementEngine {
public:
    SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~SqliteStatement() override { sqlite3_finalize(m_stmt); }

    void bindText(int index, std::string_view text, bool copy) override
    {
        check(sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()),
                                copy ? SQLITE_TRANSIENT : SQLITE_STATIC));
    }
    void bindInt(int index, std::int32_t value) override { check(sqlite3_bind_int(m_stmt, index, value)); }
    void bindInt64(int index, std::int64_t value) override { check(sqlite3_bind_int64(m_stmt, index, value)); }
    void bindNull(int index) override { check(sqlite3_bind_null(m_stmt, index)); }
    void clearBindings() override { check(sqlite3_clear_bindings(m_stmt)); }

    bool step() override
    {
        const int rc = sqlite3_step(m_stmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        // sqlite3_reset hands back the specific error (a constraint's own text).
        sqlite3_reset(m_stmt);
        throw engineError(m_db, rc);
    }
    void reset() override { check(sqlite3_reset(m_stmt)); }
    bool returnsRows() const override { return sqlite3_column_count(m_stmt) > 0; }
    bool readOnly() const override { return sqlite3_stmt_readonly(m_stmt) != 0; }
    int fieldCount() const override { return sqlite3_column_count(m_stmt); }
    std::string fieldName(int index) const override
    {
        const char* name = sqlite3_column_name(m_stmt, index);
        return name ? name : "";
    }
    FieldView field(int index) const override
    {
        FieldView f;
        switch (sqlite3_column_type(m_stmt, index)) {
        case SQLITE_NULL:
            break;
        case SQLITE_INTEGER:
            f.kind = FieldView::Kind::Integer;
            f.integer = sqlite3_column_int64(m_stmt, index);
            break;
        case SQLITE_FLOAT:
            f.kind = FieldView::Kind::Real;
            break;
        case SQLITE_BLOB:
            f.kind = FieldView::Kind::Bytes;
            break;
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
            f.kind = FieldView::Kind::Text;
            if (p)
                f.text = {p, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, index))};
        }
        }
        return f;
    }
    Value value(int index) const override
    {
        switch (sqlite3_column_type(m_stmt, index)) {
        case SQLITE_NULL:
            return Value();
        case SQLITE_INTEGER:
            return Value::integer(sqlite3_column_int64(m_stmt, index));
        case SQLITE_FLOAT:
            return Value::real(sqlite3_column_double(m_stmt, index));
        case SQLITE_BLOB: {
            // Bytes are shown in the engine's own literal form, X'0A1B', never
            // as text that a list or terminal would garble.
            const auto* p = static_cast<const unsigned char*>(sqlite3_column_blob(m_stmt, index));
            const int n = sqlite3_column_bytes(m_stmt, index);
            std::string out = "X'";
            for (int i = 0; i < n; ++i)
                text::appendHex(out, p[i], text::HexCase::Upper);
            return Value::text(out + "'");
        }
        default: {
            const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
            const int n = sqlite3_column_bytes(m_stmt, index);
            return Value::text(p ? std::string(p, static_cast<std::size_t>(n)) : std::string());
        }
        }
    }
    int changes() const override { return sqlite3_changes(m_db); }

private:
    void check(int rc) const
    {
        if (rc != SQLITE_OK)
            throw engineError(m_db, rc);
    }

    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

// The embedded engine appends fastest through one reused insert statement.
class SqliteBulk : public BulkEngine {
public:
    explicit SqliteBulk(std::unique_ptr<StatementEngine> insert) : m_insert(std::move(insert)) {}
    void text(int index, std::string_view value) override { m_insert->bindText(index + 1, value, false); }
    void integer(int index, std::int32_t value) override { m_insert->bindInt(index + 1, value); }
    void null(int index) override { m_insert->bindNull(index + 1); }
    void endRow() override
    {
        m_insert->step();
        m_insert->reset();
    }
    void finish() override {}

private:
    std::unique_ptr<StatementEngine> m_insert;
};

} // namespace

SqliteConnection::SqliteConnection(const std::string& path, bool readOnly, bool allowEmptyFile,
                                   WaitObserver* observer)
    : m_waitObserver(observer)
{
    configureEngineOnce();
    const std::string name = engineFileName(path);
    // An empty file would silently become a database on first write; the
    // operator's "not a database" file must stay as it is.
    if (!allowEmptyFile && isEmptyRegularFile(name))
        throw DbError(sqlite3_errstr(SQLITE_NOTADB), SQLITE_NOTADB);
    if (readOnly)
        openReadOnly(name);
    else
        openReadWrite(name, allowEmptyFile);
}

SqliteConnection::~SqliteConnection()
{
    // _v2: statements still alive keep the handle until they are finalised.
    sqlite3_close_v2(m_db);
}

void SqliteConnection::openReadWrite(const std::string& name, bool allowEmptyFile)
{
    m_db = openHandle(name, SQLITE_OPEN_READWRITE);
    try {
        check(sqlite3_busy_handler(m_db, &SqliteConnection::onBusy, this));
        // The engine opens a write-protected file for reading without a
        // word; a writer must hear now, not at its first row.
        if (sqlite3_db_readonly(m_db, "main") == 1)
            throw DbError("attempt to write a readonly database" + unwritableNote(name), SQLITE_READONLY);
        // A new file gets the largest page the engine offers: capture tables
        // only grow at their right edge and reports scan them whole, so big
        // pages mean fewer page writes per parsed row and fewer page reads per
        // report (measured: a tenth less time for a million-frame parse).
        if (allowEmptyFile)
            run("PRAGMA page_size=" + std::to_string(kNewFilePageSize));
        // The first read of the file: a file that is not a database fails here.
        run("PRAGMA journal_mode=WAL");
        run("PRAGMA synchronous=NORMAL");
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

void SqliteConnection::openReadOnly(const std::string& name)
{
    // Nothing here changes the file: no journal-mode switch, no pragma that
    // writes. A write-ahead-log file still needs its index file beside it;
    // where that cannot be made (a read-only directory or mount) the file is
    // opened as unchangeable instead, which needs no file beside it.
    m_db = openHandle(name, SQLITE_OPEN_READONLY);
    int rc = firstRead(m_db);
    if (rc != SQLITE_OK && isLogAccessFailure(rc)) {
        const DbError first = engineError(m_db, rc);
        sqlite3_close_v2(m_db);
        m_db = nullptr;
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
        check(sqlite3_busy_handler(m_db, &SqliteConnection::onBusy, this));
    } catch (...) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

int SqliteConnection::onBusy(void* self, int attempt)
{
    WaitObserver* observer = static_cast<SqliteConnection*>(self)->m_waitObserver;
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

void SqliteConnection::check(int rc) const
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw engineError(m_db, rc);
}

void SqliteConnection::run(std::string_view sql)
{
    auto st = prepare(sql);
    while (st->step()) {
    }
}

std::unique_ptr<StatementEngine> SqliteConnection::prepare(std::string_view sql, bool)
{
    // The file engine's own SQL and the schema's differ only in table
    // definitions, which are translated either way.
    const std::string text = translateForEngine(sql);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, text.c_str(), static_cast<int>(text.size() + 1), &stmt, &tail);
    if (rc != SQLITE_OK)
        throw engineError(m_db, rc);
    if (!stmt)
        throw DbError("The statement is empty.");
    auto st = std::make_unique<SqliteStatement>(m_db, stmt);
    if (tail && !isBlankSqlTail(tail))
        throw DbError("Characters found after end of SQL statement.");
    return st;
}

std::vector<std::string> SqliteConnection::listTables()
{
    std::vector<std::string> names;
    auto st = prepare("SELECT name FROM sqlite_master WHERE type IN ('table','view') ORDER BY rowid");
    while (st->step())
        names.push_back(*st->value(0).toText());
    return names;
}

void SqliteConnection::begin(bool write)
{
    // IMMEDIATE takes the write lock now, so a busy file is waited for here
    // rather than failing later on a lock upgrade. A reader only wants one
    // consistent snapshot.
    run(write ? "BEGIN IMMEDIATE" : "BEGIN");
}

void SqliteConnection::commit()
{
    run("COMMIT");
}

void SqliteConnection::rollback()
{
    if (inTransaction())
        run("ROLLBACK");
}

bool SqliteConnection::inTransaction() const
{
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

void SqliteConnection::interrupt()
{
    sqlite3_interrupt(m_db);
}

void SqliteConnection::tuneForBulkWrite()
{
    // 4 MiB of cache holds the growing right edges of the tables (rows are
    // only appended); more buys no speed. The figure bounds the run's memory
    // whatever the capture's size.
    run("PRAGMA cache_size=-4096");
    run("PRAGMA temp_store=MEMORY");
    // The CHECK constraints of the capture tables cost half of every row's
    // insert. The parse run's values cannot break them (texts are formatted
    // into buffers no longer than their columns, numbers are 16-bit), and
    // PRAGMA integrity_check still verifies them on the stored rows.
    run("PRAGMA ignore_check_constraints=ON");
}

std::unique_ptr<BulkEngine> SqliteConnection::bulkInsert(std::string_view table, const std::vector<std::string>& columns)
{
    std::string sql = "insert into " + std::string(table) + " (";
    std::string marks;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        sql += (i ? ", " : "") + columns[i];
        marks += i ? ", ?" : "?";
    }
    return std::make_unique<SqliteBulk>(prepare(sql + ") values (" + marks + ")"));
}

} // namespace trawler::db
