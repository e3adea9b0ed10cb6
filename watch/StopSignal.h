#pragma once

namespace trawler::watch {

// A stop request that a waiting poll() can see: another thread, or a signal
// handler (write to an eventfd is async-signal-safe), calls request().
class StopSignal {
public:
    StopSignal();
    ~StopSignal();
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    void request() const;
    bool requested() const;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace trawler::watch
