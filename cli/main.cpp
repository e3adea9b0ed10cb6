// trawler-cli: the command-line front end to the capture database, the
// parser, the reports and live capture.
#include "Commands.h"
#include "Failure.h"

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <iostream>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    // Numbers are written with "." in every locale: "59.9%", never "59,9%".
    std::setlocale(LC_NUMERIC, "C");
    // A reader that went away is a write error (EPIPE) to report, not a silent death by signal.
    std::signal(SIGPIPE, SIG_IGN);
    CLI::App app{"Trawler: watch a LAN for ICMP scanning, changed IP-MAC bindings, heavy traffic and "
                 "file-sharing access.",
                 "trawler-cli"};
    app.require_subcommand(1);
    app.set_help_all_flag("--help-all", "Show the help of every subcommand");

    int status = 0;
    trawler::cli::registerDbCommands(app, status);
    trawler::cli::registerParseCommand(app, status);
    trawler::cli::registerReportCommands(app, status);
    trawler::cli::registerIpMacCommands(app, status);
    trawler::cli::registerCaptureCommand(app, status);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        status = app.exit(e);   // --help: printed, and checked below like any output
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    // Output a command left in the buffers is written now: a full disk or a
    // closed pipe found here is still the command's failure.
    errno = 0;
    std::cout.flush();
    if ((std::fflush(stdout) != 0 || !std::cout || std::ferror(stdout)) && status == 0) {
        trawler::cli::reportFailure("standard output", trawler::cli::systemErrorText(errno));
        return 1;
    }
    return status;
}
