#pragma once
// The server engine: a database on a PostgreSQL server, reached through
// libpq with a connection URI. Internal to db/.
#include "Engine.h"

#include <memory>

namespace trawler::db {

class PgSession;

class PgConnection : public ConnectionEngine {
public:
    // `uri` is a postgresql:// or postgres:// URI; the password comes from
    // ~/.pgpass or PGPASSWORD as libpq finds it. A read-only connection
    // makes the server refuse every change. A "sensor=NAME" query parameter
    // (ours, not passed to libpq) narrows a reader to that sensor's rows and
    // names the sensor a writer's transactions store under (default: the
    // host name).
    PgConnection(const std::string& uri, bool readOnly);
    ~PgConnection() override;

    std::unique_ptr<StatementEngine> prepare(std::string_view sql, bool asWritten = false) override;
    std::vector<std::string> listTables() override;
    void begin(bool write) override;
    void commit() override;
    void rollback() override;
    bool inTransaction() const override;
    void interrupt() override;
    void tuneForBulkWrite() override {}
    void setWaitObserver(WaitObserver*) override {}
    std::unique_ptr<BulkEngine> bulkInsert(std::string_view table, const std::vector<std::string>& columns) override;
    const char* engineName() const override { return "PostgreSQL"; }

private:
    void run(const std::string& sql);

    std::shared_ptr<PgSession> m_session;
    std::string m_sensor; // a writer's; empty for a reader
};

// Makes the database the URI names, on its server, through the server's
// maintenance database. Fails (with the server's reason) when it exists.
void createServerDatabase(const std::string& uri);

} // namespace trawler::db
