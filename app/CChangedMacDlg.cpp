#include "CChangedMacDlg.h"

#include "DialogFont.h"

#include "reports/IpMacMap.h"
#include "skin/CSkinButton.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

CChangedMacDlg::CChangedMacDlg(const std::vector<QStringList>& changes, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Trawler"));
    setFont(dialogTemplateFont());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("以下 %n 个IP地址的MAC地址发生了改变:", nullptr, int(changes.size())), this));
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({tr("IP地址"), tr("记录的MAC地址"), tr("现在的MAC地址")});
    for (const QStringList& change : changes)
        new QTreeWidgetItem(m_list, change);
    for (int c = 0; c < 3; ++c)
        m_list->resizeColumnToContents(c);
    layout->addWidget(m_list);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* ok = new CSkinButton(tr("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    resize(480, 300);
}

QStringList changedBinding(const trawler::reports::IpMacMapRow& row, const std::string& warning)
{
    // The recorded MAC is only in the warning's text: its place there is
    // found from the warning's own wording, with markers in the fields.
    const std::string pattern = trawler::reports::ipMacChangedWarning("\x01", "\x02", "\x03");
    const std::size_t markRecorded = pattern.find('\x02');
    const std::size_t markSeen = pattern.find('\x03');
    QString recorded;
    if (markRecorded != std::string::npos && markSeen != std::string::npos && markRecorded < markSeen) {
        const std::string between = pattern.substr(markRecorded + 1, markSeen - markRecorded - 1);
        const std::string before = pattern.substr(pattern.find('\x01') + 1, markRecorded - pattern.find('\x01') - 1);
        const std::size_t from = warning.find(before);
        const std::size_t to = warning.rfind(between);
        if (from != std::string::npos && to != std::string::npos && to > from + before.size())
            recorded = QString::fromStdString(warning.substr(from + before.size(), to - from - before.size()));
    }
    const auto cell = [&row](std::size_t i) {
        return i < row.cells.size() && row.cells[i] ? QString::fromStdString(*row.cells[i]) : QString();
    };
    return {cell(0), recorded, cell(1)};
}
