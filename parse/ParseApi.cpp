// The exports of libParse.so: C entry points over the run, with no C++
// exception crossing the boundary.
#include "parse/ParseApi.h"

#include "ParseRun.h"

#include <cstdio>
#include <cstring>
#include <string>

#define TRAWLER_PARSE_EXPORT __attribute__((visibility("default")))

namespace {

// Hands the run's reports to a host's C callbacks.
class CallbackListener : public trawler::parse::RunListener {
public:
    CallbackListener(TrawlerParseMessageFn onMessage, TrawlerParseProgressFn onProgress,
                     TrawlerParseNoticeFn onNotice, void* context)
        : m_onMessage(onMessage), m_onProgress(onProgress), m_onNotice(onNotice), m_context(context)
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

    void notice(std::string_view text) override
    {
        const std::string t(text);
        if (m_onNotice)
            m_onNotice(m_context, t.c_str());
        else if (!t.empty() && !m_onMessage)
            std::fprintf(stderr, "%s\n", t.c_str());
    }

private:
    TrawlerParseMessageFn m_onMessage;
    TrawlerParseProgressFn m_onProgress;
    TrawlerParseNoticeFn m_onNotice;
    void* m_context;
};

} // namespace

extern "C" {

TRAWLER_PARSE_EXPORT int TrawlerParseRunWith(const char* captureFile, const char* databaseFile,
                                             const TrawlerParseOptions* options)
{
    // Fields past the host's `size` are zero: a host built against an older
    // header passes a shorter struct.
    TrawlerParseOptions o;
    std::memset(&o, 0, sizeof o);
    if (options) {
        std::size_t size = options->size;
        if (size > sizeof o)
            size = sizeof o;
        std::memcpy(&o, options, size);
    }
    try {
        // Copied at once: the caller's texts need not outlive the call's start.
        const std::string capture = captureFile ? captureFile : "";
        const std::string database = databaseFile ? databaseFile : "";
        CallbackListener listener(o.onMessage, o.onProgress, o.onNotice, o.context);
        trawler::parse::RunOptions runOptions;
        runOptions.cancel = o.cancel ? &o.cancel->requested : nullptr;
        if (o.maxFrames > 0 && o.maxFrames < runOptions.maxFrames)
            runOptions.maxFrames = o.maxFrames;
        return trawler::parse::runParse(capture, database, listener, runOptions).outcome;
    } catch (...) {
        // Only copying the arguments can get here (out of memory).
        if (o.onMessage)
            o.onMessage(o.context, "Wrong", "Parse failed: out of memory.");
        else
            std::fputs("Wrong: Parse failed: out of memory.\n", stderr);
        return TRAWLER_PARSE_BAD_ARGUMENT;
    }
}

TRAWLER_PARSE_EXPORT int TrawlerParseRun(const char* captureFile, const char* databaseFile,
                                         TrawlerParseMessageFn onMessage, TrawlerParseProgressFn onProgress,
                                         void* context)
{
    TrawlerParseOptions options;
    std::memset(&options, 0, sizeof options);
    options.size = sizeof options;
    options.onMessage = onMessage;
    options.onProgress = onProgress;
    options.context = context;
    return TrawlerParseRunWith(captureFile, databaseFile, &options);
}

TRAWLER_PARSE_EXPORT void TrawlerParseCancel(TrawlerParseCancelFlag* flag)
{
    if (flag)
        trawler::parse::requestCancel(&flag->requested);
}

TRAWLER_PARSE_EXPORT void Parse(const char* captureFile, const char* databaseFile)
{
    TrawlerParseRun(captureFile, databaseFile, nullptr, nullptr, nullptr);
}

} // extern "C"
