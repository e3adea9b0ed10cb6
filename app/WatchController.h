#pragma once
// The 监视 menu's start and stop: a rolling capture into the save directory,
// each closed file parsed into the analysis database and run through the
// detectors, all on a thread of its own. The GUI thread only asks it to
// stop and hears of each file taken in.
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <thread>

class CTrawlerView;
class Prompter;

class WatchController : public QObject {
    Q_OBJECT
public:
    WatchController(Prompter& prompter, CTrawlerView& view);
    // Stops a running watch and waits until its last file is taken in.
    ~WatchController() override;

    // The view's controller, made on first use.
    static WatchController& of(CTrawlerView& view);

    // Refused, through the Prompter, with no database chosen, while a
    // capture runs or while a watch is already running.
    void start();
    // Asks the watch to end; it takes in the file being written and then
    // reports through finished(). Returns at once.
    void stop();
    bool isRunning() const { return static_cast<bool>(m_thread); }
    bool isStopping() const { return m_stopping; }
    // The window wants to close: false when nothing runs; otherwise the
    // watch is stopped and the window is closed once it has ended.
    bool holdCloseUntilStopped(QWidget* window);

signals:
    // "监视中: N 个新警报" while running; empty once stopped.
    void statusChanged(const QString& text);
    void runningChanged(bool running);
    // The watch ended: its summary, or why it could not go on.
    void finished(const QString& summary, const QString& error);

private:
    struct Shared;
    void onFileTakenIn(quint64 alerts);
    void onEnded(const QString& summary, const QString& error);
    void showStatus();
    void tell(const QString& text);

    Prompter& m_prompter;
    CTrawlerView& m_view;
    std::shared_ptr<Shared> m_shared;
    std::unique_ptr<std::thread> m_thread;
    quint64 m_newAlerts = 0;
    bool m_stopping = false;
    QPointer<QWidget> m_closeAfter;
};
