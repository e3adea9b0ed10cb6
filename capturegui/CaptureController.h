#pragma once
// The view's capture commands: the save directory, starting capture through
// the filter dialog and the capture worker, stopping it. Every modal exchange
// goes through the Prompter.
#include "CaptureLibrary.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CaptureWorker;
class CFilterDlg;
class Prompter;
class QWidget;

class CaptureController : public QObject {
    Q_OBJECT
public:
    CaptureController(Prompter& prompter, QWidget* dialogParent, QObject* parent = nullptr);
    ~CaptureController();          // stops a running capture and waits for it
    void setSaveDir();             // OnSetSaveDir
    void start();                  // OnCaptureStart (filter dialog, worker, messages)
    void stop();                   // OnCaptureStop ("Thread Ended." etc.)
    bool isCapturing() const;      // the view paints the banner while true
    QString saveDir() const;       // starts as the user's home directory
    // The file a running capture writes; empty while none runs.
    QString captureFile() const;

signals:
    void capturingChanged(bool capturing);
    void saveDirChanged(const QString& dir);
    // A capture ended: the file it wrote (empty when none) and its packets.
    void captureFinished(const QString& file, quint64 packets);

private:
    void setCapturing(bool capturing);
    void onWorkerEnded(quint64 serial, const QString& error);
    CFilterDlg& filterDialog();
    void tell(const QString& text);

    Prompter& m_prompter;
    QPointer<QWidget> m_dialogParent;
    QString m_strSaveDir;
    QPointer<CFilterDlg> m_dlgFilter; // kept for the controller's lifetime, made on first use
    CaptureLibrary m_library;
    std::unique_ptr<CaptureWorker> m_worker;
    quint64 m_workerSerial = 0;
    bool m_bCapturing = false;
};
