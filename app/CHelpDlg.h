#pragma once
// The user manual, shown in the program: 帮助主题.
#include <QDialog>

class QTextBrowser;

class CHelpDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr char kManual[] = "qrc:/help/manual-zh.html";
    explicit CHelpDlg(QWidget* parent = nullptr);
    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser = nullptr;
};
