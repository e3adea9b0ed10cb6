#include "BatchPipe.h"

namespace trawler::parse {

BatchPipe::BatchPipe(BatchWriter& writer) : m_writer(writer)
{
    m_thread = std::thread([this] { run(); });
}

BatchPipe::~BatchPipe()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void BatchPipe::rethrowFailure()
{
    if (m_failure)
        std::rethrow_exception(m_failure);
}

std::unique_ptr<RowBatch> BatchPipe::emptyBatch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_free.empty() && m_made < kBatchesInFlight) {
        ++m_made;
        return std::make_unique<RowBatch>();
    }
    m_changed.wait(lock, [&] { return !m_free.empty() || m_failure; });
    rethrowFailure();
    std::unique_ptr<RowBatch> batch = std::move(m_free.back());
    m_free.pop_back();
    return batch;
}

void BatchPipe::store(std::unique_ptr<RowBatch> batch)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        rethrowFailure();
        m_queued.push_back(std::move(batch));
    }
    m_changed.notify_all();
}

void BatchPipe::drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return (m_queued.empty() && !m_storing) || m_failure; });
    rethrowFailure();
}

void BatchPipe::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || !m_queued.empty(); });
        if (m_stop)
            return;
        std::unique_ptr<RowBatch> batch = std::move(m_queued.front());
        m_queued.pop_front();
        m_storing = true;
        lock.unlock();
        std::exception_ptr failure;
        try {
            m_writer.write(*batch);
        } catch (...) {
            failure = std::current_exception();
        }
        batch->clear();
        lock.lock();
        m_storing = false;
        m_free.push_back(std::move(batch));
        if (failure) {
            // Nothing after a failed batch is stored: the run ends with it.
            m_failure = failure;
            m_queued.clear();
        }
        m_changed.notify_all();
        if (m_failure)
            return;
    }
}

} // namespace trawler::parse
