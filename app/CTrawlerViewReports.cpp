// The report commands of the view: database choice, table reports, the
// share chart, the free query and the IP-MAC bindings. Each report opens its
// own connection through a ReportCursor; the list keeps that cursor and
// fetches further rows from it as the operator scrolls, so the first rows show
// at once and a long result never turns into a mass of widgets.
#include "CTrawlerView.h"

#include "CQueryResultDlg.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "JobObserver.h"
#include "ReportLayout.h"
#include "ReportViewText.h"
#include "ReportListModel.h"
#include "ReportListView.h"
#include "ShareChartPainter.h"
#include "ShareLegend.h"

#include "parsegui/ParseLauncher.h"
#include "prompt/FileChoice.h"
#include "prompt/Prompter.h"
#include "reports/Catalogue.h"
#include "reports/FreeQuery.h"
#include "reports/Interruption.h"
#include "reports/IpMacMap.h"
#include "reports/LocalNetwork.h"
#include "reports/PieLayout.h"
#include "reports/ReportCursor.h"
#include "reports/ReportError.h"
#include "skin/CSkinButton.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeView>

#include <optional>

using trawler::reports::ReportCursor;
using trawler::reports::ReportDefinition;
using trawler::reports::ReportError;
namespace reports = trawler::reports;

namespace {

// First batch of a chart report's list (see RunTableReport).
constexpr std::size_t kChartFirstBatch = 32768;

// Control ids of the report controls, kept as a property for whoever
// addresses them.
constexpr int kListId = 1;
constexpr int kHintId = 65535;
constexpr int kQueryLabelId = 11;
constexpr int kQueryEditId = 1;

const QRect kQueryLabelRect(QPoint(0, 390), QPoint(45 - 1, 425 - 1));
const QRect kQueryEditRect(QPoint(50, 390), QPoint(520 - 1, 425 - 1));
const QRect kQueryButtonRect(QPoint(525, 390), QPoint(585 - 1, 425 - 1));

} // namespace

QFont CTrawlerView::makeTextFont()
{
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(12);
    return font;
}

ReportListModel* CTrawlerView::reportModel() const
{
    return m_pReportList ? qobject_cast<ReportListModel*>(m_pReportList->model()) : nullptr;
}

const reports::ShareChart& CTrawlerView::chart() const
{
    static const reports::ShareChart kEmpty;
    return m_chart ? *m_chart : kEmpty;
}

QString CTrawlerView::networkPrefix() const
{
    return fromUtf8(reports::networkPrefix(reports::localInterface().ip));
}

std::string CTrawlerView::DbPath() const
{
    return QFile::encodeName(m_szDbPath).toStdString();
}

void CTrawlerView::ShowError(const QString& text)
{
    m_prompter.message(this, kAppTitle, text);
}

void CTrawlerView::RouteCommand(int id)
{
    // Through the main window's routing when the view sits in one; a view
    // on its own answers its query button directly.
    if (m_router)
        m_router->routeCommand(id);
    else if (id == ID_CUSTOM_QUERY)
        OnCustomQuery();
}

// ---- database choice ----

void CTrawlerView::OnSelectDatabase()
{
    // The earlier choice is gone at once: cancelling leaves none.
    m_szDbPath = databasePattern();
    m_szDbPath = m_prompter.openFileName(this, tr("选择mdb文件"), m_szDbPath, viewDatabaseFilter());
    emit databaseChanged(m_szDbPath);
}

// ---- the report controls ----

void CTrawlerView::ClearReport()
{
    // Closing a report ends whatever it still reads; an IP-MAC write goes on.
    m_worker->cancel();
    if (ReportListModel* model = reportModel())
        model->cancel();
    if (m_queryModel)
        m_queryModel->cancel();
    emit rowCountChanged(-1);
    delete m_pReportList;
    delete m_pHintStatic;
    delete m_pHintScroll;
    delete m_pLegend;
    m_shown.reset();
    m_bShowChart = false;
    update();
}

