#pragma once
// One connection to the server, shared by the connection object and its
// statements (a statement may outlive Database::close()), with the rows that
// wait to be sent by COPY. Internal to db/.
#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace trawler::db {

struct PgResultDeleter {
    void operator()(PGresult* r) const { PQclear(r); }
};
using PgResult = std::unique_ptr<PGresult, PgResultDeleter>;

// Takes a result; throws DbError with the server's message unless it succeeded.
PgResult checkedResult(PGconn* conn, PGresult* raw);

// The server's message for a failure on the connection itself.
std::string connectionMessage(PGconn* conn);

// One field in COPY text form, appended to `row` (tab-separated, \N for NULL).
void appendCopyField(std::string& row, const std::optional<std::string_view>& value);

class PgSession {
public:
    explicit PgSession(PGconn* conn);
    ~PgSession();
    PgSession(const PgSession&) = delete;
    PgSession& operator=(const PgSession&) = delete;

    PGconn* conn() const { return m_conn; }
    PGcancel* cancel() const { return m_cancel; }
    std::string nextName() { return "trawler_" + std::to_string(++m_statements); }
    bool inTransaction() const { return PQtransactionStatus(m_conn) != PQTRANS_IDLE; }

    // Runs a command after sending every waiting row.
    PgResult exec(const std::string& sql);

    // Rows for one table wait until another command runs, the transaction
    // ends or enough have gathered, then go in one COPY: the connection
    // carries one COPY at a time, and a parse run fills several tables row
    // by row. `row` is in COPY text form without its line end.
    void queueRow(const std::string& copyCommand, std::string_view row);
    // Sends every waiting row. A failure is the server's message for the
    // first refused row; the transaction is then failed.
    void flush();
    // Forgets waiting rows (the transaction is being rolled back).
    void discard();

private:
    void send(std::pair<std::string, std::string>& batch);

    PGconn* m_conn;
    PGcancel* m_cancel;
    unsigned long m_statements = 0;
    std::vector<std::pair<std::string, std::string>> m_batches; // COPY command, rows
};

} // namespace trawler::db
