#pragma once
// The capture filter dialog: three fixed BPF filters and a free one.
#include <QDialog>
#include <QFont>
#include <QString>

class CSkinButton;
class QButtonGroup;
class QLineEdit;
class QRadioButton;

class CFilterDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids of the radio buttons, in the order OK tests them.
    enum RadioId { kArpRarp = 1002, kIcmp = 1003, kIp = 1004, kCustom = 1005 };

    explicit CFilterDlg(QWidget* parent = nullptr);

    // The filter of the last OK; empty when no button was selected, or the
    // custom one with an empty edit.
    QString filter() const { return m_strFilter; }

    QRadioButton* radioButton(int id) const;
    QLineEdit* filterEdit() const { return m_editFilter; }
    CSkinButton* okButton() const { return m_btnOk; }
    CSkinButton* cancelButton() const { return m_btnCancel; }

public slots:
    void accept() override;
    void done(int result) override;

private:
    // Every opening starts with no selection and an empty, disabled edit.
    void resetControls();

    QString m_strFilter;
    QFont m_font;
    QButtonGroup* m_radios = nullptr;
    QLineEdit* m_editFilter = nullptr; // 1011
    CSkinButton* m_btnOk = nullptr;
    CSkinButton* m_btnCancel = nullptr;
};
