#include "tools/capgen/CaptureWriter.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace trawler::capgen {

namespace {

constexpr std::size_t kFileBuffer = 1 << 20;
constexpr std::uint64_t kLastSecond = 0xffffffffu;

std::string systemError(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

} // namespace

CaptureWriter::CaptureWriter(const std::string& path, std::uint32_t snapLength)
    : m_path(path), m_tempPath(path + ".part"), m_snapLength(snapLength)
{
    if (snapLength < 1)
        throw CaptureWriteError("the snapshot length must be at least 1 byte");
    m_pcap = pcap_open_dead(DLT_EN10MB, static_cast<int>(snapLength));
    if (m_pcap == nullptr)
        throw CaptureWriteError("libpcap could not make a capture handle");
    std::FILE* file = std::fopen(m_tempPath.c_str(), "wb");
    if (file == nullptr) {
        const std::string message = systemError("cannot create", m_path);
        pcap_close(m_pcap);
        throw CaptureWriteError(message);
    }
    // A large stdio buffer: a million frames are a million small records.
    std::setvbuf(file, nullptr, _IOFBF, kFileBuffer);
    m_dumper = pcap_dump_fopen(m_pcap, file);
    if (m_dumper == nullptr) {
        const std::string message = "cannot start " + m_tempPath + ": " + pcap_geterr(m_pcap);
        std::fclose(file);
        std::remove(m_tempPath.c_str());
        pcap_close(m_pcap);
        throw CaptureWriteError(message);
    }
}

CaptureWriter::~CaptureWriter() { discard(); }

void CaptureWriter::discard()
{
    if (m_dumper != nullptr) {
        pcap_dump_close(m_dumper);
        m_dumper = nullptr;
        std::remove(m_tempPath.c_str());
    }
    if (m_pcap != nullptr) {
        pcap_close(m_pcap);
        m_pcap = nullptr;
    }
}

void CaptureWriter::write(std::uint64_t timeMicros, const std::uint8_t* data, std::size_t size)
{
    if (m_dumper == nullptr)
        throw CaptureWriteError("the capture file is already closed");
    // The record's seconds field is unsigned 32-bit; a later time would wrap.
    if (timeMicros / 1000000 > kLastSecond)
        throw std::invalid_argument("the capture would run past the last 32-bit timestamp");
    pcap_pkthdr header{};
    header.ts.tv_sec = static_cast<time_t>(timeMicros / 1000000);
    header.ts.tv_usec = static_cast<suseconds_t>(timeMicros % 1000000);
    header.len = static_cast<bpf_u_int32>(size);
    header.caplen = static_cast<bpf_u_int32>(size < m_snapLength ? size : m_snapLength);
    pcap_dump(reinterpret_cast<u_char*>(m_dumper), &header, data);
    ++m_frames;
    m_bytes += header.caplen;
}

void CaptureWriter::commit()
{
    if (m_dumper == nullptr)
        throw CaptureWriteError("the capture file is already closed");
    std::FILE* file = pcap_dump_file(m_dumper);
    errno = 0;
    if (pcap_dump_flush(m_dumper) != 0 || std::ferror(file) != 0) {
        const std::string message = systemError("cannot write", m_path);
        discard();
        throw CaptureWriteError(message);
    }
    pcap_dump_close(m_dumper);
    m_dumper = nullptr;
    pcap_close(m_pcap);
    m_pcap = nullptr;
    if (std::rename(m_tempPath.c_str(), m_path.c_str()) != 0) {
        const std::string message = systemError("cannot move the capture into place as", m_path);
        std::remove(m_tempPath.c_str());
        throw CaptureWriteError(message);
    }
}

} // namespace trawler::capgen
