#include "CaptureSession.h"

#include "CaptureFile.h"
#include "CaptureInterface.h"
#include "CaptureWriter.h"

#include <pcap/pcap.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace trawler::capture {

namespace {

// A stop may come from a signal handler: only lock-free atomics and write(2)
// on a pipe that lives as long as the process.
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the stop request must be safe in a signal handler");
std::atomic<bool> g_running{false};
std::atomic<bool> g_sessionActive{false}; // a stop request counts only while this is set
std::atomic<bool> g_stopRequested{false};
std::atomic<int> g_wakeWrite{-1};
int g_wakeRead = -1;
std::once_flag g_wakeOnce;

void ensureWakePipe()
{
    std::call_once(g_wakeOnce, [] {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
            g_wakeRead = fds[0];
            g_wakeWrite.store(fds[1]);
        }
    });
}

void emptyWakePipe()
{
    char bytes[64];
    while (g_wakeRead >= 0 && ::read(g_wakeRead, bytes, sizeof bytes) > 0) {
    }
}

// The loop wakes at least this often to look at the stop flag and the
// limits; the file is flushed and checked this often.
constexpr int kPollMilliseconds = 100;
constexpr auto kFlushInterval = std::chrono::milliseconds(500);
constexpr int kSnapLength = 65535;
// The kernel hands packets over in blocks of its ring, a block once it is
// full or this old. Packets are packed into the blocks by their captured
// length, so a 64 MB ring holds a burst of some 500,000 small frames. (With
// immediate delivery instead, every packet takes a slot of the snapshot
// length, and a ring holds a few hundred frames on a loopback interface: a
// flood overflows it whenever the loop is held up for a few milliseconds.)
constexpr int kBlockMilliseconds = 100;
constexpr int kRingBytes = 64 * 1024 * 1024;
// After a stop the block the kernel is still filling is handed over within
// kBlockMilliseconds; the capture reads for that long and a little more,
// so every packet that arrived before the stop reaches the file.
constexpr auto kDrainTime = std::chrono::milliseconds(kBlockMilliseconds + 50);

using Clock = std::chrono::steady_clock;