QTreeView* CTrawlerView::CreateReportList(int listBottom, ReportListModel* model)
{
    delete m_pReportList;
    QTreeView* list = makeReportListView(model, this);
    model->setParent(list);
    list->setProperty("controlId", kListId);
    list->setFont(font());
    list->setGeometry(0, 0, kListWidth, listBottom);
    // A failure while scrolling is shown once the scrolling is over, not
    // from inside the list's own layout.
    connect(model, &ReportListModel::fetchFailed, list, [this](const QString& text) { ShowError(text); },
            Qt::QueuedConnection);
    list->show();
    m_pReportList = list;
    return list;
}

void CTrawlerView::ShowHint(const QString& text, const QRect& rect)
{
    delete m_pHintStatic;
    delete m_pHintScroll;
    auto* hint = new QLabel(text, this);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setProperty("controlId", kHintId);
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    hint->setTextFormat(Qt::PlainText);
    hint->setFont(m_fontText);
    hint->setGeometry(rect);
    m_pHintStatic = hint;
    if (hint->heightForWidth(rect.width()) > rect.height()) {
        // Too long for its rectangle with this font: the rectangle scrolls,
        // so the last sentence can still be read.
        auto* scroll = new QScrollArea(this);
        scroll->setObjectName(QStringLiteral("hintScroll"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        scroll->setGeometry(rect);
        const int width = rect.width() - scroll->verticalScrollBar()->sizeHint().width();
        hint->setParent(scroll);
        hint->setFixedSize(width, hint->heightForWidth(width));
        scroll->setWidget(hint);
        // Inside the frame the hint keeps the colours of the view's statics.
        OnCtlColor(hint);
        scroll->show();
        m_pHintScroll = scroll;
    }
    hint->show();
}

void CTrawlerView::ShowLegend(int bottom)
{
    delete m_pLegend;
    if (!m_chart)
        return;
    const reports::PieLayout layout = reports::layoutPie(*m_chart);
    if (layout.wedges.empty())
        return;
    const reports::ChartPoint first = layout.wedges.front().legendTopLeft;
    auto* legend = new ShareLegend(layout, m_fontText, this);
    const int left = first.x - ShareLegend::kSwatchGap;
    legend->setGeometry(left, first.y, kListWidth - left, std::max(ShareLegend::kLineHeight, bottom - first.y));
    legend->show();
    m_pLegend = legend;
    update();
}

void CTrawlerView::BuildQueryPanel()
{
    // Rebuilt after every report that lists rows: typed text is gone.
    delete m_stQueryLabel;
    delete m_editQuery;
    delete m_btnQuery;

    m_stQueryLabel = new QLabel(tr("自定义查询:"), this);
    m_stQueryLabel->setObjectName(QStringLiteral("queryLabel"));
    m_stQueryLabel->setProperty("controlId", kQueryLabelId);
    m_stQueryLabel->setFrameShape(QFrame::Box);
    m_stQueryLabel->setWordWrap(true);
    m_stQueryLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_stQueryLabel->setFont(m_fontText);
    m_stQueryLabel->setGeometry(kQueryLabelRect);

    m_editQuery = new QPlainTextEdit(this);
    m_editQuery->setObjectName(QStringLiteral("queryEdit"));
    m_editQuery->setProperty("controlId", kQueryEditId);
    m_editQuery->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_editQuery->setGeometry(kQueryEditRect);

    m_btnQuery = new CSkinButton(tr("开始查询"), this);
    m_btnQuery->setObjectName(QStringLiteral("queryButton"));
    m_btnQuery->setProperty("controlId", ID_CUSTOM_QUERY);
    m_btnQuery->setFont(m_fontText);
    m_btnQuery->setGeometry(kQueryButtonRect);
    connect(m_btnQuery, &QPushButton::clicked, this, [this] { RouteCommand(ID_CUSTOM_QUERY); });

    m_stQueryLabel->show();
    m_editQuery->show();
    m_btnQuery->show();
}

// ---- table reports ----

bool CTrawlerView::isBusy() const
{
    const ReportListModel* model = reportModel();
    return m_worker->isBusy() || m_editWorker->isBusy() || (model && model->isBusy());
}

QString CTrawlerView::statusNote() const
{
    return m_editWorker->note().isEmpty() ? m_worker->note() : m_editWorker->note();
}

void CTrawlerView::cancelReport()
{
    m_worker->cancel();
    m_editWorker->cancel();
    if (ReportListModel* model = reportModel())
        model->cancel();
    if (m_queryModel)
        m_queryModel->cancel();
}

void CTrawlerView::StartReport(ReportWorker::Job job)
{
    // An answer from the worker arrives as a closure; the report it belongs
    // to may have been replaced or cancelled by then, and is then dropped.
    m_worker->start(std::move(job));
}

QString CTrawlerView::reportErrorText(const ReportError& e) const
{
    // A report on a file that a parse of ours is filling finds nothing yet.
    if (e.kind() == ReportError::Kind::NoRecords && m_parse->isWriting(m_szDbPath))
        return tr("正在解析写入此数据库, 结果在解析完成后出现.");
    return fromUtf8(e.what());
}

void CTrawlerView::WatchModel(ReportListModel* model)
{
    connect(model, &ReportListModel::busyChanged, this, [this] { emit busyChanged(isBusy()); });
    connect(model, &ReportListModel::totalKnown, this, [this](qulonglong rows) { emit rowCountChanged(qlonglong(rows)); });
    model->readInBackground(m_szDbPath);
    if (model->totalRows())
        emit rowCountChanged(qlonglong(*model->totalRows()));
}

void CTrawlerView::RunTableReport(const ReportDefinition& definition)
{
    ClearReport();
    const std::string path = DbPath();
    StartReport([this, path, definition](reports::Interruption& interruption) -> ReportWorker::Continuation {
        std::shared_ptr<ReportCursor> cursor;
        auto rows = std::make_shared<std::vector<reports::Row>>();
        try {
            // A traffic report may first bring its summaries up to date.
            JobObserver observer(*m_worker, interruption);
            cursor = std::make_shared<ReportCursor>(ReportCursor::open(path, definition, &observer, &interruption));
        } catch (const ReportError& e) {
            return [this, e] { ShowError(reportErrorText(e)); };
        }
        std::shared_ptr<reports::ShareChart> chart;
        std::optional<std::string> failure;
        try {
            reports::Interruption::Scope scope(&interruption, cursor->connection());
            // A chart needs the total of the whole result. Taking a generous
            // first batch lets most chart reports (a few hundred
            // destinations, a few thousand endpoint pairs) end within it, so
            // the chart comes from the listed rows instead of a second run.
            cursor->fetch(definition.chart ? kChartFirstBatch : ReportListModel::kBatch, *rows);
            if (definition.chart)
                chart = std::make_shared<reports::ShareChart>(cursor->shareChart());
        } catch (const ReportError& e) {
            failure = e.what();
        }
        return [this, definition, cursor, rows, chart, failure] {
            const ReportLayout& layout = reportLayout(definition.name);
            auto* model = new ReportListModel(cursor->titles());
            model->appendRows(std::move(*rows));
            model->setCursor(std::move(*cursor));
            CreateReportList(layout.listBottom, model);
            if (failure) {
                // The rows listed so far stay; no chart, no hint.
                ShowError(fromUtf8(*failure));
                return;
            }
            WatchModel(model);
            m_shown = definition;
            if (definition.hint)
                ShowHint(fromUtf8(*definition.hint), layout.hintRect);
            if (chart) {
                m_chart = chart;
                m_bShowChart = true;
                // The legend ends where the hint begins.
                ShowLegend(definition.hint ? layout.hintRect.top() : kQueryLabelRect.top());
            }
            BuildQueryPanel();
        };
    });
}

void CTrawlerView::OnIcmpScanners()
{
    RunTableReport(reports::icmpScannersReport());
}

void CTrawlerView::OnIcmpScanned()
{
    RunTableReport(reports::icmpScannedReport());
}

void CTrawlerView::OnIcmpRelations()
{
    RunTableReport(reports::icmpRelationsReport());
}

void CTrawlerView::OnIcmpProbeLength()
{
    RunTableReport(reports::icmpProbeLengthReport());
}

void CTrawlerView::OnIcmpShowAll()
{
    RunTableReport(reports::icmpShowAllReport());
}

void CTrawlerView::OnSynShowAll()
{
    RunTableReport(reports::synShowAllReport());
}

void CTrawlerView::OnDestIpTraffic()
{
    RunTableReport(reports::destIpTrafficReport(networkPrefix().toStdString()));
}

void CTrawlerView::ShowPairTraffic(const ReportDefinition& definition)
{
    RunTableReport(definition);
}

void CTrawlerView::OnTcpPairTraffic()
{
    ShowPairTraffic(reports::tcpPairTrafficReport());
}

void CTrawlerView::OnUdpPairTraffic()
{
    ShowPairTraffic(reports::udpPairTrafficReport());
}

void CTrawlerView::OnLanAccess()
{
    RunTableReport(reports::lanAccessReport());
}

// ---- the share chart ----

void CTrawlerView::OnIcmpTypeShare()
{
    ClearReport();
    const std::string path = DbPath();
    StartReport([this, path](reports::Interruption& interruption) -> ReportWorker::Continuation {
        try {
            ReportCursor cursor = ReportCursor::open(path, reports::icmpTypeShareReport(), nullptr, &interruption);
            reports::Interruption::Scope scope(&interruption, cursor.connection());
            auto chart = std::make_shared<reports::ShareChart>(cursor.shareChart());
            return [this, chart] {
                m_chart = chart;
                m_shown = reports::icmpTypeShareReport();
                m_bShowChart = true;
                ShowLegend(kQueryLabelRect.top());
            };
        } catch (const ReportError& e) {
            return [this, e] { ShowError(reportErrorText(e)); };
        }
    });
}

void CTrawlerView::DrawShareChart(QPainter& painter)
{
    if (m_chart)
        paintShareChart(painter, *m_chart, m_fontText, !m_pLegend);
}

// ---- the free query ----

void CTrawlerView::OnCustomQuery()
{
    if (!m_editQuery)
        return;
    const QString sql = m_editQuery->toPlainText();
    if (sql.isEmpty())
        return;
    const std::string path = DbPath();
    const std::string text = sql.toStdString();
    StartReport([this, path, text](reports::Interruption& interruption) -> ReportWorker::Continuation {
        auto outcome = std::make_shared<reports::FreeQueryOutcome>();
        auto rows = std::make_shared<std::vector<reports::Row>>();
        try {
            *outcome = reports::runFreeQuery(path, text, &interruption);
        } catch (const ReportError& e) {
            return [this, e] { ShowError(reportErrorText(e)); };
        }
        std::optional<std::string> failure;
        if (outcome->rows) {
            try {
                reports::Interruption::Scope scope(&interruption, outcome->rows->connection());
                outcome->rows->fetch(ReportListModel::kBatch, *rows);
            } catch (const ReportError& e) {
                failure = e.what();
            }
        }
        return [this, outcome, rows, failure] { ShowFreeQueryOutcome(*outcome, std::move(*rows), failure); };
    });
}

void CTrawlerView::ShowFreeQueryOutcome(reports::FreeQueryOutcome& outcome, std::vector<reports::Row> rows,
                                        const std::optional<std::string>& failure)
{
    switch (outcome.kind) {
    case reports::FreeQueryOutcome::Kind::Nothing:
        return;
    case reports::FreeQueryOutcome::Kind::Changed:
        m_prompter.message(this, kAppTitle, fromUtf8(reports::changedRowsMessage(outcome.changedRows)));
        return;
    case reports::FreeQueryOutcome::Kind::Rows:
        break;
    }
    const QString engine = QString::fromStdString(outcome.rows->connection().engineName());
    ReportListModel model(outcome.rows->titles());
    model.appendRows(std::move(rows));
    model.setCursor(std::move(*outcome.rows));
    CQueryResultDlg dialog(&model, engine, this);
    connect(&model, &ReportListModel::fetchFailed, &dialog, [this](const QString& text) { ShowError(text); },
            Qt::QueuedConnection);
    if (failure) {
        // The dialog still opens, with the rows read before the failure.
        ShowError(fromUtf8(*failure));
    } else {
        m_queryModel = &model;
        WatchModel(&model);
    }
    m_prompter.exec(dialog);
    // Closing the dialog ends its reading and counting.
    m_queryModel = nullptr;
    model.cancel();
    emit rowCountChanged(reportModel() && reportModel()->totalRows() ? qlonglong(*reportModel()->totalRows()) : -1);
}
