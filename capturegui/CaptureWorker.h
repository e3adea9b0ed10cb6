#pragma once
// The thread on which the capture component runs. It calls the component with
// its own copies of the filter and the directory; a stop is cooperative (the
// component leaves its loop and closes its file), never a termination.
#include "CaptureLibrary.h"

#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class CaptureWorker : public QThread {
    Q_OBJECT
public:
    enum class Startup {
        Pending, // the component is still opening the interface
        Running, // the file exists and packets are captured
        Failed   // the capture ended without having started (errorText says why)
    };

    CaptureWorker(const CaptureLibrary::EntryPoints& entry, const QString& filter, const QString& directory,
                  QObject* parent = nullptr);
    // Stops the capture and waits for the thread.
    ~CaptureWorker() override;

    // Waits until the capture has started or failed, at most `milliseconds`.
    Startup waitForStartup(int milliseconds);
    // Asks the capture to end; returns at once. Effective even when the
    // component has not yet been entered.
    void requestStop();

    // The outcome, valid once the thread has finished.
    int status() const;
    QString errorText() const;
    QString fileName() const;
    quint64 packets() const;

signals:
    // From the worker thread when the capture has ended, by value.
    void captureEnded(int status, const QString& error, const QString& fileName, quint64 packets);

protected:
    void run() override;

private:
    static void onStarted(void* context, const char* interfaceName, const char* fileName);

    const CaptureLibrary::EntryPoints m_entry;
    const QByteArray m_filter;
    const QByteArray m_directory;
    std::atomic<bool> m_stopRequested{false};

    mutable std::mutex m_mutex;
    std::condition_variable m_startupChanged;
    Startup m_startup = Startup::Pending;
    int m_status = TRAWLER_CAPTURE_STOPPED;
    QString m_error;
    QString m_fileName;
    quint64 m_packets = 0;
};
