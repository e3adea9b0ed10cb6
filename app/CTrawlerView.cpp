#include "CTrawlerView.h"

#include "CHelpDlg.h"

#include "capturegui/CaptureController.h"
#include "db/DatabaseFile.h"
#include "db/DbError.h"
#include "parsegui/CParseDlg.h"
#include "parsegui/ParseLauncher.h"
#include "prompt/FileChoice.h"
#include "prompt/Prompter.h"

#include <QChildEvent>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QUrl>

const char* const CTrawlerView::kCaptureBanner = "正在截包.....停止截包请按停止键或'截包->停止'....";

namespace {

std::string fsPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}
} // namespace

CTrawlerView::CTrawlerView(Prompter& prompter, QWidget* parent)
    : QWidget(parent), m_prompter(prompter), m_parse(std::make_unique<ParseLauncher>(prompter, this)),
      m_capture(std::make_unique<CaptureController>(prompter, this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_worker = new ReportWorker(this);
    connect(m_worker, &ReportWorker::busyChanged, this, [this] { emit busyChanged(isBusy()); });
    // IP-MAC writes run on a worker of their own: a report started meanwhile
    // must not give up a write the operator is waiting for.
    m_editWorker = new ReportWorker(this);
    connect(m_editWorker, &ReportWorker::busyChanged, this, [this] { emit busyChanged(isBusy()); });
    for (ReportWorker* worker : {m_worker, m_editWorker})
        connect(worker, &ReportWorker::noteChanged, this, [this] { emit statusNoteChanged(statusNote()); });
    connect(m_capture.get(), &CaptureController::capturingChanged, this, &CTrawlerView::setCapturing);
}

CTrawlerView::~CTrawlerView() = default;

void CTrawlerView::setCapturing(bool capturing)
{
    if (m_bCapturing == capturing)
        return;
    m_bCapturing = capturing;
    update();
}

// ---- painting ----

void CTrawlerView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    OnDraw(painter, event->rect());
}

void CTrawlerView::OnDraw(QPainter& painter, const QRect& clip)
{
    const QRect box = clip.normalized();
    if (box.isEmpty())
        return;
    painter.fillRect(box, QColor::fromRgb(kBackground));
    if (m_bShowChart)
        DrawShareChart(painter);
    if (m_bCapturing)
        DrawCaptureBanner(painter);
}

void CTrawlerView::DrawCaptureBanner(QPainter& painter)
{
    const QString text = QString::fromUtf8(kCaptureBanner);
    painter.save();
    painter.setFont(font());
    const QRect textRect = painter.fontMetrics().boundingRect(QRect(10, 10, 10000, 1000),
                                                              Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    // Opaque text: the banner stands on its own background.
    painter.fillRect(textRect, QColor::fromRgb(kBannerBackground));
    painter.setPen(QColor::fromRgb(kBannerText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    painter.restore();
}

bool CTrawlerView::event(QEvent* event)
{
    // A static control gets its colours as soon as it is fully built.
    if (event->type() == QEvent::ChildPolished) {
        auto* child = static_cast<QChildEvent*>(event)->child();
        if (auto* label = qobject_cast<QLabel*>(child))
            OnCtlColor(label);
    }
    return QWidget::event(event);
}

void CTrawlerView::OnCtlColor(QWidget* control)
{
    QPalette palette = control->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(kStaticText));
    // The control paints its own button-face background, not the view's grey.
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    control->setPalette(palette);
    control->setAutoFillBackground(true);
}

// ---- database files ----

void CTrawlerView::OnCreateMdb()
{
    m_szFileName = databasePattern();
    const QString path =
        m_prompter.saveFileName(this, tr("选择要保存mdb文件的地址"), m_szFileName, viewDatabaseFilter());
    if (path.isEmpty())
        return;
    m_szFileName = withDatabaseExtension(path);
    try {
        // An existing file is refused even after the chooser's overwrite
        // question: nothing is ever replaced.
        trawler::db::createDatabaseFile(fsPath(m_szFileName));
    } catch (const trawler::db::DbError& e) {
        m_prompter.message(this, kAppTitle, QString::fromStdString(e.description()));
        return;
    }
    m_prompter.message(this, kAppTitle, QStringLiteral("File Created."));
}

void CTrawlerView::OnInitMdb()
{
    m_szFileName = databasePattern();
    const QString path =
        m_prompter.openFileName(this, tr("选择要初始化的mdb文件"), m_szFileName, viewDatabaseFilter());
    if (path.isEmpty())
        return;
    m_szFileName = path;
    if (InitTables(path))
        m_prompter.message(this, kAppTitle, QStringLiteral("The mdb file has been initialized."));
}

bool CTrawlerView::InitTables(const QString& path)
{
    const trawler::db::InitOutcome outcome = trawler::db::initTables(fsPath(path));
    if (outcome.error) {
        m_prompter.message(this, kAppTitle, QString::fromStdString(*outcome.error));
        return false;
    }
    return true;
}

// ---- capture and parse ----

void CTrawlerView::OnSetSaveDir()
{
    m_capture->setSaveDir();
}

void CTrawlerView::OnCaptureStart()
{
    // A running watch already captures (with its own copy of the capture
    // component); a second capture beside it would split the traffic.
    if (m_captureGuard && m_captureGuard()) {
        m_prompter.message(this, kAppTitle, tr("正在监视. 请先停止监视, 再开始截包."));
        return;
    }
    m_capture->start();
}

void CTrawlerView::OnCaptureStop()
{
    m_capture->stop();
}

void CTrawlerView::OnParse()
{
    CParseDlg dialog(m_prompter, this);
    dialog.setCaptureDir(m_capture->saveDir());
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    if (dialog.m_strCapPath.isEmpty() || dialog.m_strMdbPath.isEmpty()) {
        m_prompter.message(this, kAppTitle, QStringLiteral("No file selected."));
        return;
    }
    // Both paths go on exactly as chosen: a backslash is an ordinary file
    // name character here, so nothing is escaped.
    m_strParseDb = dialog.m_strMdbPath;
    m_parse->launch(dialog.m_strCapPath, m_strParseDb);
}

// ---- help ----

void CTrawlerView::OnHelpTopics()
{
    // The manual is built into the program; one window, raised when asked again.
    if (!m_help)
        m_help = new CHelpDlg(this);
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}
