#include "ReportListView.h"

#include "ReportListModel.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>

namespace {

// A cell's whole text shows as a tooltip only where the column cuts it.
class CutCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        if (isCut(option, index)) {
            QToolTip::showText(event->globalPos(), index.data(Qt::ToolTipRole).toString(), view,
                               view->visualRect(index));
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }

    bool isCut(const QStyleOptionViewItem& option, const QModelIndex& index) const
    {
        return sizeHint(option, index).width() > option.rect.width();
    }
};

} // namespace

QStyleOptionViewItem cellOption(QTreeView* list, const QModelIndex& index)
{
    QStyleOptionViewItem option;
    option.initFrom(list);
    option.font = list->font();
    option.fontMetrics = QFontMetrics(list->font());
    option.rect = list->visualRect(index);
    return option;
}

bool reportCellIsCut(QTreeView* list, const QModelIndex& index)
{
    auto* delegate = dynamic_cast<CutCellDelegate*>(list->itemDelegate());
    return delegate && delegate->isCut(cellOption(list, index), index);
}

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
    list->setItemDelegate(new CutCellDelegate(list));
    QPalette palette = list->palette();
    palette.setColor(QPalette::Text, QColor::fromRgb(ReportListModel::kText));
    list->setPalette(palette);
    list->header()->setStretchLastSection(false);
    list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->header()->setDefaultSectionSize(100);
    list->setModel(model);
    for (int c = 0; c < model->columnCount(); ++c)
        list->setColumnWidth(c, 100);
    // Double-clicking a divider fits the column to the rows on screen (the
    // whole result may be far too long to measure).
    QObject::connect(list->header(), &QHeaderView::sectionHandleDoubleClicked, list, [list](int column) {
        int width = list->header()->sectionSizeHint(column);
        const QModelIndex top = list->indexAt(QPoint(0, 0));
        const int rows = list->viewport()->height() / std::max(1, list->sizeHintForRow(0)) + 1;
        for (int r = top.isValid() ? top.row() : 0, n = 0; n < rows && r < list->model()->rowCount(); ++r, ++n)
        {
            const QModelIndex cell = list->model()->index(r, column);
            width = std::max(width, list->itemDelegate()->sizeHint(cellOption(list, cell), cell).width());
        }
        list->setColumnWidth(column, width);
    });
    return list;
}
