#include "CaptureFile.h"

#include "RunMessages.h"

#include <pcap/pcap.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace trawler::parse {

namespace {

constexpr int kLinkTypeEthernet = 1; // DLT_EN10MB
// The first four bytes of a pcapng file (its section header block's type).
constexpr unsigned char kPcapngMagic[4] = {0x0A, 0x0D, 0x0D, 0x0A};
// A larger read buffer than stdio's default: records are small and many.
constexpr std::size_t kReadBuffer = 256 * 1024;

OpenRefusal cannotOpen(const std::string& reason)
{
    return {TRAWLER_PARSE_OPEN_FAILED, std::string(messages::kOpenFailed) + "\n" + reason};
}

OpenRefusal systemRefusal(const std::string& path)
{
    return cannotOpen(path + ": " + std::strerror(errno));
}

const char* kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory";
    if (S_ISFIFO(mode))
        return "a FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device";
    if (S_ISSOCK(mode))
        return "a socket";
    return "not a regular file";
}

OpenRefusal notRegular(const std::string& path, mode_t mode)
{
    return cannotOpen(path + " is " + kindOf(mode) + ", not a regular capture file");
}

} // namespace

CaptureFile::~CaptureFile() { close(); }

void CaptureFile::close()
{
    if (m_pcap)
        pcap_close(m_pcap); // closes m_file and its descriptor
    else if (m_file)
        std::fclose(m_file);
    else if (m_fd >= 0)
        ::close(m_fd);
    m_pcap = nullptr;
    m_file = nullptr;
    m_fd = -1;
    m_pcapng.reset();
}

std::optional<OpenRefusal> CaptureFile::open(const std::string& path)
{
    close();
    // One file, one name: "a.cap", "./a.cap", "x/../a.cap" and a symlink to
    // it are all recorded as the same absolute path.
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return systemRefusal(path);
    m_canonical = resolved;
    std::free(resolved);

    // Looked at before it is opened: opening a device may do something.
    struct stat st {};
    if (::stat(m_canonical.c_str(), &st) != 0)
        return systemRefusal(path);
    if (!S_ISREG(st.st_mode))
        return notRegular(path, st.st_mode);
    // Non-blocking, so that a FIFO put in its place meanwhile cannot hang the open.
    m_fd = ::open(m_canonical.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0)
        return systemRefusal(path);
    if (::fstat(m_fd, &m_opened) != 0)
        return systemRefusal(path);
    if (!S_ISREG(m_opened.st_mode))
        return notRegular(path, m_opened.st_mode);
    // The capture component holds an exclusive lock while it writes a file.
    if (::flock(m_fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return OpenRefusal{TRAWLER_PARSE_BEING_WRITTEN, std::string(messages::kStillBeingWritten)};
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    return openStream();
}

std::optional<OpenRefusal> CaptureFile::openStream()
{
    m_file = ::fdopen(m_fd, "rb");
    if (!m_file)
        return systemRefusal(m_canonical);
    std::setvbuf(m_file, nullptr, _IOFBF, kReadBuffer);

    unsigned char magic[4] = {};
    const bool pcapng = std::fread(magic, 1, sizeof magic, m_file) == sizeof magic
        && std::equal(magic, magic + 4, kPcapngMagic);
    std::rewind(m_file);
    if (pcapng) {
        const PcapngInterfaces interfaces = scanPcapngInterfaces(m_file);
        std::vector<std::uint16_t> types = interfaces.linkTypes;
        std::sort(types.begin(), types.end());
        types.erase(std::unique(types.begin(), types.end()), types.end());
        // Decided on the interfaces before any damage: the damage is then
        // reported where the reading reaches it, after the frames before it.
        if (types.size() > 1) {
            if (!std::binary_search(types.begin(), types.end(), kLinkTypeEthernet))
                return OpenRefusal{TRAWLER_PARSE_NOT_ETHERNET, std::string(messages::kNotEthernet)};
            m_pcapng = std::make_unique<PcapngReader>(m_file);
            return std::nullopt;
        }
    }

    char error[PCAP_ERRBUF_SIZE] = {};
    m_pcap = pcap_fopen_offline(m_file, error);
    if (!m_pcap) // the stream stays ours to close
        return cannotOpen(error[0] ? std::string(error) : "libpcap cannot read the file");
    if (pcap_datalink(m_pcap) != kLinkTypeEthernet)
        return OpenRefusal{TRAWLER_PARSE_NOT_ETHERNET, std::string(messages::kNotEthernet)};
    m_classicFormat = !pcapng;
    return std::nullopt;
}

ReadStatus CaptureFile::next(CaptureRecord& record)
{
    if (m_pcapng) {
        const ReadStatus status = m_pcapng->next(record);
        if (status == ReadStatus::Error)
            m_readError = m_pcapng->error();
        return status;
    }
    for (;;) {
        pcap_pkthdr* header = nullptr;
        const u_char* data = nullptr;
        const int rc = pcap_next_ex(m_pcap, &header, &data);
        if (rc == 1 && header) {
            // The libpcap file format's seconds are unsigned 32-bit, but
            // libpcap hands them over sign-extended (a time after 2038-01-19
            // would come out before 1970). pcapng times are 64-bit and right.
            record.seconds = m_classicFormat ? static_cast<std::int64_t>(static_cast<std::uint32_t>(header->ts.tv_sec))
                                             : static_cast<std::int64_t>(header->ts.tv_sec);
            record.data = data;
            record.captured = data ? header->caplen : 0;
            record.wire = header->len;
            return ReadStatus::Record;
        }
        if (rc == PCAP_ERROR_BREAK)
            return ReadStatus::End;
        if (rc == PCAP_ERROR) {
            m_readError = pcap_geterr(m_pcap);
            return ReadStatus::Error;
        }
    }
}

std::uint64_t CaptureFile::bytesRead() const
{
    const long pos = m_file ? std::ftell(m_file) : -1;
    return pos > 0 ? static_cast<std::uint64_t>(pos) : 0;
}

bool CaptureFile::changedSinceOpen() const
{
    struct stat now {};
    if (!m_file || ::fstat(fileno(m_file), &now) != 0)
        return true;
    return now.st_size != m_opened.st_size || now.st_mtim.tv_sec != m_opened.st_mtim.tv_sec
        || now.st_mtim.tv_nsec != m_opened.st_mtim.tv_nsec;
}

} // namespace trawler::parse
