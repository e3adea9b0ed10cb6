#include "CaptureSession.h"

#include "CaptureFile.h"
#include "CaptureInterface.h"

#include <pcap/pcap.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace trawler::capture {

namespace {

std::atomic<bool> g_running{false};
std::atomic<bool> g_stopRequested{false};
// Guards the two below. A stop request counts only while a session is
// active: one that comes before a capture started does not end it.
std::mutex g_sessionMutex;
bool g_sessionActive = false;
pcap_t* g_activeHandle = nullptr; // for pcap_breakloop from other threads

// The loop wakes at least this often to look at the stop request and the
// limits, and to flush the file.
constexpr int kPollMilliseconds = 100;
constexpr auto kFlushInterval = std::chrono::milliseconds(500);
constexpr int kSnapLength = 65535;

class Session {
public:
    explicit Session(const CaptureRequest& request) : m_request(request) {}
    ~Session() { close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CaptureResult run();

private:
    bool openInterface();
    bool requireEthernet();
    bool applyFilter();
    bool createFile();
    void loop();
    bool flush();
    void close();
    bool fail(int status, std::string error)
    {
        m_result.status = status;
        m_result.error = std::move(error);
        return false;
    }
    static void onPacket(u_char* user, const pcap_pkthdr* header, const u_char* bytes);

    const CaptureRequest& m_request;
    CaptureResult m_result;
    std::string m_interface;
    pcap_t* m_handle = nullptr;
    pcap_dumper_t* m_dumper = nullptr;
};

CaptureResult Session::run()
{
    // Cheap checks first: nothing is opened or created for a request that
    // cannot succeed.
    if (std::string why = checkSaveDirectory(m_request.directory); !why.empty()) {
        fail(TRAWLER_CAPTURE_BAD_DIRECTORY, why);
        return m_result;
    }
    std::string error;
    m_interface = resolveInterface(m_request.interfaceName, error);
    if (m_interface.empty()) {
        fail(TRAWLER_CAPTURE_NO_INTERFACE, error);
        return m_result;
    }
    if (!openInterface() || !requireEthernet() || !applyFilter() || !createFile())
        return m_result;

    {
        std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_activeHandle = m_handle;
    }
    if (m_request.onStarted) {
        try {
            m_request.onStarted(m_interface, m_result.fileName);
        } catch (...) {
            // A failing observer does not end the capture.
        }
    }
    loop();
    close();
    return m_result;
}

bool Session::openInterface()
{
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    m_handle = pcap_create(m_interface.c_str(), errbuf);
    if (!m_handle)
        return fail(TRAWLER_CAPTURE_OPEN_FAILED, "Cannot capture on \"" + m_interface + "\": " + errbuf);
    pcap_set_snaplen(m_handle, kSnapLength);
    pcap_set_promisc(m_handle, 1);
    // Immediate delivery: what crossed the wire before the operator pressed
    // stop is in the file, not left in a kernel buffer block.
    pcap_set_immediate_mode(m_handle, 1);
    pcap_set_timeout(m_handle, kPollMilliseconds);

    const int rc = pcap_activate(m_handle);
    if (rc >= 0)
        return true; // warnings (promiscuous mode not supported...) do not stop a capture
    const std::string detail = *pcap_geterr(m_handle) ? pcap_geterr(m_handle) : pcap_statustostr(rc);
    switch (rc) {
    case PCAP_ERROR_NO_SUCH_DEVICE:
        return fail(TRAWLER_CAPTURE_NO_INTERFACE, "There is no network interface \"" + m_interface + "\": " + detail);
    case PCAP_ERROR_PERM_DENIED:
    case PCAP_ERROR_PROMISC_PERM_DENIED:
        return fail(TRAWLER_CAPTURE_OPEN_FAILED,
                    "No permission to capture on \"" + m_interface + "\" (run as root or grant CAP_NET_RAW): " + detail);
    default:
        return fail(TRAWLER_CAPTURE_OPEN_FAILED, "Cannot capture on \"" + m_interface + "\": " + detail);
    }
}

bool Session::requireEthernet()
{
    const int linkType = pcap_datalink(m_handle);
    if (linkType == DLT_EN10MB)
        return true;
    // Some interfaces offer Ethernet framing besides their default.
    int* offered = nullptr;
    const int count = pcap_list_datalinks(m_handle, &offered);
    bool ethernetOffered = false;
    for (int i = 0; i < count; ++i)
        ethernetOffered = ethernetOffered || offered[i] == DLT_EN10MB;
    if (count > 0)
        pcap_free_datalinks(offered);
    if (ethernetOffered && pcap_set_datalink(m_handle, DLT_EN10MB) == 0)
        return true;
    const char* name = pcap_datalink_val_to_name(linkType);
    return fail(TRAWLER_CAPTURE_NOT_ETHERNET, "The interface \"" + m_interface +
                                                  "\" is not an Ethernet interface (link type " +
                                                  (name ? name : std::to_string(linkType)) +
                                                  "); only Ethernet interfaces can be captured.");
}

bool Session::applyFilter()
{
    if (m_request.filter.empty())
        return true;
    bpf_u_int32 net = 0;
    bpf_u_int32 mask = PCAP_NETMASK_UNKNOWN;
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    if (pcap_lookupnet(m_interface.c_str(), &net, &mask, errbuf) != 0)
        mask = PCAP_NETMASK_UNKNOWN; // only "ip broadcast" needs it
    bpf_program program{};
    if (pcap_compile(m_handle, &program, m_request.filter.c_str(), 1, mask) != 0)
        return fail(TRAWLER_CAPTURE_BAD_FILTER,
                    "Invalid capture filter \"" + m_request.filter + "\": " + pcap_geterr(m_handle));
    const int rc = pcap_setfilter(m_handle, &program);
    pcap_freecode(&program);
    if (rc != 0)
        return fail(TRAWLER_CAPTURE_BAD_FILTER,
                    "Cannot set the capture filter \"" + m_request.filter + "\": " + pcap_geterr(m_handle));
    return true;
}

bool Session::createFile()
{
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    if (pcap_setnonblock(m_handle, 1, errbuf) != 0)
        return fail(TRAWLER_CAPTURE_OPEN_FAILED, "Cannot capture on \"" + m_interface + "\": " + errbuf);

    CreatedFile created;
    std::string error;
    if (!createCaptureFile(m_request.directory, std::time(nullptr), created, error))
        return fail(TRAWLER_CAPTURE_BAD_DIRECTORY, error);
    FILE* stream = ::fdopen(created.fd, "wb");
    if (stream)
        m_dumper = pcap_dump_fopen(m_handle, stream);
    // The file header goes out at once: from now on the file is valid.
    if (!m_dumper || pcap_dump_flush(m_dumper) != 0) {
        const std::string why = m_dumper || !stream ? std::strerror(errno) : pcap_geterr(m_handle);
        if (m_dumper) {
            pcap_dump_close(m_dumper);
            m_dumper = nullptr;
        } else if (stream) {
            std::fclose(stream);
        } else {
            ::close(created.fd);
        }
        ::unlink(created.path.c_str());
        return fail(TRAWLER_CAPTURE_BAD_DIRECTORY,
                    "Cannot write the capture file \"" + created.path + "\": " + why);
    }
    m_result.fileName = created.path;
    return true;
}

void Session::onPacket(u_char* user, const pcap_pkthdr* header, const u_char* bytes)
{
    auto* self = reinterpret_cast<Session*>(user);
    pcap_dump(reinterpret_cast<u_char*>(self->m_dumper), header, bytes);
    ++self->m_result.packets;
}

void Session::loop()
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    Clock::time_point lastFlush = started;
    bool unflushed = false;
    const int fd = pcap_get_selectable_fd(m_handle);

