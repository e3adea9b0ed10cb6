#include "CQueryResultDlg.h"

#include "DialogFont.h"
#include "ReportListView.h"

#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

CQueryResultDlg::CQueryResultDlg(ReportListModel* model, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Dialog"));
    setFont(dialogTemplateFont());
    // 346 x 93 dialog units at 1.5 pixels each.
    resize(519, 140);
    m_list = makeReportListView(model, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    // The dialog has no button: Enter closes it as Esc does.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, &QDialog::accept);
}
