#include "CaptureController.h"

#include "CFilterDlg.h"
#include "CSaveDirDlg.h"
#include "CaptureWorker.h"

#include "prompt/Prompter.h"

#include <QDialog>
#include <QDir>

namespace {

// How long start() waits for the component to open the interface, set the
// filter and create the file (milliseconds in practice). A capture still
// starting after that counts as running; a later failure is reported when
// its worker ends.
constexpr int kStartupWaitMs = 5000;

} // namespace

CaptureController::CaptureController(Prompter& prompter, QWidget* dialogParent, QObject* parent)
    : QObject(parent), m_prompter(prompter), m_dialogParent(dialogParent), m_strSaveDir(QDir::homePath())
{
}

CaptureController::~CaptureController()
{
    if (m_worker) {
        m_worker->requestStop();
        m_worker->wait();
        m_worker.reset();
    }
    delete m_dlgFilter.data();
}

void CaptureController::tell(const QString& text)
{
    m_prompter.message(m_dialogParent, QString::fromLatin1(kAppTitle), text);
}

void CaptureController::setSaveDir()
{
    CSaveDirDlg dialog(m_dialogParent);
    // Taken exactly as typed; the component says what is wrong with it when
    // capture starts.
    if (m_prompter.exec(dialog) == QDialog::Accepted) {
        m_strSaveDir = dialog.dir();
        emit saveDirChanged(m_strSaveDir);
    }
}

CFilterDlg& CaptureController::filterDialog()
{
    if (!m_dlgFilter)
        m_dlgFilter = new CFilterDlg(m_dialogParent);
    return *m_dlgFilter;
}

void CaptureController::start()
{
    // Only one capture at a time: a second worker could never be stopped.
    if (m_worker) {
        tell(QStringLiteral("Capture is already running. Stop it before starting another."));
        return;
    }
    switch (m_library.load()) {
    case CaptureLibrary::LoadResult::NotFound:
        tell(QStringLiteral("Not found dll."));
        return;
    case CaptureLibrary::LoadResult::MissingEntryPoint:
        tell(QStringLiteral("The capture library has no entry point \"Capture\"."));
        return;
    case CaptureLibrary::LoadResult::Loaded:
        break;
    }

    CFilterDlg& dialog = filterDialog();
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;

    auto worker = std::make_unique<CaptureWorker>(m_library.entryPoints(), dialog.filter(), m_strSaveDir);
    const quint64 serial = ++m_workerSerial;
    connect(worker.get(), &CaptureWorker::captureEnded, this,
            [this, serial](int, const QString& error) { onWorkerEnded(serial, error); }, Qt::QueuedConnection);
    worker->start();
    if (worker->waitForStartup(kStartupWaitMs) == CaptureWorker::Startup::Failed) {
        // Nothing is captured: say why, and no banner.
        worker->wait();
        const QString why = worker->errorText();
        worker.reset();
        tell(why.isEmpty() ? QStringLiteral("Capture could not be started.") : why);
        return;
    }
    m_worker = std::move(worker);
    setCapturing(true);
}

void CaptureController::stop()
{
    setCapturing(false);
    if (!m_worker)
        return;
    m_worker->requestStop();
    m_worker->wait();
    const int status = m_worker->status();
    const QString error = m_worker->errorText();
    const QString file = m_worker->fileName();
    const quint64 packets = m_worker->packets();
    m_worker.reset();
    emit captureFinished(file, packets);
    tell(QStringLiteral("Thread Ended."));
    if (status != TRAWLER_CAPTURE_STOPPED && status != TRAWLER_CAPTURE_LIMIT_REACHED && !error.isEmpty())
        tell(error);
}

void CaptureController::onWorkerEnded(quint64 serial, const QString& error)
{
    // Stale news: that worker was stopped or refused already.
    if (!m_worker || serial != m_workerSerial)
        return;
    // The capture ended by itself (the interface went away, the disk filled):
    // the banner must not go on claiming that packets are captured.
    m_worker->wait(); // the thread is just returning
    const QString file = m_worker->fileName();
    const quint64 packets = m_worker->packets();
    m_worker.reset();
    setCapturing(false);
    emit captureFinished(file, packets);
    tell(error.isEmpty() ? QStringLiteral("Thread Ended.") : error);
}

bool CaptureController::isCapturing() const
{
    return m_bCapturing;
}

QString CaptureController::captureFile() const
{
    return m_worker ? m_worker->fileName() : QString();
}

QString CaptureController::saveDir() const
{
    return m_strSaveDir;
}

void CaptureController::setCapturing(bool capturing)
{
    if (m_bCapturing == capturing)
        return;
    m_bCapturing = capturing;
    emit capturingChanged(capturing);
}
