#pragma once
// Runs report work (opening a query, reading rows, counting them) on a thread
// of its own so the window stays responsive, and hands the outcome back to
// the GUI thread by value. A job can be cancelled at any moment: the worker
// interrupts the job's connection, and a cancelled or replaced job's outcome
// is dropped.
#include "reports/Interruption.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <list>
#include <memory>

class ReportWorker : public QObject {
    Q_OBJECT
public:
    // A job runs on the worker thread and returns what is to be done with its
    // outcome on the GUI thread (a closure holding the outcome by value). It
    // attaches its connections to the interruption it is given.
    using Continuation = std::function<void()>;
    using Job = std::function<Continuation(trawler::reports::Interruption&)>;

    explicit ReportWorker(QObject* parent = nullptr);
    // Cancels every job still running and waits for their threads.
    ~ReportWorker() override;

    // Starts a job; the one running before is cancelled.
    void start(Job job);
    // Cancels the running job; its continuation never runs.
    void cancel();
    bool isBusy() const { return m_current != 0; }
    // Threads not yet ended, cancelled ones included.
    int runningJobs() const { return int(m_runs.size()); }

    // Callable from a job's thread: shows `text` as the job's notice (a wait
    // or its progress) while that job is the one awaited. A job that is
    // cancelled or replaced meanwhile shows nothing; the notice goes when the
    // job ends.
    void postNote(const trawler::reports::Interruption& job, const QString& text);
    QString note() const { return m_note; }

signals:
    void busyChanged(bool busy);
    void noteChanged(const QString& text);

private:
    struct Run;
    void onFinished(Run* run, const Continuation& done);
    void repeatCancels();
    void setNote(const QString& text);

    std::list<std::unique_ptr<Run>> m_runs;
    quint64 m_serial = 0;
    quint64 m_current = 0;   // serial of the job whose outcome is awaited; 0 for none
    QTimer m_retry;
    QString m_note;
};