    while (!g_stopRequested.load()) {
        if (fd >= 0) {
            pollfd waitFor{fd, POLLIN, 0};
            ::poll(&waitFor, 1, kPollMilliseconds);
        } else {
            ::usleep(kPollMilliseconds * 1000);
        }
        int budget = -1;
        if (m_request.maxPackets > 0) {
            const std::uint64_t left = m_request.maxPackets - m_result.packets;
            budget = left > 1000000 ? 1000000 : static_cast<int>(left);
        }
        const int n = pcap_dispatch(m_handle, budget, &Session::onPacket, reinterpret_cast<u_char*>(this));
        if (n == PCAP_ERROR_BREAK)
            break;
        if (n == PCAP_ERROR) {
            fail(TRAWLER_CAPTURE_READ_FAILED,
                 "Reading packets from \"" + m_interface + "\" failed: " + pcap_geterr(m_handle));
            break;
        }
        unflushed = unflushed || n > 0;

        const Clock::time_point now = Clock::now();
        if (unflushed && now - lastFlush >= kFlushInterval) {
            if (!flush())
                return;
            lastFlush = now;
            unflushed = false;
        }
        if (m_request.maxPackets > 0 && m_result.packets >= m_request.maxPackets) {
            m_result.status = TRAWLER_CAPTURE_LIMIT_REACHED;
            break;
        }
        if (m_request.maxSeconds > 0 && now - started >= std::chrono::seconds(m_request.maxSeconds)) {
            m_result.status = TRAWLER_CAPTURE_LIMIT_REACHED;
            break;
        }
    }
}

bool Session::flush()
{
    if (pcap_dump_flush(m_dumper) == 0)
        return true;
    return fail(TRAWLER_CAPTURE_WRITE_FAILED,
                "Writing the capture file \"" + m_result.fileName + "\" failed: " + std::strerror(errno) + ".");
}

void Session::close()
{
    if (m_dumper) {
        errno = 0;
        const bool written = pcap_dump_flush(m_dumper) == 0 && !std::ferror(pcap_dump_file(m_dumper));
        const int writeErrno = errno;
        pcap_dump_close(m_dumper);
        m_dumper = nullptr;
        if (!written && m_result.error.empty()) {
            m_result.status = TRAWLER_CAPTURE_WRITE_FAILED;
            m_result.error = "Writing the capture file \"" + m_result.fileName + "\" failed: " +
                             std::strerror(writeErrno ? writeErrno : EIO) + ".";
        }
    }
    {
        std::lock_guard<std::mutex> lock(g_sessionMutex);
        if (g_activeHandle == m_handle)
            g_activeHandle = nullptr;
    }
    if (m_handle) {
        pcap_close(m_handle);
        m_handle = nullptr;
    }
}

} // namespace

CaptureResult runCapture(const CaptureRequest& request)
{
    bool idle = false;
    if (!g_running.compare_exchange_strong(idle, true)) {
        CaptureResult busy;
        busy.status = TRAWLER_CAPTURE_BUSY;
        busy.error = "A capture is already running; stop it before starting another.";
        return busy;
    }
    {
        std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_stopRequested.store(false);
        g_sessionActive = true;
    }
    CaptureResult result;
    try {
        Session session(request);
        result = session.run();
    } catch (const std::exception& e) {
        result.status = TRAWLER_CAPTURE_READ_FAILED;
        result.error = std::string("The capture failed: ") + e.what();
    }
    {
        std::lock_guard<std::mutex> lock(g_sessionMutex);
        g_sessionActive = false;
    }
    g_running.store(false);
    return result;
}

void requestStop()
{
    std::lock_guard<std::mutex> lock(g_sessionMutex);
    if (!g_sessionActive)
        return;
    g_stopRequested.store(true);
    if (g_activeHandle)
        pcap_breakloop(g_activeHandle);
}

bool isCaptureRunning()
{
    return g_running.load();
}

} // namespace trawler::capture
