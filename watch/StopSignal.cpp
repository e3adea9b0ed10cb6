#include "StopSignal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace trawler::watch {

StopSignal::StopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (m_fd < 0)
        throw std::runtime_error(std::string("cannot make a stop signal: ") + std::strerror(errno));
}

StopSignal::~StopSignal()
{
    ::close(m_fd);
}

void StopSignal::request() const
{
    const std::uint64_t one = 1;
    // Only fails when the counter would overflow: it is set already.
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool StopSignal::requested() const
{
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

} // namespace trawler::watch
