#include "ParseWriting.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace trawler::db {

namespace {

// The engine locks bytes near 1 GiB; this byte lies far beyond any file and
// any of its locks.
constexpr off_t kMarkOffset = off_t(1) << 62;

struct flock markRange(short type)
{
    struct flock range {};
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kMarkOffset;
    range.l_len = 1;
    range.l_pid = 0; // required by open-file-description locks
    return range;
}

int openQuietly(const std::string& path)
{
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        do
            fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        while (fd < 0 && errno == EINTR);
    }
    return fd;
}

} // namespace

ParseWritingMark::ParseWritingMark(const std::string& databasePath)
{
    const int fd = openQuietly(databasePath);
    if (fd < 0)
        return;
    // A shared lock: a read-only descriptor can hold it, and two runs on one
    // file (the second waits for the first's transaction) both mark it.
    struct flock range = markRange(F_RDLCK);
    if (::fcntl(fd, F_OFD_SETLK, &range) == 0)
        m_fd = fd;
    else
        ::close(fd);
}

ParseWritingMark::~ParseWritingMark()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the last descriptor of the description drops its lock
}

bool parseIsWriting(const std::string& databasePath)
{
    const int fd = openQuietly(databasePath);
    if (fd < 0)
        return false;
    // Would an exclusive lock be refused? Only a mark's shared lock ever
    // stands on this byte.
    struct flock range = markRange(F_WRLCK);
    const bool marked = ::fcntl(fd, F_OFD_GETLK, &range) == 0 && range.l_type != F_UNLCK;
    ::close(fd);
    return marked;
}

} // namespace trawler::db
