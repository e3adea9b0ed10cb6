#pragma once
// The embedded engine: one database file. Internal to db/.
#include "Engine.h"

struct sqlite3;

namespace trawler::db {

class SqliteConnection : public ConnectionEngine {
public:
    // Opens an existing file; `allowEmptyFile` only to give a new file its first page.
    // `observer` hears of waits from the first statement on (see Database).
    SqliteConnection(const std::string& path, bool readOnly, bool allowEmptyFile, WaitObserver* observer);
    ~SqliteConnection() override;
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    std::unique_ptr<StatementEngine> prepare(std::string_view sql, bool asWritten = false) override;
    std::vector<std::string> listTables() override;
    void begin(bool write) override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;
    void interrupt() override;
    void tuneForBulkWrite() override;
    void setWaitObserver(WaitObserver* observer) override { m_waitObserver = observer; }
    std::unique_ptr<BulkEngine> bulkInsert(std::string_view table, const std::vector<std::string>& columns) override;
    const char* engineName() const override { return "SQLite"; }

private:
    void openReadWrite(const std::string& name, bool allowEmptyFile);
    void openReadOnly(const std::string& name);
    void run(std::string_view sql);
    void check(int rc) const;
    static int onBusy(void* self, int attempt);

    sqlite3* m_db = nullptr;
    WaitObserver* m_waitObserver = nullptr;
};

} // namespace trawler::db
