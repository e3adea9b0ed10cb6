#include "PgSession.h"

#include "DbError.h"

#include <cstring>

namespace trawler::db {

namespace {

constexpr const char* kQueryCanceled = "57014";
constexpr std::size_t kBatchBytes = 8u << 20;

std::string chomp(std::string s)
{
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.pop_back();
    return s;
}

DbError resultError(PGconn* conn, const PGresult* result)
{
    std::string message;
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (primary) {
        message = primary;
        if (const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL))
            message += std::string(" (") + detail + ")";
    } else {
        message = connectionMessage(conn);
    }
    if (message.empty())
        message = "The server gave no reason.";
    const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    const bool canceled = state && std::strcmp(state, kQueryCanceled) == 0;
    return DbError(message, 0, canceled ? DbError::Cause::Interrupted : DbError::Cause::Other);
}

} // namespace

std::string connectionMessage(PGconn* conn)
{
    return conn ? chomp(PQerrorMessage(conn)) : "Out of memory while talking to the server.";
}

PgResult checkedResult(PGconn* conn, PGresult* raw)
{
    PgResult result(raw);
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN)
        return result;
    if (status == PGRES_EMPTY_QUERY)
        throw DbError("The statement is empty.");
    throw resultError(conn, result.get());
}

void appendCopyField(std::string& row, const std::optional<std::string_view>& value)
{
    if (!value) {
        row += "\\N";
        return;
    }
    // COPY text form: the separator, line ends and the backslash itself are
    // escaped with a backslash.
    for (char c : *value) {
        switch (c) {
        case '\\': row += "\\\\"; break;
        case '\t': row += "\\t"; break;
        case '\n': row += "\\n"; break;
        case '\r': row += "\\r"; break;
        default: row += c;
        }
    }
}

PgSession::PgSession(PGconn* conn) : m_conn(conn), m_cancel(conn ? PQgetCancel(conn) : nullptr) {}

PgSession::~PgSession()
{
    if (m_cancel)
        PQfreeCancel(m_cancel);
    PQfinish(m_conn);
}

PgResult PgSession::exec(const std::string& sql)
{
    flush();
    return checkedResult(m_conn, PQexec(m_conn, sql.c_str()));
}

void PgSession::queueRow(const std::string& copyCommand, std::string_view row)
{
    std::pair<std::string, std::string>* batch = nullptr;
    for (auto& b : m_batches)
        if (b.first == copyCommand)
            batch = &b;
    if (!batch)
        batch = &m_batches.emplace_back(copyCommand, std::string());
    batch->second.append(row);
    batch->second += '\n';
    if (batch->second.size() >= kBatchBytes)
        send(*batch);
}

void PgSession::flush()
{
    for (auto& batch : m_batches)
        if (!batch.second.empty())
            send(batch);
}

void PgSession::discard()
{
    m_batches.clear();
}

void PgSession::send(std::pair<std::string, std::string>& batch)
{
    std::string data;
    data.swap(batch.second);
    try {
        checkedResult(m_conn, PQexec(m_conn, batch.first.c_str()));
        if (PQputCopyData(m_conn, data.data(), static_cast<int>(data.size())) != 1 || PQputCopyEnd(m_conn, nullptr) != 1)
            throw DbError(connectionMessage(m_conn));
        PgResult result(PQgetResult(m_conn));
        // Read to the end of the command before anything else is sent.
        while (PGresult* extra = PQgetResult(m_conn))
            PQclear(extra);
        checkedResult(m_conn, result.release());
    } catch (...) {
        discard();
        throw;
    }
    // The buffer's memory is kept for the next batch.
    data.clear();
    batch.second.swap(data);
}

} // namespace trawler::db
