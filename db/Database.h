#pragma once
#include "Statement.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace trawler::db {

class ConnectionEngine;
class BulkEngine;

// How a connection that needs the write lock behaves while another
// connection holds it (a parse run writes its whole capture in one
// transaction, which may take minutes). The connection waits without a time
// limit; an observer hears once that the wait began and may end it.
class WaitObserver {
public:
    virtual ~WaitObserver() = default;
    // Called once per wait, on the waiting thread, when the lock is not free.
    virtual void waitingForWriter() {}
    // Asked again and again while waiting; true ends the wait: the statement
    // then fails with DbError (the engine's "database is locked").
    virtual bool giveUpWaiting() { return false; }
};

// One connection to one database: a file of the embedded engine, or a
// database on a PostgreSQL server when the name is a postgresql:// or
// postgres:// URI (see isServerName). Every engine call is checked; a
// failure throws DbError carrying the engine's (or server's) description.
//
// A connection that writes puts the file in write-ahead-log mode, so a report
// may read a file while a parse writes it: the reader sees the last committed
// state and neither side fails on the other's lock. A connection that only
// reads changes nothing in the file and works where the operator may only
// read (a read-only directory, file or mount).
class Database {
public:
    enum class Access { ReadWrite, ReadOnly };

    Database();
    // Opens an existing database file; never creates one.
    explicit Database(const std::string& path, Access access = Access::ReadWrite);
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    void open(const std::string& path, Access access = Access::ReadWrite);
    void close();
    const std::string& path() const { return m_path; }
    // The engine's name as the operator knows it ("SQLite", "PostgreSQL").
    std::string engineName() const;

    // Names of the file's tables in creation order, the engine's own included.
    std::vector<std::string> listTables();

    // Prepares one statement. Table definitions written for the capture
    // schema (char(n), long) are carried over to this engine's types.
    Statement prepare(std::string_view sql);
    // The operator's free SQL: on a server it is passed as written (the
    // server's own SQL); on a file, as prepare().
    Statement prepareAsWritten(std::string_view sql);
    // Runs a statement to its end; returns the rows it changed.
    int execute(std::string_view sql);

    // For one connection that writes many rows in one long transaction (a
    // parse run): a larger page cache and in-memory temporary storage.
    // Durability at commit is unchanged. The columns' width and range checks
    // are not evaluated on this connection: only a writer whose values meet
    // them by construction (fixed-size texts, 16-bit numbers) may call it.
    void tuneForBulkWrite();
    // Who hears of a wait for another connection's write lock; nullptr: wait
    // silently. May be set before open(); it holds for every later open. The
    // observer must outlive its use by this connection.
    void setWaitObserver(WaitObserver* observer);

    // Ends the statement that runs on this connection as soon as possible; it
    // fails with a DbError whose interrupted() is true. Callable from any thread while the
    // Database object exists; does nothing when the connection is closed.
    void interrupt();

    void begin();
    void commit();
    void rollback();
    bool inTransaction() const;

    // Used only to give a brand-new, empty file its first page.
    void openNew(const std::string& path);

private:
    friend class BulkInsert;
    void openWith(const std::string& path, Access access, bool allowEmptyFile);
    ConnectionEngine& engine() const;

    std::unique_ptr<ConnectionEngine> m_engine;
    std::string m_path;
    Access m_access = Access::ReadWrite;
    WaitObserver* m_waitObserver = nullptr; // kept across open()
    // Held by close() and interrupt(): the engine must not be interrupted
    // through a handle that is being closed.
    std::mutex m_handleMutex;
};

// Rolls back on scope exit unless committed.
class Transaction {
public:
    explicit Transaction(Database& db) : m_db(db) { m_db.begin(); }
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& m_db;
    bool m_open = true;
};

// True when `name` selects a PostgreSQL server (a libpq connection URI)
// rather than a database file.
bool isServerName(std::string_view name);

// The server database name `name` narrowed to one sensor: readers see only
// that sensor's rows, writers store their runs as that sensor's. A file name
// is returned unchanged (a file serves one sensor).
std::string withSensor(const std::string& name, const std::string& sensor);

// Appends many rows to one table, the fastest way the engine offers (a
// reused insert on a file, COPY on a server). Values are given per row by
// column index (0-based, in the order of `columns`); endRow() closes a row;
// finish() must be called before the transaction commits, or rows may be
// missing. On a server, rows are held back until finish() or until enough
// have gathered, so a failure may show only then.
class BulkInsert {
public:
    BulkInsert(Database& db, std::string_view table, std::vector<std::string> columns);
    ~BulkInsert();
    BulkInsert(BulkInsert&&) noexcept;
    BulkInsert& operator=(BulkInsert&&) noexcept;

    // Text that must stay valid until endRow().
    BulkInsert& text(int index, std::string_view value);
    BulkInsert& integer(int index, std::int32_t value);
    BulkInsert& null(int index);
    void endRow();
    void finish();

private:
    std::unique_ptr<BulkEngine> m_engine;
};

} // namespace trawler::db
