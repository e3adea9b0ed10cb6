#include "ParseLauncher.h"

#include "MessageRelay.h"
#include "ParseWorker.h"

#include "prompt/FileChoice.h"
#include "prompt/Prompter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QWidget>

ParseLauncher::ParseLauncher(Prompter& prompter, QWidget* messageParent, QObject* parent)
    : QObject(parent), m_prompter(prompter), m_messageParent(messageParent),
      m_libraryDir(QCoreApplication::applicationDirPath())
{
    QPointer<QWidget> owner(messageParent);
    m_relay = std::make_shared<MessageRelay>(this, [this, owner](const QString& caption, const QString& text) {
        m_prompter.message(owner.data(), caption, text);
    });
}

ParseLauncher::~ParseLauncher()
{
    m_relay->abandon();
    for (auto& entry : m_runs) {
        entry.second->disconnect(this);
        entry.second->wait();
    }
}

int ParseLauncher::launch(const QString& captureFile, const QString& databaseFile)
{
    m_library.setFileName(QDir(m_libraryDir).filePath(QString::fromLatin1(kLibraryName)));
    if (!m_library.load()) {
        m_prompter.message(m_messageParent, kAppTitle, QStringLiteral("Not found dll."));
        return -1;
    }
    auto parse = reinterpret_cast<ParseFn>(m_library.resolve("Parse"));
    if (!parse) {
        // A library without the entry point is never called.
        m_prompter.message(m_messageParent, kAppTitle,
                           QStringLiteral("The parser library \"%1\" has no entry point \"Parse\"; nothing was parsed.")
                               .arg(m_library.fileName()));
        return -1;
    }
    // The richer entry point, when present, brings messages and progress.
    ParseEntryPoints entry;
    entry.parse = parse;
    entry.run = reinterpret_cast<ParseRunFn>(m_library.resolve("TrawlerParseRun"));
    // Newer libraries take options, among them a cancel switch.
    entry.runWith = reinterpret_cast<ParseRunWithFn>(m_library.resolve("TrawlerParseRunWith"));
    entry.cancel = reinterpret_cast<ParseCancelFn>(m_library.resolve("TrawlerParseCancel"));

    const int id = m_nextId++;
    auto worker = std::make_unique<ParseWorker>(id, captureFile, databaseFile, entry, m_relay);
    connect(worker.get(), &ParseWorker::progress, this, &ParseLauncher::runProgress, Qt::QueuedConnection);
    connect(worker.get(), &ParseWorker::waiting, this, &ParseLauncher::runWaiting, Qt::QueuedConnection);
    connect(worker.get(), &ParseWorker::done, this, &ParseLauncher::onRunDone, Qt::QueuedConnection);
    ParseWorker* started = worker.get();
    m_runs.emplace(id, std::move(worker));
    emit runStarted(id, captureFile);
    started->start();
    return id;
}

void ParseLauncher::onRunDone(int id, int outcome)
{
    auto it = m_runs.find(id);
    if (it != m_runs.end()) {
        it->second->wait(); // done is its last act: this returns at once
        m_runs.erase(it);
    }
    emit runFinished(id, outcome);
}

bool ParseLauncher::isWriting(const QString& databaseFile) const
{
    if (databaseFile.isEmpty())
        return false;
    // A server's URI names no file: it is compared as written.
    if (isServerDatabase(databaseFile)) {
        const std::string wanted = QFile::encodeName(databaseFile).toStdString();
        for (const auto& entry : m_runs)
            if (entry.second->databaseFile() == wanted)
                return true;
        return false;
    }
    const QString wanted = QFileInfo(databaseFile).absoluteFilePath();
    for (const auto& entry : m_runs)
        if (QFileInfo(QFile::decodeName(entry.second->databaseFile().c_str())).absoluteFilePath() == wanted)
            return true;
    return false;
}

bool ParseLauncher::canCancel() const
{
    for (const auto& entry : m_runs)
        if (!entry.second->canCancel())
            return false;
    return true;
}

void ParseLauncher::cancelAll()
{
    for (auto& entry : m_runs)
        entry.second->requestCancel();
}