class Session {
public:
    explicit Session(const CaptureRequest& request) : m_request(request) {}
    ~Session()
    {
        if (m_handle)
            pcap_close(m_handle);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CaptureResult run();

private:
    bool openInterface();
    bool requireEthernet();
    bool applyFilter();
    bool openFile(int failureStatus);
    bool closeFile();
    bool rotate() { return closeFile() && openFile(TRAWLER_CAPTURE_WRITE_FAILED); }
    void loop();
    void waitForPackets(int milliseconds);
    int dispatch();
    void drain();
    void finish();
    bool stopRequested() const
    {
        return g_stopRequested.load() || (m_request.stopFlag && *m_request.stopFlag != 0);
    }
    // The first failure is the one reported.
    bool fail(int status, std::string error)
    {
        if (m_result.error.empty()) {
            m_result.status = status;
            m_result.error = std::move(error);
        }
        return false;
    }
    static void onPacket(u_char* user, const pcap_pkthdr* header, const u_char* bytes);

    const CaptureRequest& m_request;
    CaptureResult m_result;
    std::string m_interface;
    pcap_t* m_handle = nullptr;
    CaptureWriter m_writer;
    Clock::time_point m_fileOpened;
    std::uint64_t m_written = 0; // records written in all files, for the packet limit
    bool m_writingStopped = false;
};

CaptureResult Session::run()
{
    // Cheap checks first: nothing is opened or created for a request that
    // cannot succeed.
    if (std::string why = checkSaveDirectory(m_request.directory); !why.empty()) {
        fail(TRAWLER_CAPTURE_BAD_DIRECTORY, why);
        return m_result;
    }
    if (stopRequested())
        return m_result;
    std::string error;
    m_interface = resolveInterface(m_request.interfaceName, error);
    if (m_interface.empty()) {
        fail(TRAWLER_CAPTURE_NO_INTERFACE, error);
        return m_result;
    }
    if (!openInterface() || !requireEthernet() || !applyFilter())
        return m_result;
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    if (pcap_setnonblock(m_handle, 1, errbuf) != 0) {
        fail(TRAWLER_CAPTURE_OPEN_FAILED, "Cannot capture on \"" + m_interface + "\": " + errbuf);
        return m_result;
    }
    if (!openFile(TRAWLER_CAPTURE_BAD_DIRECTORY))
        return m_result;

    if (m_request.onStarted) {
        try {
            m_request.onStarted(m_interface, m_writer.path());
        } catch (...) {
            // A failing observer does not end the capture.
        }
    }
    loop();
    finish();
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
    pcap_set_timeout(m_handle, kBlockMilliseconds);
    pcap_set_buffer_size(m_handle, kRingBytes);

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

bool Session::openFile(int failureStatus)
{
    CreatedFile created;
    std::string error;
    if (!createCaptureFile(m_request.directory, std::time(nullptr), created, error))
        return fail(failureStatus, error);
    // The file header goes out at once: from now on the file is valid.
    if (!m_writer.open(created.fd, created.path, DLT_EN10MB, kSnapLength)) {
        ::unlink(created.path.c_str());
        return fail(failureStatus, m_writer.error());
    }
    m_fileOpened = Clock::now();
    return true;
}

bool Session::closeFile()
{
    const bool closed = m_writer.close();
    if (!m_writer.removed()) {
        const std::uint64_t packets = m_writer.packets();
        m_result.packets += packets;
        ++m_result.files;
        m_result.fileName = m_writer.path();
        if (m_request.onFileClosed) {
            try {
                m_request.onFileClosed(m_writer.path(), packets);
            } catch (...) {
                // A failing observer does not end the capture.
            }
        }
        if (!closed) {
            return fail(TRAWLER_CAPTURE_WRITE_FAILED,
                        m_writer.error() + " The file keeps its first " + std::to_string(packets) +
                            (packets == 1 ? " packet." : " packets."));
        }
    }
    if (!closed)
        return fail(TRAWLER_CAPTURE_WRITE_FAILED, m_writer.error());
    return true;
}

void Session::onPacket(u_char* user, const pcap_pkthdr* header, const u_char* bytes)
{
    auto* self = reinterpret_cast<Session*>(user);
    if (self->m_writingStopped)
        return;
    const std::uint64_t limit = self->m_request.rotateBytes;
    if (limit > 0 && self->m_writer.packets() > 0 &&
        self->m_writer.bytes() + CaptureWriter::kRecordHeaderBytes + header->caplen > limit && !self->rotate()) {
        self->m_writingStopped = true;
        pcap_breakloop(self->m_handle);
        return;
    }
    if (!self->m_writer.write(*header, bytes)) {
        self->m_writingStopped = true;
        pcap_breakloop(self->m_handle);
        return;
    }
    ++self->m_written;
}

void Session::waitForPackets(int milliseconds)
{
    const int fd = pcap_get_selectable_fd(m_handle);
    pollfd waitFor[2] = {{fd, POLLIN, 0}, {g_wakeRead, POLLIN, 0}};
    if (fd >= 0 || g_wakeRead >= 0)
        ::poll(waitFor, 2, milliseconds); // negative descriptors are ignored
    else
        ::usleep(milliseconds * 1000);
    if (waitFor[1].revents & POLLIN)
        emptyWakePipe();
}

// Reads what the kernel holds (without waiting). The packet count, or -1
// when the capture must end (reading or writing failed).
int Session::dispatch()
{
    int budget = -1;
    if (m_request.maxPackets > 0) {
        const std::uint64_t left = m_request.maxPackets - m_written;
        if (left == 0)
            return 0;
        budget = left > 1000000 ? 1000000 : static_cast<int>(left);
    }
    const int n = pcap_dispatch(m_handle, budget, &Session::onPacket, reinterpret_cast<u_char*>(this));
    if (m_writingStopped) {
        // The writer or the rotation failed; its text comes from closeFile.
        return -1;
    }
    if (n == PCAP_ERROR) {
        fail(TRAWLER_CAPTURE_READ_FAILED, "Reading packets from \"" + m_interface + "\" failed: " + pcap_geterr(m_handle));
        return -1;
    }
    return n < 0 ? 0 : n;
}

// What reached the kernel before a stop was seen belongs to the capture:
// read until the block the kernel was filling at the stop has been handed
// over, without waiting for anything that comes later.
void Session::drain()
{
    const Clock::time_point until = Clock::now() + kDrainTime;
    for (Clock::time_point now = Clock::now(); now < until; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        waitForPackets(static_cast<int>(left) + 1);
        if (dispatch() < 0)
            return;
    }
    dispatch();
}

void Session::loop()
{
    const Clock::time_point started = Clock::now();
    Clock::time_point lastFlush = started;

    while (true) {
        waitForPackets(kPollMilliseconds);
        if (stopRequested()) {
            drain();
            m_result.status = TRAWLER_CAPTURE_STOPPED;
            return;
        }
        if (dispatch() < 0)
            return;

        const Clock::time_point now = Clock::now();
        if (now - lastFlush >= kFlushInterval) {
            if (!m_writer.flush())
                return; // closeFile reports it
            lastFlush = now;
        }
        if (m_request.maxPackets > 0 && m_written >= m_request.maxPackets) {
            m_result.status = TRAWLER_CAPTURE_LIMIT_REACHED;
            return;
        }
        if (m_request.maxSeconds > 0 && now - started >= std::chrono::seconds(m_request.maxSeconds)) {
            drain();
            m_result.status = TRAWLER_CAPTURE_LIMIT_REACHED;
            return;
        }
        if (m_request.rotateSeconds > 0 && now - m_fileOpened >= std::chrono::seconds(m_request.rotateSeconds)) {
            if (!rotate())
                return;
            lastFlush = now;
        }
    }
}

void Session::finish()
{
    pcap_stat stats{};
    if (pcap_stats(m_handle, &stats) == 0) {
        m_result.kernelReceived = stats.ps_recv;
        m_result.kernelDropped = stats.ps_drop;
        m_result.interfaceDropped = stats.ps_ifdrop;
    }
    if (m_writer.isOpen())
        closeFile();
    if (m_result.error.empty() && m_writingStopped)
        fail(TRAWLER_CAPTURE_WRITE_FAILED, "Writing the capture file failed.");
}

} // namespace

CaptureResult runCapture(const CaptureRequest& request)
{
    ensureWakePipe();
    bool idle = false;
    if (!g_running.compare_exchange_strong(idle, true)) {
        CaptureResult busy;
        busy.status = TRAWLER_CAPTURE_BUSY;
        busy.error = "A capture is already running; stop it before starting another.";
        return busy;
    }
    g_stopRequested.store(false);
    emptyWakePipe();
    g_sessionActive.store(true);
    CaptureResult result;
    try {
        Session session(request);
        result = session.run();
    } catch (const std::exception& e) {
        result.status = TRAWLER_CAPTURE_READ_FAILED;
        result.error = std::string("The capture failed: ") + e.what();
    }
    g_sessionActive.store(false);
    g_running.store(false);
    return result;
}

void requestStop()
{
    if (!g_sessionActive.load())
        return;
    g_stopRequested.store(true);
    const int fd = g_wakeWrite.load();
    if (fd >= 0) {
        const int savedErrno = errno; // a signal handler must leave errno as it found it
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
        errno = savedErrno;
    }
}

bool isCaptureRunning()
{
    return g_running.load();
}

} // namespace trawler::capture
