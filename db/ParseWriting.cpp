#include "ParseWriting.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace trawler::db {

namespace {

std::string markPath(const std::string& databasePath)
{
    return databasePath + "-parsing";
}

struct flock markRange(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    range.l_pid = 0; // required by open-file-description locks
    return range;
}

int openRetrying(const std::string& path, int flags)
{
    int fd;
    do
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    while (fd < 0 && errno == EINTR);
    return fd;
}

} // namespace

ParseWritingMark::ParseWritingMark(const std::string& databasePath) : m_path(markPath(databasePath))
{
    const int fd = openRetrying(m_path, O_RDWR | O_CREAT);
    if (fd < 0)
        return;
    // Shared: two runs on one file (the second waits for the first's
    // transaction) both hold it.
    struct flock range = markRange(F_RDLCK);
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0)
        m_fd = fd;
    else
        ::close(fd);
}

ParseWritingMark::~ParseWritingMark()
{
    if (m_fd < 0)
        return;
    // Only the last holder may take the lock exclusively; it removes the file.
    struct flock range = markRange(F_WRLCK);
    if (::fcntl(m_fd, F_OFD_SETLK, &range) == 0)
        ::unlink(m_path.c_str());
    ::close(m_fd);
}

bool parseIsWriting(const std::string& databasePath)
{
    const int fd = openRetrying(markPath(databasePath), O_RDONLY);
    if (fd < 0)
        return false;
    struct flock range = markRange(F_WRLCK);
    const bool marked = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return marked;
}

} // namespace trawler::db
