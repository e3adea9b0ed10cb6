#pragma once
// The list control of the reports and the free query: report view with a
// header, full-row selection, blue text, both scroll bars, columns 100
// pixels wide and left-aligned.
class QModelIndex;
class QTreeView;
class QWidget;
class ReportListModel;

QTreeView* makeReportListView(ReportListModel* model, QWidget* parent);

// Whether the list's column cuts the cell's text (the cell then has a tooltip
// with the whole text).
bool reportCellIsCut(QTreeView* list, const QModelIndex& index);
