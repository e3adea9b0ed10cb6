// parse: a capture file becomes rows of a database file.
#include "Commands.h"

#include "parse/ParseRun.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>

namespace trawler::cli {

namespace {

// Prints the run's message; on a terminal, a progress bar on standard error.
class ConsoleListener : public parse::RunListener {
public:
    explicit ConsoleListener(bool showProgress)
        : m_showProgress(showProgress), m_start(std::chrono::steady_clock::now())
    {
    }

    void message(std::string_view caption, std::string_view text) override
    {
        clearBar();
        // Success goes to standard output, refusals and failures to standard error.
        std::ostream& out = caption == "Finish" ? std::cout : std::cerr;
        out << text << '\n';
        out.flush();
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
    bool m_drawn = false;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastDraw;
};

int runParseCommand(const std::string& capture, const std::string& database)
{
    ConsoleListener listener(::isatty(STDERR_FILENO) == 1);
    const parse::RunResult result = parse::runParse(capture, database, listener);
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
    parse->add_option("CAPTURE", *capture, "Capture file; its path is recorded as given")->required();
    parse->add_option("DB", *database, "Database file with its tables already created")->required();
    parse->callback([capture, database, &status] { status = runParseCommand(*capture, *database); });
}

} // namespace trawler::cli
