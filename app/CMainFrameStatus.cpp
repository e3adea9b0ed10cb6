// The main window's status bar: the message pane (parse progress, busy
// state, the last capture), the panes of the report, database, save
// directory and capture, the buttons that stop a report or cancel parses, and
// the lock indicators; and closing while parses run.
#include "CMainFrame.h"

#include "CTrawlerView.h"
#include "LockIndicators.h"
#include "WatchController.h"

#include "capturegui/CaptureController.h"
#include "capturegui/PacketTally.h"
#include "parsegui/ParseLauncher.h"
#include "prompt/FileChoice.h"
#include "prompt/Prompter.h"
#include "skin/CStatusBarXP.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

namespace {
// How often the lock indicators look at the keyboard.
constexpr int kLockPollMs = 250;
} // namespace

bool CMainFrame::createStatusBar()
{
    m_wndStatusBar = new CStatusBarXP(this);
    m_paneMessage = new QLabel(tr("就绪"), m_wndStatusBar);
    m_wndStatusBar->addWidget(m_paneMessage, 1);
    // The lock indicators follow the keyboard where the window system tells
    // its lock states, and stand greyed elsewhere. The bar outlines its panes
    // itself.
    const QStringList indicators{tr("大写"), tr("数字"), tr("滚动")};
    const QList<QLabel*> locks = m_wndStatusBar->setIndicators(indicators);
    showLockStates(locks, readLockStates());
    auto* lockTimer = new QTimer(this);
    connect(lockTimer, &QTimer::timeout, this, [locks] { showLockStates(locks, readLockStates()); });
    lockTimer->start(kLockPollMs);

    // Panes left of the indicators, in this order; each shows only while it
    // has something to say.
    int at = 1; // after the message pane
    const auto addPane = [this, &at](const char* name) {
        auto* pane = new QLabel(m_wndStatusBar);
        pane->setObjectName(QString::fromLatin1(name));
        pane->hide();
        m_wndStatusBar->insertPermanentWidget(at++, pane);
        return pane;
    };
    m_btnStop = new QToolButton(m_wndStatusBar);
    m_btnStop->setObjectName(QStringLiteral("stopButton"));
    m_btnStop->setText(tr("停止"));
    m_btnStop->setToolTip(tr("停止正在运行的报表或查询 (Esc)"));
    m_btnStop->setAutoRaise(true);
    m_btnStop->hide();
    m_wndStatusBar->insertPermanentWidget(at++, m_btnStop);
    m_btnCancelParse = new QToolButton(m_wndStatusBar);
    m_btnCancelParse->setObjectName(QStringLiteral("cancelParseButton"));
    m_btnCancelParse->setText(tr("取消解析"));
    m_btnCancelParse->setAutoRaise(true);
    m_btnCancelParse->hide();
    m_wndStatusBar->insertPermanentWidget(at++, m_btnCancelParse);
    m_paneCapture = addPane("capturePane");
    addPane("watchPane");
    m_paneRows = addPane("rowsPane");
    m_paneDatabase = addPane("databasePane");
    m_paneSaveDir = addPane("saveDirPane");
    setStatusBar(m_wndStatusBar);
    return true;
}

