#pragma once
// TrawlerCaptureRunEx on a thread of its own, as the watch pipeline and the
// desktop program run it, with what a test needs to observe it.
#include "CaptureApi.h"
#include "LoopbackTraffic.h"

#include <sys/file.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace trawler::test {

// True when another open file description holds an exclusive lock on `path`.
inline bool lockedByWriter(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

// TrawlerCaptureRunEx on its own thread, recording every closed file.
class RollingCapture {
public:
    struct Closed {
        std::string path;
        std::uint64_t packets = 0;
        bool stillLocked = true;
    };

    explicit RollingCapture(TrawlerCaptureSettings settings) : m_settings(settings)
    {
        m_settings.size = sizeof m_settings;
        m_settings.onStarted = &RollingCapture::started;
        m_settings.onFileClosed = &RollingCapture::closed;
        m_settings.context = this;
        m_totals.size = sizeof m_totals;
        m_thread = std::thread([this] {
            const int status = TrawlerCaptureRunEx(&m_settings, &m_totals);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_status = status;
            m_ended = true;
            m_changed.notify_all();
        });
    }
    ~RollingCapture()
    {
        if (m_thread.joinable()) {
            stopAndJoin();
        }
    }

    // Waits (bounded, for a stuck capture) until `done` holds under the lock.
    template <typename Condition>
    bool await(Condition done)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return done(); });
    }
    bool waitStarted()
    {
        await([this] { return m_started || m_ended; });
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_started;
    }
    bool waitClosedFiles(std::size_t count)
    {
        return await([&] { return m_closed.size() >= count || m_ended; }) && closedFiles().size() >= count;
    }
    bool waitEnded()
    {
        return await([this] { return m_ended; });
    }
    int stopAndJoin()
    {
        // Repeated: a stop counts only once the capture has registered.
        while (!ended())
            TrawlerCaptureStop(), std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return join();
    }
    int join()
    {
        m_thread.join();
        return m_status;
    }
    bool ended()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ended;
    }
    std::string startedFile()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_startedFile;
    }
    std::vector<Closed> closedFiles()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_closed;
    }
    const TrawlerCaptureTotals& totals() const { return m_totals; } // after join

private:
    static void started(void* context, const char*, const char* fileName)
    {
        auto* self = static_cast<RollingCapture*>(context);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_started = true;
        self->m_startedFile = fileName;
        self->m_changed.notify_all();
    }
    static void closed(void* context, const char* path, std::uint64_t packets)
    {
        auto* self = static_cast<RollingCapture*>(context);
        const bool locked = lockedByWriter(path);
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_closed.push_back({path, packets, locked});
        self->m_changed.notify_all();
    }

    TrawlerCaptureSettings m_settings;
    TrawlerCaptureTotals m_totals{};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_started = false;
    bool m_ended = false;
    int m_status = -1;
    std::string m_startedFile;
    std::vector<Closed> m_closed;
    std::thread m_thread;
};

// Only this process's echoes: ICMP identifier at bytes 4-5 (RFC 792).
inline std::string ownEchoFilter()
{
    return "icmp and icmp[4:2] = " + std::to_string(ownEchoIdentifier());
}

} // namespace trawler::test
