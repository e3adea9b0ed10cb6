#include "ReportListView.h"

#include "ReportListModel.h"

#include <QHeaderView>
#include <QTreeView>

QTreeView* makeReportListView(ReportListModel* model, QWidget* parent)
{
    auto* list = new QTreeView(parent);
    list->setObjectName(QStringLiteral("reportList"));
    list->setRootIsDecorated(false);
    list->setItemsExpandable(false);
    // Every row is one line: the list lays out only what is on screen.
    list->setUniformRowHeights(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setFrameShape(QFrame::Box);
    list->setAllColumnsShowFocus(true);
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(ReportListModel::kText));
    list->setPalette(palette);
    list->header()->setStretchLastSection(false);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->header()->setDefaultSectionSize(100);
    list->setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        list->setColumnWidth(c, 100);
    return list;
}
