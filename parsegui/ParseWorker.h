#pragma once
// One parse run on its own worker thread: calls the parser library with
// its own copies of the two paths and reports progress and the outcome.
#include <QThread>

#include <memory>
#include <string>

#include "parse/ParseApi.h"

class MessageRelay;

using ParseFn = void (*)(const char*, const char*);
using ParseRunFn = int (*)(const char*, const char*, TrawlerParseMessageFn, TrawlerParseProgressFn, void*);
using ParseRunWithFn = int (*)(const char*, const char*, const TrawlerParseOptions*);
using ParseCancelFn = void (*)(TrawlerParseCancelFlag*);

// The library's entry points; any but `parse` may be absent (an older library).
struct ParseEntryPoints {
    ParseFn parse = nullptr;
    ParseRunFn run = nullptr;
    ParseRunWithFn runWith = nullptr;
    ParseCancelFn cancel = nullptr;
};

class ParseWorker : public QThread {
    Q_OBJECT
public:
    // Outcome of a run whose library offers only the plain entry point,
    // which tells nothing of how the run went.
    static constexpr int kOutcomeUnknown = -1;
    // Outcome of a run that the library left by an exception.
    static constexpr int kOutcomeAborted = -2;

    ParseWorker(int id, const QString& captureFile, const QString& databaseFile, const ParseEntryPoints& entry,
                std::shared_ptr<MessageRelay> relay, QObject* parent = nullptr);

    // Whether the library offers a cancel for this run; requestCancel()
    // then ends it (rolled back), from any thread.
    bool canCancel() const;
    void requestCancel();
    const std::string& databaseFile() const { return m_databaseFile; }

signals:
    // Emitted from the worker; receivers on the GUI thread get them queued.
    void progress(int id, int percent);
    // The run waits for another writer of the database (true) or no longer.
    void waiting(int id, bool waiting);
    void done(int id, int outcome);

protected:
    void run() override;

private:
    static void onMessage(void* context, const char* caption, const char* text);
    static void onNotice(void* context, const char* text);
    static void onProgress(void* context, unsigned long long bytesRead, unsigned long long fileSize,
                           unsigned long long framesRead);

    const int m_id;
    const QString m_captureName;
    const std::string m_captureFile;
    const std::string m_databaseFile;
    const ParseEntryPoints m_entry;
    // The run's cancel switch, handed to the library for the whole run.
    TrawlerParseCancelFlag m_cancelFlag{0};
    std::shared_ptr<MessageRelay> m_relay;
    int m_lastPercent = -1;
};
