#pragma once
// The dialog of the IP-MAC insert and modify commands: an IP address and a
// MAC address, opened with the machine's own as examples to edit.
#include <QDialog>
#include <QString>

#include <functional>

class CSkinButton;
class QLabel;
class QLineEdit;

class CIpMacDlg : public QDialog {
    Q_OBJECT
public:
    // Control ids of the dialog template.
    enum ControlId { kOk = 1, kCancel = 2, kIpLabel = 1006, kMacLabel = 1007, kIpEdit = 1017, kMacEdit = 1019 };
    // Pixels per dialog unit for the template's 9-point font.
    static constexpr double kUnit = 1.5;

    // sampleIp and sampleMac fill the edits when the dialog opens.
    CIpMacDlg(const QString& sampleIp, const QString& sampleMac, QWidget* parent = nullptr);

    // Asked at OK with both texts; false keeps the dialog open with what was
    // typed. It names the field at fault through `badField` (the IP or MAC
    // edit) and tells the operator what is wrong itself.
    using Check = std::function<bool(const QString& ip, const QString& mac, ControlId& badField)>;
    void setCheck(Check check) { m_check = std::move(check); }
    // The field marked by the last refused OK; 0 when none.
    int markedField() const { return m_marked; }

    // Both edit texts as they stood at OK, unchecked; empty before.
    QString m_strIp;
    QString m_strMac;

    QLineEdit* ipEdit() const { return m_editIp; }
    QLineEdit* macEdit() const { return m_editMac; }
    CSkinButton* okButton() const { return m_btnOk; }
    CSkinButton* cancelButton() const { return m_btnCancel; }
    // A control's rectangle in pixels from its dialog-unit rectangle.
    static QRect fromUnits(int x, int y, int width, int height);

public slots:
    void accept() override;

private:
    QLineEdit* m_editIp = nullptr;
    QLineEdit* m_editMac = nullptr;
    CSkinButton* m_btnOk = nullptr;
    CSkinButton* m_btnCancel = nullptr;
    Check m_check;
    int m_marked = 0;
};
