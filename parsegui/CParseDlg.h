#pragma once
// The parse dialog: the capture file to parse and the database file to
// store into, each typed or browsed for.
#include <QDialog>
#include <QFont>
#include <QString>

class CSkinButton;
class Prompter;
class QLabel;
class QLineEdit;

class CParseDlg : public QDialog {
    Q_OBJECT
public:
    explicit CParseDlg(Prompter& prompter, QWidget* parent = nullptr);

    // The two paths as they stood when the dialog was closed with OK.
    QString m_strCapPath;
    QString m_strMdbPath;

    QLineEdit* capEdit() const { return m_editCap; }
    QLineEdit* mdbEdit() const { return m_editMdb; }
    CSkinButton* browseCapButton() const { return m_btnBrowseCap; }
    // Where the capture-file chooser starts: the capture save directory.
    void setCaptureDir(const QString& dir) { m_captureDir = dir; }
    CSkinButton* browseMdbButton() const { return m_btnBrowseMdb; }
    CSkinButton* okButton() const { return m_btnOk; }
    CSkinButton* cancelButton() const { return m_btnCancel; }

    void OnBrowseCap();
    void OnBrowseMdb();

public slots:
    void accept() override;

private:
    void browse(QString& buffer, const QString& pattern, const QString& title, const QString& filter,
                QLineEdit* target);

    Prompter& m_prompter;
    QFont m_font;
    QString m_szCapFileName; // file-name buffer of each browse button
    QString m_szMdbFileName;
    QString m_captureDir;
    QLabel* m_labelCap;
    QLabel* m_labelMdb;
    QLineEdit* m_editCap;
    QLineEdit* m_editMdb;
    CSkinButton* m_btnBrowseCap;
    CSkinButton* m_btnBrowseMdb;
    CSkinButton* m_btnOk;
    CSkinButton* m_btnCancel;
};
