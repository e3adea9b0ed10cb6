#pragma once
// Loads the parser library by name at run time and starts one worker per
// parse; any number of runs may go on at once, each on its own copies of
// the paths and its own database connection.
#include <QLibrary>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class MessageRelay;
class ParseWorker;
class Prompter;
class QWidget;

class ParseLauncher : public QObject {
    Q_OBJECT
public:
    // The library's base name: QLibrary makes it libParse.so.
    static constexpr char kLibraryName[] = "Parse";

    // Messages (the launcher's own and the library's) are shown through
    // prompter, owned by messageParent.
    ParseLauncher(Prompter& prompter, QWidget* messageParent, QObject* parent = nullptr);
    // Releases any run waiting for the operator and waits for every run to end.
    ~ParseLauncher() override;

    // Folder the library is loaded from; the program's own folder by default.
    void setLibraryDirectory(const QString& dir) { m_libraryDir = dir; }

    // Loads the library and starts a run; returns its id, or -1 when no run
    // was started (the operator has been told why).
    int launch(const QString& captureFile, const QString& databaseFile);

    int runningCount() const { return int(m_runs.size()); }
    // Whether the loaded library lets a run be cancelled.
    bool canCancel() const;
    // Asks every running parse to end; each is rolled back by the library
    // and reports its outcome as usual.
    void cancelAll();

    // Whether a running parse writes into this database file.
    bool isWriting(const QString& databaseFile) const;

signals:
    void runStarted(int id, const QString& captureFile);
    void runProgress(int id, int percent);
    void runWaiting(int id, bool waiting);
    void runFinished(int id, int outcome);

private:
    void onRunDone(int id, int outcome);

    Prompter& m_prompter;
    QWidget* m_messageParent;
    QString m_libraryDir;
    QLibrary m_library; // the library loaded last; it stays loaded while the program runs
    std::shared_ptr<MessageRelay> m_relay;
    std::map<int, std::unique_ptr<ParseWorker>> m_runs;
    int m_nextId = 1;
};
