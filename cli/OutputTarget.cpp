#include "OutputTarget.h"

#include "Failure.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <vector>

namespace trawler::cli {

// A write-only stream buffer over a file descriptor that remembers the errno
// of its first failed write and writes nothing after it.
class OutputTarget::Buffer : public std::streambuf {
public:
    explicit Buffer(int fd) : m_fd(fd), m_space(1 << 16) { setp(m_space.data(), m_space.data() + m_space.size()); }
    int error() const { return m_error; }
    bool drain()
    {
        const char* p = pbase();
        std::size_t left = static_cast<std::size_t>(pptr() - pbase());
        while (left > 0 && m_error == 0) {
            const ssize_t n = ::write(m_fd, p, left);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                m_error = errno;
            } else if (n == 0) {
                m_error = EIO;
            } else {
                p += n;
                left -= static_cast<std::size_t>(n);
            }
        }
        setp(m_space.data(), m_space.data() + m_space.size());
        return m_error == 0;
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        std::streamsize done = 0;
        while (done < n) {
            if (pptr() == epptr() && !drain())
                return done;
            const std::streamsize room = epptr() - pptr();
            const std::streamsize take = std::min(room, n - done);
            traits_type::copy(pptr(), s + done, static_cast<std::size_t>(take));
            pbump(static_cast<int>(take));
            done += take;
        }
        return done;
    }
    int sync() override { return drain() ? 0 : -1; }

private:
    int m_fd;
    std::vector<char> m_space;
    int m_error = 0;
};

namespace {

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {};
    struct stat sb {};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0
        && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

OutputTarget::OutputTarget(const std::string& path, const std::string& source) : m_stream(nullptr)
{
    if (sameFile(path, source))
        throw WriteFailure(path, "this is the database being read; choose another output file");
    if (path.empty()) {
        m_name = "standard output";
        // Whatever another part of the program left in std::cout comes first.
        std::cout.flush();
        m_fd = STDOUT_FILENO;
    } else {
        m_name = path;
        std::vector<char> pattern(path.begin(), path.end());
        const char suffix[] = ".partial-XXXXXX";
        pattern.insert(pattern.end(), suffix, suffix + sizeof suffix);
        m_fd = ::mkstemp(pattern.data());
        if (m_fd < 0)
            throw WriteFailure(m_name, systemErrorText(errno));
        m_temporary = pattern.data();
    }
    m_buffer = std::make_unique<Buffer>(m_fd);
    m_stream.rdbuf(m_buffer.get());
}

OutputTarget::~OutputTarget()
{
    if (toFile() && !m_committed) {
        ::close(m_fd);
        std::remove(m_temporary.c_str());
    }
}

bool OutputTarget::terminal() const
{
    return !toFile() && ::isatty(STDOUT_FILENO);
}

void OutputTarget::check()
{
    if (m_buffer->error() != 0 || !m_stream)
        throw WriteFailure(m_name, systemErrorText(m_buffer->error()));
}

void OutputTarget::commit()
{
    m_stream.flush();
    check();
    if (!toFile())
        return;
    // mkstemp made the file private; give it the mode any new file gets.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    // A network or quota file system may report a failed write only at close.
    const int closed = ::close(m_fd);
    m_committed = true;
    if (closed != 0) {
        const int error = errno;
        std::remove(m_temporary.c_str());
        throw WriteFailure(m_name, systemErrorText(error));
    }
    if (std::rename(m_temporary.c_str(), m_name.c_str()) != 0) {
        const int error = errno;
        std::remove(m_temporary.c_str());
        throw WriteFailure(m_name, systemErrorText(error));
    }
}

} // namespace trawler::cli
