#include "Interruption.h"

#include "db/Database.h"

namespace trawler::reports {

void Interruption::cancel()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancelled = true;
    if (m_connection)
        m_connection->interrupt();
}

bool Interruption::cancelled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_cancelled;
}

ReportError Interruption::cancelledError()
{
    return ReportError(ReportError::Kind::Database, "Operation cancelled.");
}

Interruption::Scope::Scope(Interruption* interruption, db::Database& connection) : m_interruption(interruption)
{
    if (!m_interruption)
        return;
    std::lock_guard<std::mutex> lock(m_interruption->m_mutex);
    if (m_interruption->m_cancelled) {
        m_interruption = nullptr;
        throw cancelledError();
    }
    m_interruption->m_connection = &connection;
}

Interruption::Scope::~Scope()
{
    if (!m_interruption)
        return;
    std::lock_guard<std::mutex> lock(m_interruption->m_mutex);
    m_interruption->m_connection = nullptr;
}

} // namespace trawler::reports
