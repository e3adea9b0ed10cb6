// The exports of libParse.so: C entry points over the run, with no C++
// exception crossing the boundary.
#include "parse/ParseApi.h"

#include "ParseRun.h"

#include <cstdio>
#include <string>

#define TRAWLER_PARSE_EXPORT __attribute__((visibility("default")))

namespace {

// Hands the run's reports to a host's C callbacks.
class CallbackListener : public trawler::parse::RunListener {
public:
    CallbackListener(TrawlerParseMessageFn onMessage, TrawlerParseProgressFn onProgress, void* context)
        : m_onMessage(onMessage), m_onProgress(onProgress), m_context(context)
    {
    }

    void message(std::string_view caption, std::string_view text) override
    {
        const std::string c(caption);
        const std::string t(text);
        if (m_onMessage)
            m_onMessage(m_context, c.c_str(), t.c_str());
        else
            std::fprintf(stderr, "%s: %s\n", c.c_str(), t.c_str());
    }

    void progress(std::uint64_t bytesRead, std::uint64_t fileSize, std::uint64_t framesRead) override
    {
        if (m_onProgress)
            m_onProgress(m_context, bytesRead, fileSize, framesRead);
    }

private:
    TrawlerParseMessageFn m_onMessage;
    TrawlerParseProgressFn m_onProgress;
    void* m_context;
};

} // namespace

extern "C" {

TRAWLER_PARSE_EXPORT int TrawlerParseRun(const char* captureFile, const char* databaseFile,
                                         TrawlerParseMessageFn onMessage, TrawlerParseProgressFn onProgress,
                                         void* context)
{
    try {
        // Copied at once: the caller's texts need not outlive the call's start.
        const std::string capture = captureFile ? captureFile : "";
        const std::string database = databaseFile ? databaseFile : "";
        CallbackListener listener(onMessage, onProgress, context);
        return trawler::parse::runParse(capture, database, listener).outcome;
    } catch (...) {
        // Only copying the arguments can get here (out of memory).
        if (onMessage)
            onMessage(context, "Wrong", "Parse failed: out of memory.");
        else
            std::fputs("Wrong: Parse failed: out of memory.\n", stderr);
        return TRAWLER_PARSE_BAD_ARGUMENT;
    }
}

TRAWLER_PARSE_EXPORT void Parse(const char* captureFile, const char* databaseFile)
{
    TrawlerParseRun(captureFile, databaseFile, nullptr, nullptr, nullptr);
}

} // extern "C"
