#pragma once
// The save-directory dialog: one edit for the folder the capture files go to.
#include <QDialog>
#include <QFont>
#include <QString>

class CSkinButton;
class QLabel;
class QLineEdit;

class CSaveDirDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSaveDirDlg(QWidget* parent = nullptr);

    // The folder as typed, after OK; empty before.
    QString dir() const { return m_strDir; }

    QLineEdit* dirEdit() const { return m_editDir; }
    CSkinButton* okButton() const { return m_btnOk; }
    CSkinButton* cancelButton() const { return m_btnCancel; }

public slots:
    void accept() override;

private:
    QString m_strDir;
    QFont m_font;
    QLabel* m_stPrompt = nullptr; // 1006
    QLineEdit* m_editDir = nullptr; // 1016
    CSkinButton* m_btnOk = nullptr;
    CSkinButton* m_btnCancel = nullptr;
};
