#include "FolderIngest.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace trawler::watch {

namespace fs = std::filesystem;

bool isBeingWritten(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false; // the parse reports why it cannot be read
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd); // drops our shared lock, if we got it
    return locked;
}

std::vector<std::string> captureFilesOldestFirst(const std::string& folder)
{
    std::vector<std::pair<fs::file_time_type, std::string>> files;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::error_code fileEc;
        if (!entry.is_regular_file(fileEc))
            continue;
        const auto name = entry.path().filename().string();
        if (name.empty() || name[0] == '.')
            continue; // hidden files: partial downloads, editors' scratch files
        files.emplace_back(entry.last_write_time(fileEc), entry.path().string());
    }
    std::sort(files.begin(), files.end());
    std::vector<std::string> out;
    for (auto& f : files)
        out.push_back(std::move(f.second));
    return out;
}

FolderIngest::FolderIngest(Pipeline& pipeline, std::string folder, parse::RunListener& listener, FileDone done)
    : m_pipeline(pipeline), m_folder(std::move(folder)), m_listener(listener), m_done(std::move(done))
{
}

bool FolderIngest::tryFile(const std::string& file)
{
    if (m_tried.count(file))
        return false;
    if (isBeingWritten(file)) {
        m_waiting.insert(file);
        return false;
    }
    m_waiting.erase(file);
    m_tried.insert(file);
    const TakeInResult result = m_pipeline.takeIn(file, m_listener);
    if (m_done)
        m_done(file, result);
    return true;
}

std::size_t FolderIngest::sweep()
{
    std::size_t tried = 0;
    for (const auto& file : captureFilesOldestFirst(m_folder))
        tried += tryFile(file) ? 1 : 0;
    return tried;
}

void FolderIngest::follow(const StopSignal& stop)
{
    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (watch < 0)
        throw std::runtime_error(std::string("cannot watch folders: ") + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{watch};
    // A file counts as complete when its writer closes it (IN_CLOSE_WRITE,
    // which also ends the writer's lock) or when it is moved in whole.
    if (::inotify_add_watch(watch, m_folder.c_str(), IN_CLOSE_WRITE | IN_MOVED_TO) < 0)
        throw std::runtime_error("cannot watch " + m_folder + ": " + std::strerror(errno));

    sweep();
    alignas(inotify_event) char buffer[8192];
    while (!stop.requested()) {
        pollfd fds[2] = {{watch, POLLIN, 0}, {stop.fd(), POLLIN, 0}};
        // A writer may also drop its lock without closing (flock(LOCK_UN)):
        // while a file waits, look again every second.
        const int rc = ::poll(fds, 2, m_waiting.empty() ? -1 : 1000);
        if (rc < 0 && errno != EINTR)
            throw std::runtime_error(std::string("watching the folder failed: ") + std::strerror(errno));
        if (fds[1].revents)
            break;
        // Only files the events name (and those waiting for their writer):
        // a file another program is still writing without a lock is not
        // touched before it is closed.
        std::vector<std::string> named;
        ssize_t n;
        while ((n = ::read(watch, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0 && event->name[0] != '.' && !(event->mask & IN_ISDIR))
                    named.push_back((std::filesystem::path(m_folder) / event->name).string());
                p += sizeof(inotify_event) + event->len;
            }
        }
        const std::vector<std::string> waiting(m_waiting.begin(), m_waiting.end());
        for (const auto& file : waiting)
            tryFile(file);
        for (const auto& file : named)
            tryFile(file);
    }
}

} // namespace trawler::watch
