#include "WatchLoop.h"

#include "plugins/capture/CaptureApi.h"

#include <cstdio>
#include <filesystem>
#include <thread>

namespace trawler::watch {

namespace fs = std::filesystem;

std::string defaultCaptureFolder(const std::string& databaseFile)
{
    return databaseFile + "-captures";
}

WatchLoop::WatchLoop(WatchSettings settings, Pipeline& pipeline, parse::RunListener& listener,
                     FolderIngest::FileDone done)
    : m_settings(std::move(settings)), m_pipeline(pipeline), m_listener(listener), m_done(std::move(done))
{
}

void WatchLoop::stop()
{
    m_stop = 1;
    TrawlerCaptureStop();
}

void WatchLoop::onFileClosed(void* context, const char* path, std::uint64_t)
{
    auto* self = static_cast<WatchLoop*>(context);
    {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_closed.emplace_back(path);
    }
    self->m_ready.notify_one();
}

WatchOutcome WatchLoop::run()
{
    std::error_code ec;
    fs::create_directories(m_settings.directory, ec);

    TrawlerCaptureSettings capture{};
    capture.size = sizeof capture;
    capture.interfaceName = m_settings.interfaceName.c_str();
    capture.filter = m_settings.filter.c_str();
    capture.directory = m_settings.directory.c_str();
    capture.maxSeconds = m_settings.maxSeconds;
    capture.rotateSeconds = m_settings.rotateSeconds;
    capture.rotateBytes = m_settings.rotateBytes;
    capture.onFileClosed = &WatchLoop::onFileClosed;
    capture.context = this;
    capture.stopFlag = &m_stop;

    TrawlerCaptureTotals totals{};
    totals.size = sizeof totals;
    int status = 0;
    std::thread capturing([&] {
        status = TrawlerCaptureRunEx(&capture, &totals);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_captureEnded = true;
        }
        m_ready.notify_one();
    });

    WatchOutcome outcome;
    for (;;) {
        std::string file;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_ready.wait(lock, [this] { return m_captureEnded || !m_closed.empty(); });
            if (m_closed.empty())
                break;
            file = std::move(m_closed.front());
            m_closed.pop_front();
        }
        const TakeInResult result = m_pipeline.takeIn(file, m_listener);
        if (result.takenIn() || result.run.outcome == TRAWLER_PARSE_ALREADY_STORED)
            m_takenIn.insert(file);
        if (m_done)
            m_done(file, result);
        trimFolder(outcome);
    }
    capturing.join();

    outcome.captureStatus = status;
    outcome.error = totals.error;
    outcome.packets = totals.packets;
    outcome.files = totals.files;
    outcome.kernelReceived = totals.kernelReceived;
    outcome.kernelDropped = totals.kernelDropped;
    outcome.interfaceDropped = totals.interfaceDropped;
    return outcome;
}

void WatchLoop::trimFolder(WatchOutcome& outcome)
{
    if (m_settings.maxDiskBytes > 0)
        outcome.deletedFiles += trimCaptureFolder(m_settings.directory, m_settings.maxDiskBytes, m_takenIn);
}

std::size_t trimCaptureFolder(const std::string& folder, std::uint64_t maxBytes, std::set<std::string>& takenIn)
{
    const auto files = captureFilesOldestFirst(folder);
    std::uint64_t total = 0;
    for (const auto& f : files) {
        std::error_code ec;
        const auto size = fs::file_size(f, ec);
        total += ec ? 0 : size;
    }
    // Oldest first, and only files already taken in: their rows stay.
    std::size_t deleted = 0;
    for (const auto& f : files) {
        if (total <= maxBytes)
            break;
        if (!takenIn.count(f))
            continue;
        std::error_code ec;
        const auto size = fs::file_size(f, ec);
        if (!ec && fs::remove(f, ec)) {
            total -= size;
            takenIn.erase(f);
            ++deleted;
        }
    }
    return deleted;
}

} // namespace trawler::watch
