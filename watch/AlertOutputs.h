#pragma once
#include "db/AlertStore.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace trawler::watch {

// One line of JSON: time, kind, severity, then only the fields that apply
// (vendor whenever there is a MAC, even when unknown).
std::string alertJson(const db::StoredAlert& alert);

// Where alerts go once stored. publish() is called on the pipeline's thread
// and must not block it for long.
class AlertSink {
public:
    virtual ~AlertSink() = default;
    virtual void publish(const db::StoredAlert& alert, const std::string& json) = 0;
};

// Lines to a stream (standard output or a file opened for appending),
// flushed one by one so a reader following the file sees each at once.
class StreamSink : public AlertSink {
public:
    explicit StreamSink(std::ostream& out) : m_out(out) {}
    void publish(const db::StoredAlert& alert, const std::string& json) override;

private:
    std::ostream& m_out;
};

// The system log: facility daemon, tag "trawler".
class SyslogSink : public AlertSink {
public:
    SyslogSink();
    ~SyslogSink() override;
    void publish(const db::StoredAlert& alert, const std::string& json) override;
};

// Runs a shell command per alert with the JSON line on its standard input,
// on a thread of its own. Alerts wait in a bounded queue; when it is full the
// alert is dropped (and that logged) rather than holding up the pipeline. A
// command still running after the time limit is killed. Failures go to the
// log function.
class CommandSink : public AlertSink {
public:
    using Log = std::function<void(const std::string&)>;
    CommandSink(std::string command, Log log, std::size_t queueLimit = 64, int timeLimitSeconds = 10);
    // Runs what is queued (each within its time limit), then returns.
    ~CommandSink() override;
    void publish(const db::StoredAlert& alert, const std::string& json) override;

private:
    void work();
    void runOne(const std::string& json);

    std::string m_command;
    Log m_log;
    std::size_t m_queueLimit;
    int m_timeLimitSeconds;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::string> m_queue;
    bool m_closing = false;
    std::thread m_worker;
};

} // namespace trawler::watch
