#include "CaptureWriter.h"

#include <cerrno>
#include <cstring>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trawler::capture {

namespace {

// Large enough for several maximum-size records; small enough that a crash
// loses little (the capture flushes twice a second anyway).
constexpr std::size_t kBufferBytes = 256 * 1024;

void putU32(std::vector<unsigned char>& out, std::uint32_t value)
{
    // Host byte order, as the magic number tells a reader.
    unsigned char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.insert(out.end(), bytes, bytes + 4);
}

void putU16(std::vector<unsigned char>& out, std::uint16_t value)
{
    unsigned char bytes[2];
    std::memcpy(bytes, &value, 2);
    out.insert(out.end(), bytes, bytes + 2);
}

// Writes all of [data, data + size) at the current offset. Returns the bytes
// written; `error` is the errno of the failure, 0 when all went out.
std::size_t writeAll(int fd, const unsigned char* data, std::size_t size, int& error)
{
    std::size_t done = 0;
    error = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            break;
        }
        if (n == 0) { // a regular file that takes nothing is full
            error = ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

CaptureWriter::~CaptureWriter()
{
    close();
}

bool CaptureWriter::open(int fd, std::string path, int linkType, int snapLength)
{
    m_fd = fd;
    m_path = std::move(path);
    m_error.clear();
    m_removed = false;
    m_buffer.clear();
    m_pendingEnds.clear();
    m_committedBytes = 0;
    m_committedPackets = 0;
    m_buffer.reserve(kBufferBytes);

    // Readers (the parser) refuse a file that is locked: it is still growing.
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        fail("lock", errno);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }

    // File header: magic, version 2.4, GMT offset, accuracy, snapshot length,
    // link type.
    std::vector<unsigned char> header;
    putU32(header, 0xa1b2c3d4);
    putU16(header, 2);
    putU16(header, 4);
    putU32(header, 0);
    putU32(header, 0);
    putU32(header, static_cast<std::uint32_t>(snapLength));
    putU32(header, static_cast<std::uint32_t>(linkType));
    int error = 0;
    writeAll(m_fd, header.data(), header.size(), error);
    if (error != 0) {
        fail("write", error);
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    m_committedBytes = header.size();
    return true;
}

bool CaptureWriter::write(const pcap_pkthdr& header, const u_char* bytes)
{
    if (failed() || m_fd < 0)
        return false;
    const std::size_t record = kRecordHeaderBytes + header.caplen;
    if (m_buffer.size() + record > kBufferBytes && !writeBuffer())
        return false;
    // The file format keeps 32-bit seconds and microseconds, read as unsigned.
    putU32(m_buffer, static_cast<std::uint32_t>(header.ts.tv_sec));
    putU32(m_buffer, static_cast<std::uint32_t>(header.ts.tv_usec));
    putU32(m_buffer, header.caplen);
    putU32(m_buffer, header.len);
    m_buffer.insert(m_buffer.end(), bytes, bytes + header.caplen);
    m_pendingEnds.push_back(m_buffer.size());
    return true;
}

bool CaptureWriter::writeBuffer()
{
    if (m_buffer.empty())
        return true;
    int error = 0;
    const std::size_t done = writeAll(m_fd, m_buffer.data(), m_buffer.size(), error);
    if (error == 0) {
        m_committedBytes += done;
        m_committedPackets += m_pendingEnds.size();
        m_buffer.clear();
        m_pendingEnds.clear();
        return true;
    }
    // Keep the records that reached the file whole; drop the torn one.
    std::size_t kept = 0;
    std::size_t keptBytes = 0;
    while (kept < m_pendingEnds.size() && m_pendingEnds[kept] <= done)
        keptBytes = m_pendingEnds[kept++];
    m_committedPackets += kept;
    m_committedBytes += keptBytes;
    m_buffer.clear();
    m_pendingEnds.clear();
    fail("write", error);
    if (::ftruncate(m_fd, static_cast<off_t>(m_committedBytes)) != 0)
        m_error += " Cutting it back to its last whole record failed too: " + std::string(std::strerror(errno)) + ".";
    return false;
}

bool CaptureWriter::flush()
{
    if (failed() || m_fd < 0)
        return false;
    if (!writeBuffer())
        return false;
    // A file without a name (it or its folder was deleted) takes every write
    // and is lost at close: that is a failure, not a capture.
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        return fail("check", errno);
    if (info.st_nlink == 0) {
        m_removed = true;
        m_error = "The capture file \"" + m_path + "\" was removed while it was being written.";
        return false;
    }
    return true;
}

bool CaptureWriter::close()
{
    if (m_fd < 0)
        return !failed();
    flush();
    ::flock(m_fd, LOCK_UN);
    if (::close(m_fd) != 0 && !failed())
        fail("close", errno);
    m_fd = -1;
    return !failed();
}

bool CaptureWriter::fail(const char* verb, int error)
{
    m_error = std::string("Cannot ") + verb + " the capture file \"" + m_path + "\": " + std::strerror(error) + ".";
    return false;
}

} // namespace trawler::capture
