#pragma once
// The result of a free query: one list filling the dialog, one column per
// field titled with the field's name, rows fetched as the list scrolls. A
// line above the list says which database engine answered, as the free
// query is written in that engine's SQL.
#include <QDialog>

class QLabel;
class QTreeView;
class ReportListModel;

class CQueryResultDlg : public QDialog {
    Q_OBJECT
public:
    // The model stays the caller's; the dialog only shows it. `engine` is the
    // engine's name ("SQLite", "PostgreSQL").
    explicit CQueryResultDlg(ReportListModel* model, const QString& engine, QWidget* parent = nullptr);

    QTreeView* list() const { return m_list; }
    QLabel* engineLabel() const { return m_engine; }

private:
    QTreeView* m_list = nullptr;
    QLabel* m_engine = nullptr;
};
