#include "MessageRelay.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <cstdio>

MessageRelay::MessageRelay(QObject* guiContext, Show show) : m_context(guiContext), m_show(std::move(show)) {}

void MessageRelay::showAndWait(const QString& caption, const QString& text)
{
    QObject* context = m_context.data();
    if (context && QThread::currentThread() == context->thread()) {
        // Already on the GUI thread: waiting for ourselves would never end.
        if (!abandoned())
            m_show(caption, text);
        return;
    }

    auto pending = std::make_shared<Pending>();
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_abandoned && context) {
            auto self = shared_from_this();
            const bool posted = QMetaObject::invokeMethod(
                context,
                [self, pending, caption, text] {
                    if (!self->abandoned())
                        self->m_show(caption, text);
                    std::lock_guard<std::mutex> done(self->m_mutex);
                    pending->done = true;
                    self->m_answered.notify_all();
                },
                Qt::QueuedConnection);
            if (posted) {
                m_answered.wait(lock, [&] { return pending->done || m_abandoned; });
                if (pending->done)
                    return;
            }
        }
    }
    // Nobody is left to answer: keep the message where an operator can read it.
    std::fprintf(stderr, "%s: %s\n", caption.toUtf8().constData(), text.toUtf8().constData());
}

void MessageRelay::abandon()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_abandoned = true;
    m_answered.notify_all();
}

bool MessageRelay::abandoned() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abandoned;
}
