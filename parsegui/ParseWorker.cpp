#include "ParseWorker.h"

#include "MessageRelay.h"

#include "prompt/Prompter.h"

#include <exception>

ParseWorker::ParseWorker(int id, const QString& captureFile, const QString& databaseFile,
                         const ParseEntryPoints& entry, std::shared_ptr<MessageRelay> relay, QObject* parent)
    : QThread(parent), m_id(id), m_captureName(captureFile), m_captureFile(captureFile.toUtf8().toStdString()),
      m_databaseFile(databaseFile.toUtf8().toStdString()), m_entry(entry), m_relay(std::move(relay))
{
}

void ParseWorker::run()
{
    int outcome = kOutcomeUnknown;
    // The library promises that nothing escapes it; should something still
    // do so, it ends this run alone and the operator is told.
    try {
        if (m_entry.runWith) {
            TrawlerParseOptions options{};
            options.size = sizeof options;
            options.onMessage = &ParseWorker::onMessage;
            options.onProgress = &ParseWorker::onProgress;
            options.onNotice = &ParseWorker::onNotice;
            options.context = this;
            options.cancel = &m_cancelFlag;
            outcome = m_entry.runWith(m_captureFile.c_str(), m_databaseFile.c_str(), &options);
        } else if (m_entry.run) {
            outcome = m_entry.run(m_captureFile.c_str(), m_databaseFile.c_str(), &ParseWorker::onMessage,
                                  &ParseWorker::onProgress, this);
        } else {
            m_entry.parse(m_captureFile.c_str(), m_databaseFile.c_str());
        }
    } catch (const std::exception& e) {
        outcome = kOutcomeAborted;
        m_relay->showAndWait(kAppTitle, QStringLiteral("The parse of \"%1\" stopped on an error: %2")
                                            .arg(m_captureName, QString::fromUtf8(e.what())));
    } catch (...) {
        outcome = kOutcomeAborted;
        m_relay->showAndWait(kAppTitle, QStringLiteral("The parse of \"%1\" stopped on an unknown error.")
                                            .arg(m_captureName));
    }
    emit done(m_id, outcome);
}

void ParseWorker::onMessage(void* context, const char* caption, const char* text)
{
    auto* self = static_cast<ParseWorker*>(context);
    self->m_relay->showAndWait(QString::fromUtf8(caption ? caption : ""), QString::fromUtf8(text ? text : ""));
}

void ParseWorker::onNotice(void* context, const char* text)
{
    // The library's one passing state is the wait for another writer; an
    // empty text ends it.
    auto* self = static_cast<ParseWorker*>(context);
    emit self->waiting(self->m_id, text && *text);
}

void ParseWorker::onProgress(void* context, unsigned long long bytesRead, unsigned long long fileSize,
                          unsigned long long)
{
    auto* self = static_cast<ParseWorker*>(context);
    int percent = 0;
    if (fileSize > 0)
        percent = bytesRead >= fileSize ? 100 : int(bytesRead * 100 / fileSize);
    // Only changes cross to the GUI thread: at most 101 events per run.
    if (percent != self->m_lastPercent) {
        self->m_lastPercent = percent;
        emit self->progress(self->m_id, percent);
    }
}

bool ParseWorker::canCancel() const
{
    return m_entry.runWith && m_entry.cancel;
}

void ParseWorker::requestCancel()
{
    // The library reads the switch between frames; safe from any thread.
    if (canCancel())
        m_entry.cancel(&m_cancelFlag);
}
