// parse: a capture file becomes rows of a database file.
#include "Commands.h"

#include "parse/ParseRun.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace trawler::cli {

namespace {

// Set by Ctrl-C while a run lasts; the run reads it between frames.
int g_cancel = 0;

void onInterrupt(int)
{
    parse::requestCancel(&g_cancel);
}

// One line on standard error for a command that failed. (To be folded into
// the command line's common failure report.)
void reportParseFailure(const std::string& what, std::string_view why)
{
    std::string line(why);
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::cerr << "trawler-cli: " << what << ": " << line << '\n';
}

// Prints the run's message; on a terminal, a progress bar on standard error.
class ConsoleListener : public parse::RunListener {
public:
    ConsoleListener(bool showProgress, std::string what)
        : m_showProgress(showProgress), m_what(std::move(what)), m_start(std::chrono::steady_clock::now())
    {
    }

    void message(std::string_view caption, std::string_view text) override
    {
        clearBar();
        // Success goes to standard output, refusals and failures to standard error.
        if (caption == "Finish") {
            std::cout << text << '\n';
            std::cout.flush();
        } else {
            reportParseFailure(m_what, text);
        }
    }

    void notice(std::string_view text) override
    {
        if (text.empty())
            return;
        clearBar();
        std::cerr << text << '\n';
        std::cerr.flush();
    }

    void progress(std::uint64_t bytesRead, std::uint64_t fileSize, std::uint64_t framesRead) override
    {
        if (!m_showProgress)
            return;
        const auto now = std::chrono::steady_clock::now();
        const bool last = fileSize > 0 && bytesRead >= fileSize;
        if (!last && m_drawn && now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        m_drawn = true;

        const double seconds = std::chrono::duration<double>(now - m_start).count();
        const int percent = fileSize ? static_cast<int>(bytesRead * 100 / fileSize) : 0;
        const int filled = percent * kBarWidth / 100;
        char bar[kBarWidth + 1];
        for (int i = 0; i < kBarWidth; ++i)
            bar[i] = i < filled ? '#' : '.';
        bar[kBarWidth] = '\0';
        const double rate = seconds > 0 ? static_cast<double>(framesRead) / seconds : 0.0;
        std::fprintf(stderr, "\r[%s] %3d%%  %llu frames  %.0f frames/s ", bar, percent,
                     static_cast<unsigned long long>(framesRead), rate);
        std::fflush(stderr);
    }

private:
    static constexpr int kBarWidth = 30;

    void clearBar()
    {
        if (m_drawn) {
            std::fputs("\r\033[K", stderr);
            std::fflush(stderr);
            m_drawn = false;
        }
    }

    bool m_showProgress;
    std::string m_what;
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

int runParseCommand(const std::string& capture, const std::string& database)
{
    ConsoleListener listener(::isatty(STDERR_FILENO) == 1, capture);
    // Ctrl-C cancels the run, which then rolls back; a second one ends the
    // program at once (the handler resets itself).
    struct sigaction cancel {};
    struct sigaction previous {};
    cancel.sa_handler = onInterrupt;
    cancel.sa_flags = SA_RESETHAND;
    sigemptyset(&cancel.sa_mask);
    __atomic_store_n(&g_cancel, 0, __ATOMIC_RELAXED);
    ::sigaction(SIGINT, &cancel, &previous);
    parse::RunOptions options;
    options.cancel = &g_cancel;
    const parse::RunResult result = parse::runParse(capture, database, listener, options);
    ::sigaction(SIGINT, &previous, nullptr);
    // A file that ends in a reading error had its frames stored, but the
    // command did not take in the whole file: that is not a success.
    return result.outcome == TRAWLER_PARSE_COMPLETE ? 0 : 1;
}

} // namespace

void registerParseCommand(CLI::App& app, int& status)
{
    auto capture = std::make_shared<std::string>();
    auto database = std::make_shared<std::string>();
    CLI::App* parse = app.add_subcommand(
        "parse", "Decode a capture file (libpcap or pcapng, Ethernet) into a database file's tables");
    parse->add_option("CAPTURE", *capture,
                      "Capture file (a regular file; \"-\" is a file name); its absolute path is recorded")
        ->required();
    parse->add_option("DB", *database, "Database file with its tables already created")->required();
    parse->callback([capture, database, &status] { status = runParseCommand(*capture, *database); });
}

} // namespace trawler::cli
