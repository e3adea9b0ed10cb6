#include "AlertOutputs.h"

#include "reports/JsonWriter.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace trawler::watch {

namespace {

// Texts from captured frames (a file name, say) may hold any byte: the
// report writers' JSON escaping keeps the line valid JSON whatever they are.
void appendString(std::string& out, const char* name, const std::string& value)
{
    out += ",\"";
    out += name;
    out += "\":";
    out += reports::jsonString(value);
}

void appendNumber(std::string& out, const char* name, std::int64_t value)
{
    out += ",\"";
    out += name;
    out += "\":";
    out += std::to_string(value);
}

} // namespace

std::string alertJson(const db::StoredAlert& a)
{
    std::string out = "{";
    appendString(out, "time", a.time);
    out.erase(1, 1); // the first field has no comma before it
    appendString(out, "kind", a.kind);
    appendString(out, "severity", a.severity);
    if (!a.ip.empty())
        appendString(out, "ip", a.ip);
    if (!a.mac.empty())
        appendString(out, "mac", a.mac);
    if (!a.previousMac.empty())
        appendString(out, "previous_mac", a.previousMac);
    if (!a.mac.empty())
        appendString(out, "vendor", a.vendor);
    if (!a.source.empty())
        appendString(out, "source", a.source);
    if (a.count)
        appendNumber(out, "count", *a.count);
    if (a.windowSeconds)
        appendNumber(out, "window_seconds", *a.windowSeconds);
    if (!a.file.empty())
        appendString(out, "file", a.file);
    if (!a.sensor.empty())
        appendString(out, "sensor", a.sensor);
    out += '}';
    return out;
}

void StreamSink::publish(const db::StoredAlert&, const std::string& json)
{
    m_out << json << '\n';
    m_out.flush();
}

SyslogSink::SyslogSink()
{
    ::openlog("trawler", LOG_PID, LOG_DAEMON);
}

SyslogSink::~SyslogSink()
{
    ::closelog();
}

void SyslogSink::publish(const db::StoredAlert& alert, const std::string& json)
{
    const int priority = alert.severity == "high" ? LOG_WARNING : LOG_NOTICE;
    ::syslog(LOG_DAEMON | priority, "%s", json.c_str());
}

CommandSink::CommandSink(std::string command, Log log, std::size_t queueLimit, int timeLimitSeconds)
    : m_command(std::move(command)), m_log(std::move(log)), m_queueLimit(queueLimit),
      m_timeLimitSeconds(timeLimitSeconds), m_worker([this] { work(); })
{
}

CommandSink::~CommandSink()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closing = true;
    }
    m_ready.notify_all();
    m_worker.join();
}

void CommandSink::publish(const db::StoredAlert&, const std::string& json)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.size() >= m_queueLimit) {
            m_log("alert command: " + std::to_string(m_queueLimit) + " alerts already waiting; this one is dropped: "
                  + json);
            return;
        }
        m_queue.push_back(json);
    }
    m_ready.notify_one();
}

void CommandSink::work()
{
    for (;;) {
        std::string json;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_closing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            json = std::move(m_queue.front());
            m_queue.pop_front();
        }
        try {
            runOne(json);
        } catch (const std::exception& e) {
            m_log(std::string("alert command: ") + e.what());
        }
    }
}

void CommandSink::runOne(const std::string& json)
{
    // A socket pair rather than a pipe: a command that exits without reading
    // makes send() fail with EPIPE (MSG_NOSIGNAL) instead of raising SIGPIPE.
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        m_log(std::string("alert command: cannot make its input: ") + std::strerror(errno));
        return;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        m_log(std::string("alert command: cannot start: ") + std::strerror(errno));
        return;
    }
    if (pid == 0) {
        ::dup2(fds[1], STDIN_FILENO);
        ::execl("/bin/sh", "sh", "-c", m_command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    const std::string line = json + '\n';
    std::size_t sent = 0;
    while (sent < line.size()) {
        const ssize_t n = ::send(fds[0], line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        sent += static_cast<std::size_t>(n);
    }
    ::close(fds[0]);

    // Wait for the command through a process descriptor, so the time limit
    // needs no polling.
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    bool finished = true;
    if (pidfd >= 0) {
        pollfd p{pidfd, POLLIN, 0};
        int rc;
        do
            rc = ::poll(&p, 1, m_timeLimitSeconds * 1000);
        while (rc < 0 && errno == EINTR);
        finished = rc > 0;
        ::close(pidfd);
    }
    if (!finished) {
        ::kill(pid, SIGKILL);
        m_log("alert command: still running after " + std::to_string(m_timeLimitSeconds) + " s; stopped");
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (finished && !(WIFEXITED(status) && WEXITSTATUS(status) == 0))
        m_log("alert command: failed (" + (WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                                             : std::string("killed by a signal")) + ")");
}

} // namespace trawler::watch
