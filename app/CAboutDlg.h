#pragma once
// The About box: icon, version and credit line, and OK.
#include <QDialog>

class CSkinButton;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
    CSkinButton* okButton() const { return m_btnOk; }

private:
    CSkinButton* m_btnOk;
};
