// The IP-MAC commands of the view: inserting and modifying a binding, and the
// map of the LAN's IP and MAC pairs checked against the bindings.
#include "CTrawlerView.h"

#include "CChangedMacDlg.h"
#include "CIpMacDlg.h"
#include "JobObserver.h"
#include "ReportLayout.h"
#include "ReportListModel.h"
#include "ReportViewText.h"

#include "prompt/Prompter.h"
#include "reports/Catalogue.h"
#include "reports/Interruption.h"
#include "reports/IpMacInput.h"
#include "reports/IpMacMap.h"
#include "reports/IpMacStore.h"
#include "reports/LocalNetwork.h"
#include "reports/ReportError.h"

#include <optional>

namespace reports = trawler::reports;
using trawler::reports::ReportDefinition;
using trawler::reports::ReportError;

namespace {
// Up to this many changed bindings are told one box each.
constexpr int kMaxSeparateWarnings = 3;
} // namespace

// ---- IP-MAC bindings ----

void CTrawlerView::EditIpMac(bool modify)
{
    // Told before the dialog: what is typed there could not be stored.
    if (m_szDbPath.isEmpty()) {
        ShowError(fromUtf8(ReportError::noDatabase().what()));
        return;
    }
    const reports::LocalInterface sample = reports::localInterface();
    CIpMacDlg dialog(fromUtf8(sample.ip), fromUtf8(sample.mac), this);
    dialog.setCheck([this, &dialog](const QString& ip, const QString& mac, CIpMacDlg::ControlId& bad) {
        const reports::IpMacCheck check = reports::checkIpMacInput(ip.toStdString(), mac.toStdString());
        if (check.ok())
            return true;
        bad = check.wrong == reports::IpMacCheck::Field::Ip ? CIpMacDlg::kIpEdit : CIpMacDlg::kMacEdit;
        m_prompter.message(&dialog, kAppTitle, fromUtf8(check.message));
        return false;
    });
    if (m_prompter.exec(dialog) != QDialog::Accepted)
        return;
    const std::string ip = dialog.m_strIp.toStdString();
    const std::string mac = dialog.m_strMac.toStdString();
    const std::string path = DbPath();
    // A parse writing the database makes the write wait for it, shown in the
    // status bar; the operator may give up (Esc, 停止), and then nothing is
    // written and nothing more is said.
    m_editWorker->start([this, path, ip, mac, modify](reports::Interruption& interruption) -> ReportWorker::Continuation {
        JobObserver observer(*m_editWorker, interruption);
        const reports::IpMacOutcome outcome = modify ? reports::modifyIpMac(path, ip, mac, &observer)
                                                     : reports::insertIpMac(path, ip, mac, &observer);
        return [this, outcome] { m_prompter.message(this, kAppTitle, fromUtf8(outcome.message)); };
    });
}

void CTrawlerView::OnInsertIpMac()
{
    EditIpMac(false);
}

void CTrawlerView::OnModifyIpMac()
{
    EditIpMac(true);
}

void CTrawlerView::OnIpMacMap()
{
    ClearReport();
    const std::string path = DbPath();
    StartReport([this, path](reports::Interruption& interruption) -> ReportWorker::Continuation {
        std::optional<reports::IpMacMapCursor> cursor;
        try {
            cursor.emplace(reports::IpMacMapCursor::open(path));
        } catch (const ReportError& e) {
            return [this, e] { ShowError(reportErrorText(e)); };
        }
        // Every row is read here, as each one is checked against its
        // binding; the rows so checked stay in red.
        auto rows = std::make_shared<std::vector<reports::IpMacMapRow>>();
        std::optional<std::string> failure;
        const auto titles = cursor->titles();
        while (!cursor->atEnd()) {
            if (interruption.cancelled())
                return {};
            try {
                if (cursor->fetch(ReportListModel::kBatch, *rows) == 0)
                    break;
            } catch (const ReportError& e) {
                failure = e.what();
                break;
            }
        }
        return [this, titles, rows, failure] { ShowIpMacMap(titles, std::move(*rows), failure); };
    });
}

void CTrawlerView::ShowIpMacMap(const std::vector<std::string>& titles, std::vector<reports::IpMacMapRow> rows,
                                const std::optional<std::string>& failure)
{
    const ReportDefinition definition = reports::ipMacMapReport();
    const ReportLayout& layout = reportLayout(definition.name);
    auto* model = new ReportListModel(titles);
    CreateReportList(layout.listBottom, model);
    std::vector<QStringList> changes;
    for (const reports::IpMacMapRow& row : rows)
        for (const std::string& warning : row.warnings)
            changes.push_back(changedBinding(row, warning));
    if (int(changes.size()) > kMaxSeparateWarnings) {
        // Many changed bindings come as one list, so the operator is not made
        // to close dozens of boxes in a row.
        for (reports::IpMacMapRow& row : rows) {
            const bool changed = row.changed();
            model->appendRows({std::move(row.cells)}, {changed});
        }
        CChangedMacDlg dialog(changes, this);
        m_prompter.exec(dialog);
    } else {
        // A row is listed, then its warnings are shown, before the next row
        // joins the list: the operator sees the row a warning is about.
        for (reports::IpMacMapRow& row : rows) {
            const bool changed = row.changed();
            model->appendRows({std::move(row.cells)}, {changed});
            for (const std::string& warning : row.warnings)
                m_prompter.message(this, kAppTitle, fromUtf8(warning));
        }
    }
    emit rowCountChanged(qlonglong(model->rowCount()));
    if (failure) {
        ShowError(fromUtf8(*failure));
        return;
    }
    m_shown = definition;
    if (definition.hint)
        ShowHint(fromUtf8(*definition.hint), layout.hintRect);
    BuildQueryPanel();
}
