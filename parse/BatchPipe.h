#pragma once
#include "BatchWriter.h"
#include "RowBatch.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace trawler::parse {

// Stores row batches on a thread of its own while the run's thread reads
// and decodes the next frames: the engine's work and the capture's run side
// by side on two cores. A fixed number of batches circulate, so memory stays
// bounded and a slow disk slows the reader down instead of queueing rows.
//
// The database connection belongs to the storing thread from construction
// until drain() returns; the run's thread must not use it meanwhile.
class BatchPipe {
public:
    explicit BatchPipe(BatchWriter& writer);
    // Stops the thread; batches not yet stored are dropped (the run is
    // being abandoned and rolled back).
    ~BatchPipe();
    BatchPipe(const BatchPipe&) = delete;
    BatchPipe& operator=(const BatchPipe&) = delete;

    // An empty batch to fill.
    std::unique_ptr<RowBatch> emptyBatch();
    // Hands a filled batch over to be stored, after those handed before.
    // Rethrows the storing thread's failure, if it had one.
    void store(std::unique_ptr<RowBatch> batch);
    // Waits until every batch handed over is stored; rethrows a failure.
    // Afterwards the connection is the run's thread's again.
    void drain();

private:
    static constexpr std::size_t kBatchesInFlight = 4;

    void run();
    void rethrowFailure();

    BatchWriter& m_writer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<RowBatch>> m_queued;
    std::vector<std::unique_ptr<RowBatch>> m_free;
    std::size_t m_made = 0;
    bool m_storing = false;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace trawler::parse
