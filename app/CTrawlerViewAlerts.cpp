// The view's alert list: the alerts the watch stored in the analysis
// database, newest first, the unacknowledged ones in red, and the button
// that acknowledges them.
#include "CTrawlerView.h"

#include "ReportLayout.h"
#include "ReportListModel.h"
#include "ReportViewText.h"

#include "db/AlertStore.h"
#include "db/DbError.h"
#include "prompt/Prompter.h"
#include "reports/Interruption.h"
#include "reports/ReportDefinition.h"
#include "reports/ReportError.h"
#include "skin/CSkinButton.h"

#include <QFile>
#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>

#include <memory>
#include <optional>
#include <set>

namespace reports = trawler::reports;

namespace {

const QRect kAlertListRect(0, 0, kListWidth, 385);
const QRect kAlertHintRect(0, 390, 420, 35);
const QRect kAcknowledgeRect(425, 390, 160, 35);

reports::Row alertRow(const trawler::db::StoredAlert& a, bool sensors)
{
    const auto text = [](const std::string& s) -> reports::Cell {
        return s.empty() ? std::nullopt : reports::Cell(s);
    };
    const auto number = [](const std::optional<std::int64_t>& v) -> reports::Cell {
        return v ? reports::Cell(std::to_string(*v)) : std::nullopt;
    };
    reports::Row row{std::to_string(a.id), a.time, a.kind, text(a.severity), text(a.ip), text(a.mac),
                     text(a.previousMac), text(a.vendor), text(a.source), number(a.count), number(a.windowSeconds),
                     text(a.file), a.acknowledged ? CTrawlerView::tr("是").toStdString() : CTrawlerView::tr("否").toStdString()};
    if (sensors)
        row.push_back(text(a.sensor));
    return row;
}

} // namespace

void CTrawlerView::OnShowAlerts()
{
    if (m_szDbPath.isEmpty()) {
        ShowError(fromUtf8(reports::ReportError::noDatabase().what()));
        return;
    }
    ClearReport();
    const std::string path = DbPath();
    StartReport([this, path](reports::Interruption&) -> ReportWorker::Continuation {
        auto alerts = std::make_shared<std::vector<trawler::db::StoredAlert>>();
        try {
            trawler::db::Database database(path);
            trawler::db::AlertStore store(database);
            *alerts = store.list();
        } catch (const std::exception& e) {
            // A file that is no database, or one another writer holds.
            const QString text = fromUtf8(e.what());
            return [this, text] { ShowError(text); };
        }
        return [this, alerts] { ShowAlerts(*alerts); };
    });
}

void CTrawlerView::ShowAlerts(const std::vector<trawler::db::StoredAlert>& alerts)
{
    std::vector<std::string> titles = {
        tr("编号").toStdString(), tr("时间").toStdString(),   tr("类型").toStdString(),
        tr("级别").toStdString(), "IP",                       "MAC",
        tr("原MAC").toStdString(), tr("厂商").toStdString(),  tr("来源").toStdString(),
        tr("次数").toStdString(), tr("时间窗(秒)").toStdString(), tr("文件").toStdString(),
        tr("已确认").toStdString()};
    // Many sensors share a server database: there each alert says whose it is.
    const bool sensors = trawler::db::isServerName(DbPath());
    if (sensors)
        titles.push_back(tr("传感器").toStdString());
    auto* model = new ReportListModel(titles);
    QTreeView* list = CreateReportList(kAlertListRect.bottom() + 1, model);
    list->setObjectName(QStringLiteral("alertList"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    std::vector<reports::Row> rows;
    std::vector<bool> unacknowledged;
    for (const auto& alert : alerts) {
        rows.push_back(alertRow(alert, sensors));
        unacknowledged.push_back(!alert.acknowledged);
    }
    model->appendRows(std::move(rows), unacknowledged);
    emit rowCountChanged(qlonglong(model->rowCount()));
    ShowHint(alerts.empty() ? tr("数据库中没有警报.")
                            : tr("红色: 未确认的警报. 选中若干行后按\"确认警报\"只确认这些行; 不选则确认全部."),
             kAlertHintRect);

    auto* button = new CSkinButton(tr("确认警报"), this);
    button->setObjectName(QStringLiteral("acknowledgeButton"));
    button->setFont(m_fontText);
    button->setGeometry(kAcknowledgeRect);
    button->setEnabled(std::find(unacknowledged.begin(), unacknowledged.end(), true) != unacknowledged.end());
    // The button belongs to this list: the next report removes both.
    connect(list, &QObject::destroyed, button, &QObject::deleteLater);
    connect(button, &QAbstractButton::clicked, this, &CTrawlerView::OnAcknowledgeAlerts);
    button->show();
}

void CTrawlerView::OnAcknowledgeAlerts()
{
    QTreeView* list = m_pReportList;
    auto* model = reportModel();
    if (!list || !model || list->objectName() != QLatin1String("alertList") || m_szDbPath.isEmpty())
        return;
    std::set<std::int64_t> chosen;
    for (const QModelIndex& index : list->selectionModel()->selectedRows())
        chosen.insert(model->cellText(index.row(), 0).toLongLong());
    try {
        trawler::db::Database database(DbPath());
        trawler::db::AlertStore store(database);
        if (chosen.empty())
            store.acknowledge(std::nullopt);
        for (std::int64_t id : chosen)
            store.acknowledge(id);
    } catch (const trawler::db::DbError& e) {
        ShowError(fromUtf8(e.what()));
        return;
    }
    OnShowAlerts();
}
