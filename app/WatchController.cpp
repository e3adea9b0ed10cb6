#include "WatchController.h"

#include "CTrawlerView.h"
#include "ReportViewText.h"

#include "capturegui/CaptureController.h"
#include "parsegui/ParseLauncher.h"
#include "prompt/Prompter.h"
#include "reports/ReportError.h"
#include "watch/Pipeline.h"
#include "watch/WatchLoop.h"

#include <QFile>
#include <QTimer>
#include <QWidget>

#include <mutex>

namespace {

// Run messages go nowhere: the status bar counts files and alerts instead.
class QuietListener : public trawler::parse::RunListener {
public:
    void message(std::string_view, std::string_view) override {}
};

} // namespace

// What the GUI thread and the watch thread both touch.
struct WatchController::Shared {
    std::mutex mutex;
    trawler::watch::WatchLoop* loop = nullptr; // set while run() may be called or runs
    bool stopRequested = false;

    void requestStop()
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopRequested = true;
        if (loop)
            loop->stop();
    }
};

WatchController::WatchController(Prompter& prompter, CTrawlerView& view)
    : QObject(&view), m_prompter(prompter), m_view(view)
{
    setObjectName(QStringLiteral("watchController"));
    // A capture beside a running watch would split the traffic.
    view.setCaptureGuard([self = QPointer<WatchController>(this)] { return self && self->isRunning(); });
}

WatchController::~WatchController()
{
    if (m_thread) {
        m_shared->requestStop();
        m_thread->join();
    }
}

WatchController& WatchController::of(CTrawlerView& view)
{
    if (auto* existing = view.findChild<WatchController*>(QStringLiteral("watchController"),
                                                         Qt::FindDirectChildrenOnly))
        return *existing;
    return *new WatchController(view.prompter(), view);
}

void WatchController::tell(const QString& text)
{
    m_prompter.message(&m_view, QString::fromLatin1(kAppTitle), text);
}

void WatchController::start()
{
    if (m_thread) {
        tell(tr("监视已在运行."));
        return;
    }
    const QString database = m_view.databasePath();
    if (database.isEmpty()) {
        tell(fromUtf8(trawler::reports::ReportError::noDatabase().what()));
        return;
    }
    // The capture component runs one capture at a time in a process.
    if (m_view.captureController().isCapturing()) {
        tell(tr("正在截包. 请先停止截包, 再开始监视."));
        return;
    }
    // Two writers on one database file would wait on each other's locks.
    if (m_view.parseLauncher().isWriting(database)) {
        tell(tr("正在解析写入此数据库. 请在解析完成后开始监视."));
        return;
    }
    trawler::watch::WatchSettings settings;
    settings.directory = QFile::encodeName(m_view.captureController().saveDir()).toStdString();
    const std::string databaseFile = QFile::encodeName(database).toStdString();

    m_shared = std::make_shared<Shared>();
    m_newAlerts = 0;
    m_stopping = false;
    auto shared = m_shared;
    m_thread = std::make_unique<std::thread>([this, shared, settings, databaseFile] {
        QString summary;
        QString error;
        try {
            trawler::watch::Pipeline pipeline(databaseFile, {}, trawler::watch::VendorTable::load());
            QuietListener listener;
            QStringList refused;
            trawler::watch::WatchLoop loop(settings, pipeline, listener,
                                           [this, &refused](const std::string& file,
                                                            const trawler::watch::TakeInResult& result) {
                                               if (!result.takenIn()
                                                   && result.run.outcome != TRAWLER_PARSE_ALREADY_STORED)
                                                   refused << tr("%1 未能解析: %2")
                                                                  .arg(QFile::decodeName(file.c_str()),
                                                                       fromUtf8(result.run.text));
                                               const quint64 alerts = result.alerts.size();
                                               QMetaObject::invokeMethod(
                                                   this, [this, alerts] { onFileTakenIn(alerts); },
                                                   Qt::QueuedConnection);
                                           });
            trawler::watch::WatchOutcome outcome;
            bool ran = false;
            {
                std::unique_lock<std::mutex> lock(shared->mutex);
                if (!shared->stopRequested) {
                    shared->loop = &loop;
                    ran = true;
                }
            }
            if (ran) {
                outcome = loop.run();
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->loop = nullptr;
            }
            summary = tr("监视已停止: 截获 %1 个包, %2 个文件, %3 个新警报.")
                          .arg(outcome.packets)
                          .arg(outcome.files)
                          .arg(pipeline.alertsRaised());
            QStringList problems = refused;
            if (!outcome.error.empty())
                problems.prepend(fromUtf8(outcome.error));
            error = problems.join(QLatin1Char('\n'));
        } catch (const std::exception& e) {
            error = fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(this, [this, summary, error] { onEnded(summary, error); }, Qt::QueuedConnection);
    });
    emit runningChanged(true);
    showStatus();
}

void WatchController::stop()
{
    if (!m_thread || m_stopping)
        return;
    m_stopping = true;
    m_shared->requestStop();
    showStatus();
}

bool WatchController::holdCloseUntilStopped(QWidget* window)
{
    if (!m_thread)
        return false;
    m_closeAfter = window;
    stop();
    return true;
}

void WatchController::onFileTakenIn(quint64 alerts)
{
    m_newAlerts += alerts;
    showStatus();
}

void WatchController::onEnded(const QString& summary, const QString& error)
{
    if (m_thread) {
        m_thread->join();
        m_thread.reset();
    }
    m_shared.reset();
    m_stopping = false;
    emit statusChanged(QString());
    emit runningChanged(false);
    emit finished(summary, error);
    if (m_closeAfter) {
        // Leaving: nothing more to tell.
        QTimer::singleShot(0, m_closeAfter.data(), &QWidget::close);
        m_closeAfter.clear();
        return;
    }
    if (!error.isEmpty())
        tell(error);
    else if (!summary.isEmpty())
        tell(summary);
}

void WatchController::showStatus()
{
    if (!m_thread)
        return;
    emit statusChanged(m_stopping ? tr("正在停止监视: %1 个新警报").arg(m_newAlerts)
                                  : tr("监视中: %1 个新警报").arg(m_newAlerts));
}
