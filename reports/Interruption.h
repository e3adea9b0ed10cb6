#pragma once
// A way to stop a report's statements from another thread. The thread that
// runs a report attaches its connection for as long as a statement may run;
// cancel(), from any thread, marks the request and interrupts whatever
// connection is attached at that moment (the statement then fails with an
// interrupted DbError). A connection attached after cancel() is refused at
// once, so a cancel that arrives between two statements is not lost.
#include "ReportError.h"

#include <mutex>

namespace trawler::db {
class Database;
}

namespace trawler::reports {

class Interruption {
public:
    Interruption() = default;
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    // Marks the request and interrupts the attached connection, if any.
    // Calling it again interrupts again: the engine ignores an interrupt
    // that arrives before a statement has started, so a caller that keeps
    // waiting may repeat it.
    void cancel();
    bool cancelled() const;

    // Keeps a connection attached for the scope's lifetime. Both arguments
    // may be absent (nullptr interruption: nothing to do). Throws the
    // cancelled() error when the request was cancelled already.
    class Scope {
    public:
        Scope(Interruption* interruption, db::Database& connection);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Interruption* m_interruption;
    };

    // What a run that was cancelled throws.
    static ReportError cancelledError();

private:
    mutable std::mutex m_mutex;
    db::Database* m_connection = nullptr;
    bool m_cancelled = false;
};

} // namespace trawler::reports
