#include "ReportWorker.h"

#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

struct ReportWorker::Run {
    trawler::reports::Interruption interruption;
    std::atomic<bool> finished{false};
    std::thread thread;
    quint64 serial = 0;
};

namespace {
// The engine ignores an interrupt that comes before a statement has begun to
// run; a cancelled job is interrupted again at this pace until it ends.
constexpr int kRetryMs = 50;
// Report threads yield the processor to the GUI thread: on a machine whose
// cores are all busy the window still repaints at once.
constexpr int kWorkerNice = 5;

void lowerThisThread()
{
    // Linux keeps a nice value per thread; failing to set it only costs speed.
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, kWorkerNice);
}
} // namespace

ReportWorker::ReportWorker(QObject* parent) : QObject(parent)
{
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &ReportWorker::repeatCancels);
}

ReportWorker::~ReportWorker()
{
    for (auto& run : m_runs) {
        while (!run->finished.load()) {
            run->interruption.cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        run->thread.join();
    }
}

void ReportWorker::start(Job job)
{
    cancel();
    auto run = std::make_unique<Run>();
    Run* r = run.get();
    r->serial = ++m_serial;
    m_current = r->serial;
    m_runs.push_back(std::move(run));
    // The thread is joined before this object goes (destructor), so posting
    // to it from the thread is safe; a posted call is dropped with it.
    r->thread = std::thread([this, r, job = std::move(job)] {
        lowerThisThread();
        Continuation done;
        try {
            done = job(r->interruption);
        } catch (...) {
            // A job reports its own failures through its continuation; an
            // escaped exception leaves nothing to show.
        }
        QMetaObject::invokeMethod(
            this, [this, r, done = std::move(done)] { onFinished(r, done); }, Qt::QueuedConnection);
        r->finished.store(true);
    });
    emit busyChanged(true);
}

void ReportWorker::cancel()
{
    if (!m_current)
        return;
    for (auto& run : m_runs)
        if (run->serial == m_current)
            run->interruption.cancel();
    m_current = 0;
    m_retry.start();
    setNote({});
    emit busyChanged(false);
}

void ReportWorker::postNote(const trawler::reports::Interruption& job, const QString& text)
{
    const trawler::reports::Interruption* sender = &job;
    QMetaObject::invokeMethod(
        this,
        [this, sender, text] {
            // The run is still listed: its thread is joined only in onFinished,
            // which this call, posted earlier, precedes.
            for (const auto& run : m_runs)
                if (run->serial == m_current && &run->interruption == sender && !sender->cancelled())
                    setNote(text);
        },
        Qt::QueuedConnection);
}

void ReportWorker::setNote(const QString& text)
{
    if (text == m_note)
        return;
    m_note = text;
    emit noteChanged(m_note);
}

void ReportWorker::repeatCancels()
{
    bool pending = false;
    for (auto& run : m_runs)
        if (run->serial != m_current && !run->finished.load()) {
            run->interruption.cancel();
            pending = true;
        }
    if (!pending)
        m_retry.stop();
}

void ReportWorker::onFinished(Run* run, const Continuation& done)
{
    run->thread.join();
    const bool current = run->serial == m_current && !run->interruption.cancelled();
    m_runs.remove_if([run](const std::unique_ptr<Run>& r) { return r.get() == run; });
    if (!current)
        return;
    m_current = 0;
    setNote({});
    emit busyChanged(false);
    if (done)
        done();
}
