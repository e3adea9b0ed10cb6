// trawler-cli: the command-line front end to the capture database, the
// parser, the reports and live capture.
#include "Commands.h"

#include <clocale>
#include <iostream>

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
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
    trawler::cli::registerReindexCommand(app, status);
    trawler::cli::registerWatchCommands(app, status);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    }
    return status;
}
