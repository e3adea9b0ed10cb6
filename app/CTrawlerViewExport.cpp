// 文件 → 导出报表...: the report on screen to a file. Rows are read again on
// the worker and streamed to the file, so a result of any size is exported
// without holding it; the IP-MAC map is written from its listed rows, which
// carry the marks of the check made when it was shown.
#include "CTrawlerView.h"

#include "CommandRouter.h"
#include "JobObserver.h"
#include "ReportLayout.h"
#include "ReportExport.h"
#include "ReportListModel.h"

#include "prompt/Prompter.h"
#include "reports/Catalogue.h"
#include "reports/CsvWriter.h"
#include "reports/HtmlReportWriter.h"
#include "reports/Interruption.h"
#include "reports/ReportCursor.h"
#include "reports/ShareChartSvg.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>

#include <cstdio>
#include <fstream>

namespace reports = trawler::reports;

namespace {

// Rows per step while streaming to the file.
constexpr std::size_t kExportBatch = 4096;

std::string fsPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Writes every row of the cursor as `format` (CSV or HTML).
std::size_t writeRows(std::ostream& out, ExportFormat format, reports::ReportCursor& cursor,
                      const reports::ReportDefinition& definition, const std::string& title)
{
    std::size_t written = 0;
    std::vector<reports::Row> batch;
    if (format == ExportFormat::Csv) {
        reports::CsvWriter csv(out, {true, false});
        csv.writeRecord(cursor.titles());
        while (!cursor.atEnd()) {
            batch.clear();
            cursor.fetch(kExportBatch, batch);
            for (const reports::Row& row : batch)
                csv.writeRecord(row);
            written += batch.size();
        }
        return written;
    }
    const bool table = definition.showsTable();
    reports::HtmlReportWriter page(
        out, {title, definition.hint, table ? cursor.titles() : std::vector<std::string>{}});
    while (table && !cursor.atEnd()) {
        batch.clear();
        cursor.fetch(kExportBatch, batch);
        for (const reports::Row& row : batch)
            page.addRow(row);
        written += batch.size();
    }
    page.finish(definition.chart ? &cursor.shareChart() : nullptr);
    return written;
}

} // namespace

void CTrawlerView::OnExportReport()
{
    if (!m_shown) {
        ShowError(tr("没有可以导出的报表: 请先显示一个报表."));
        return;
    }
    const reports::ReportDefinition definition = *m_shown;
    QString reportTitle = m_router ? m_router->commandText(reportLayout(definition.name).commandId) : QString();
    if (reportTitle.isEmpty())
        reportTitle = QString::fromStdString(definition.name);
    QString path = m_prompter.saveFileName(this, tr("导出报表"), QString::fromStdString(definition.name) + ".csv",
                                           exportFileFilter());
    if (path.isEmpty())
        return;
    path = withExportExtension(path);
    const ExportFormat format = *exportFormatOf(path);
    const QString done = tr("报表已导出到 %1").arg(path);
    const QString failed = tr("无法写入文件 %1").arg(path);

    if (isChartFormat(format)) {
        if (!m_bShowChart || !m_chart) {
            ShowError(tr("这个报表没有图表."));
            return;
        }
        bool ok = false;
        if (format == ExportFormat::Png) {
            ok = renderShareChart(*m_chart, m_fontText).save(path, "PNG");
        } else {
            std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
            reports::writeShareChartSvg(out, *m_chart, true);
            out.close();
            ok = bool(out);
        }
        m_prompter.message(this, kAppTitle, ok ? done : failed);
        return;
    }

    const std::string title = (reportTitle + " - " + QFileInfo(m_szDbPath).fileName()).toStdString();
    const std::string file = fsPath(path);
    if (definition.name == reports::ipMacMapReport().name) {
        // Written from the list: its red rows are the ones whose MAC changed.
        ReportListModel* model = reportModel();
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        std::vector<std::string> titles;
        for (const QString& t : model ? model->titles() : QStringList())
            titles.push_back(t.toStdString());
        const auto rowOf = [model](int r) {
            reports::Row row;
            for (int c = 0; c < model->columnCount(); ++c)
                row.push_back(model->isNull(r, c) ? std::nullopt
                                                  : std::optional<std::string>(model->cellText(r, c).toStdString()));
            return row;
        };
        if (format == ExportFormat::Csv) {
            reports::CsvWriter csv(out, {true, false});
            csv.writeRecord(titles);
            for (int r = 0; model && r < model->rowCount(); ++r)
                csv.writeRecord(rowOf(r));
        } else {
            reports::HtmlReportWriter page(out, {title, definition.hint, titles});
            for (int r = 0; model && r < model->rowCount(); ++r)
                page.addRow(rowOf(r), model->isFlagged(r));
            page.finish(nullptr);
        }
        out.close();
        m_prompter.message(this, kAppTitle, out ? done : failed);
        return;
    }

    const std::string dbPath = DbPath();
    StartReport([this, dbPath, definition, file, format, title, done,
                 failed](reports::Interruption& interruption) -> ReportWorker::Continuation {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        if (!out)
            return [this, failed] { ShowError(failed); };
        try {
            JobObserver observer(*m_worker, interruption);
            reports::ReportCursor cursor = reports::ReportCursor::open(dbPath, definition, &observer, &interruption);
            reports::Interruption::Scope scope(&interruption, cursor.connection());
            writeRows(out, format, cursor, definition, title);
        } catch (const reports::ReportError& e) {
            // Nothing half-written stays behind, cancelled or failed.
            out.close();
            std::remove(file.c_str());
            const QString text = QString::fromStdString(e.what());
            return [this, text] { ShowError(text); };
        }
        out.close();
        if (!out) {
            std::remove(file.c_str());
            return [this, failed] { ShowError(failed); };
        }
        return [this, done] { m_prompter.message(this, kAppTitle, done); };
    });
}
