#pragma once
// The list control of the reports and the free query: report view with a
// header, full-row selection, blue text, both scroll bars, columns 100
// pixels wide and left-aligned.
class QTreeView;
class QWidget;
class ReportListModel;

QTreeView* makeReportListView(ReportListModel* model, QWidget* parent);
