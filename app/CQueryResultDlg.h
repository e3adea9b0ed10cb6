#pragma once
// The result of a free query: one list filling the dialog, one column per
// field titled with the field's name, rows fetched as the list scrolls.
#include <QDialog>

class QTreeView;
class ReportListModel;

class CQueryResultDlg : public QDialog {
    Q_OBJECT
public:
    // The model stays the caller's; the dialog only shows it.
    explicit CQueryResultDlg(ReportListModel* model, QWidget* parent = nullptr);

    QTreeView* list() const { return m_list; }

private:
    QTreeView* m_list = nullptr;
};
