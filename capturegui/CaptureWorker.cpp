#include "CaptureWorker.h"

#include <chrono>

CaptureWorker::CaptureWorker(const CaptureLibrary::EntryPoints& entry, const QString& filter,
                             const QString& directory, QObject* parent)
    : QThread(parent), m_entry(entry), m_filter(filter.toUtf8()), m_directory(directory.toUtf8())
{
}

CaptureWorker::~CaptureWorker()
{
    requestStop();
    wait();
}

CaptureWorker::Startup CaptureWorker::waitForStartup(int milliseconds)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_startupChanged.wait_for(lock, std::chrono::milliseconds(milliseconds),
                              [this] { return m_startup != Startup::Pending; });
    return m_startup;
}

void CaptureWorker::requestStop()
{
    m_stopRequested.store(true);
    // A stop made before the component registered its capture does not reach
    // it; onStarted repeats it then.
    if (m_entry.stop)
        m_entry.stop();
}

void CaptureWorker::onStarted(void* context, const char*, const char* fileName)
{
    auto* self = static_cast<CaptureWorker*>(context);
    {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_startup = Startup::Running;
        self->m_fileName = QString::fromUtf8(fileName);
    }
    self->m_startupChanged.notify_all();
    if (self->m_stopRequested.load())
        self->m_entry.stop();
}

void CaptureWorker::run()
{
    int status = TRAWLER_CAPTURE_STOPPED;
    QString error;
    TrawlerCaptureSummary summary{};
    if (m_entry.complete() && !m_stopRequested.load()) {
        TrawlerCaptureOptions options{};
        options.onStarted = &CaptureWorker::onStarted;
        options.context = this;
        status = m_entry.run(m_filter.constData(), m_directory.constData(), &options, &summary);
        error = QString::fromUtf8(m_entry.lastError());
    }
    const QString fileName = QString::fromUtf8(summary.fileName);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_startup == Startup::Pending)
            m_startup = Startup::Failed;
        m_status = status;
        m_error = error;
        m_fileName = fileName;
        m_packets = summary.packets;
    }
    m_startupChanged.notify_all();
    emit captureEnded(status, error, fileName, summary.packets);
}

int CaptureWorker::status() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status;
}

QString CaptureWorker::errorText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

QString CaptureWorker::fileName() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fileName;
}

quint64 CaptureWorker::packets() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_packets;
}