void CMainFrame::watchView()
{
    CTrawlerView* view = m_view;
    connect(m_btnStop, &QToolButton::clicked, view, &CTrawlerView::cancelReport);
    connect(m_btnCancelParse, &QToolButton::clicked, this, [view] { view->parseLauncher().cancelAll(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, view, [view] {
        if (view->isBusy())
            view->cancelReport();
    });
    connect(view, &CTrawlerView::busyChanged, this, [this](bool busy) {
        m_btnStop->setVisible(busy);
        updateMessagePane();
    });
    connect(view, &CTrawlerView::statusNoteChanged, this, &CMainFrame::updateMessagePane);
    connect(view, &CTrawlerView::rowCountChanged, this, &CMainFrame::showRowCount);
    connect(view, &CTrawlerView::databaseChanged, this, &CMainFrame::showDatabase);
    CaptureController& capture = view->captureController();
    connect(&capture, &CaptureController::saveDirChanged, this, &CMainFrame::showSaveDir);
    connect(&capture, &CaptureController::capturingChanged, this, &CMainFrame::showCapturing);
    connect(&capture, &CaptureController::captureFinished, this, [this](const QString& file, quint64 packets) {
        m_lastCapture = file.isEmpty() ? QString()
                                       : tr("%1: %2 个包").arg(QFileInfo(file).fileName()).arg(packets);
        updateMessagePane();
    });
    m_captureTimer = new QTimer(this);
    m_captureTimer->setInterval(500);
    connect(m_captureTimer, &QTimer::timeout, this, &CMainFrame::updateCaptureCount);
    showSaveDir(capture.saveDir());
    auto* watchPane = m_wndStatusBar->findChild<QLabel*>(QStringLiteral("watchPane"));
    connect(&WatchController::of(*view), &WatchController::statusChanged, watchPane, [watchPane](const QString& text) {
        watchPane->setText(text);
        watchPane->setVisible(!text.isEmpty());
    });
}

void CMainFrame::showRowCount(qlonglong rows)
{
    m_paneRows->setVisible(rows >= 0);
    m_paneRows->setText(tr("共 %1 行").arg(rows));
}

void CMainFrame::showDatabase(const QString& path)
{
    // A server's URI is shown whole, but never with its password.
    const QString shown = databaseDisplayName(path);
    const QString name = isServerDatabase(path) ? shown : QFileInfo(path).fileName();
    m_paneDatabase->setVisible(!path.isEmpty());
    m_paneDatabase->setText(tr("数据库: %1").arg(name));
    m_paneDatabase->setToolTip(shown);
}

void CMainFrame::showSaveDir(const QString& dir)
{
    m_paneSaveDir->setVisible(!dir.isEmpty());
    m_paneSaveDir->setText(tr("保存目录: %1").arg(QFileInfo(dir).fileName().isEmpty() ? dir : QFileInfo(dir).fileName()));
    m_paneSaveDir->setToolTip(dir);
}

void CMainFrame::showCapturing(bool capturing)
{
    m_paneCapture->setVisible(capturing);
    if (capturing) {
        m_lastCapture.clear();
        m_tally = std::make_unique<PacketTally>(
            QFile::encodeName(m_view->captureController().captureFile()).toStdString());
        updateCaptureCount();
        m_captureTimer->start();
    } else {
        m_captureTimer->stop();
        m_tally.reset();
    }
    updateMessagePane();
}

void CMainFrame::updateCaptureCount()
{
    const quint64 packets = m_tally ? m_tally->update() : 0;
    m_paneCapture->setText(tr("正在截包: %1 个包").arg(packets));
}


void CMainFrame::showParseProgress(int runId, const QString& captureFile, int percent)
{
    ParseEntry& entry = m_parses[runId];
    if (!captureFile.isEmpty())
        entry.file = captureFile;
    entry.percent = percent;
    updateMessagePane();
}

void CMainFrame::showParseWaiting(int runId, bool waiting)
{
    m_parses[runId].waiting = waiting;
    updateMessagePane();
}

void CMainFrame::endParseProgress(int runId)
{
    m_parses.remove(runId);
    updateMessagePane();
    // The operator asked to leave once the parses were over.
    if (m_parses.isEmpty() && m_closeWhenParsed)
        QTimer::singleShot(0, this, &QWidget::close);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    // A running watch ends first (its last file is taken in); the window
    // closes again once it has.
    if (WatchController::of(*m_view).holdCloseUntilStopped(this)) {
        event->ignore();
        return;
    }
    ParseLauncher& parses = m_view->parseLauncher();
    if (parses.runningCount() == 0) {
        QMainWindow::closeEvent(event);
        return;
    }
    // A parse must not go on invisibly once the window is gone: it is
    // cancelled (rolled back), or the window waits for it.
    event->ignore();
    if (m_closeWhenParsed)
        return;
    QStringList choices;
    if (parses.canCancel())
        choices << tr("取消解析并退出");
    choices << tr("等待解析完成后退出") << tr("不退出");
    const int choice = m_view->prompter().choose(
        this, QString::fromLatin1(kAppTitle),
        tr("正在解析 %n 个文件. 取消解析, 还是等待解析完成后退出?", nullptr, parses.runningCount()), choices);
    if (choice < 0 || choices[choice] == tr("不退出"))
        return;
    if (choices[choice] == tr("取消解析并退出"))
        parses.cancelAll();
    m_closeWhenParsed = true;
    updateMessagePane();
}

void CMainFrame::updateMessagePane()
{
    if (!m_paneMessage)
        return;
    if (m_parses.isEmpty()) {
        m_btnCancelParse->hide();
        const QString note = m_view ? m_view->statusNote() : QString();
        if (m_view && m_view->isBusy())
            m_paneMessage->setText(note.isEmpty() ? tr("正在查询...") : note);
        else if (!m_lastCapture.isEmpty())
            m_paneMessage->setText(m_lastCapture);
        else
            m_paneMessage->setText(tr("就绪"));
        return;
    }
    m_btnCancelParse->setVisible(m_view && m_view->parseLauncher().canCancel());
    QStringList parts;
    if (m_closeWhenParsed)
        parts << tr("解析完成后退出");
    for (const ParseEntry& entry : m_parses)
        parts << (entry.waiting ? tr("正在解析 %1: 正在等待另一个运行结束...").arg(QFileInfo(entry.file).fileName())
                                : tr("正在解析 %1: %2%").arg(QFileInfo(entry.file).fileName()).arg(entry.percent));
    m_paneMessage->setText(parts.join(QStringLiteral("    ")));
}
