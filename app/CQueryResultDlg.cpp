#include "CQueryResultDlg.h"

#include "DialogFont.h"
#include "ReportListView.h"

#include <QLabel>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

CQueryResultDlg::CQueryResultDlg(ReportListModel* model, const QString& engine, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Dialog"));
    setFont(dialogTemplateFont());
    // 346 x 93 dialog units at 1.5 pixels each.
    resize(519, 140);
    m_engine = new QLabel(tr("数据库引擎: %1").arg(engine), this);
    m_engine->setObjectName(QStringLiteral("engineLabel"));
    m_engine->setContentsMargins(4, 2, 4, 2);
    m_list = makeReportListView(model, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_engine);
    layout->addWidget(m_list);
    // The dialog has no button: Enter closes it as Esc does.
    for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter)})
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this, &QDialog::accept);
}
