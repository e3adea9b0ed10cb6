#pragma once
// Carries a worker thread's message to the GUI thread, where it is shown
// modally, and holds the worker until the operator has answered it.
#include <QPointer>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

class MessageRelay : public std::enable_shared_from_this<MessageRelay> {
public:
    using Show = std::function<void(const QString& caption, const QString& text)>;

    // show runs on guiContext's thread.
    MessageRelay(QObject* guiContext, Show show);

    // Worker side: shows the message on the GUI thread and returns once it
    // has been answered, or at once when the relay has been abandoned.
    void showAndWait(const QString& caption, const QString& text);

    // GUI side, at shutdown: releases every waiting worker; later messages
    // go to standard error instead of a box nobody could answer.
    void abandon();
    bool abandoned() const;

private:
    struct Pending {
        bool done = false;
    };

    QPointer<QObject> m_context;
    Show m_show;
    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_abandoned = false;
};
