#pragma once
#include <CLI/CLI.hpp>

namespace trawler::cli {

// Each family of subcommands registers itself on the application. A command
// stores its exit status in `status`: 0 success, 1 the operation failed (its
// message is on standard error). Usage errors (2) are CLI11's.
void registerDbCommands(CLI::App& app, int& status);
void registerParseCommand(CLI::App& app, int& status);
void registerReportCommands(CLI::App& app, int& status);
void registerIpMacCommands(CLI::App& app, int& status);
void registerCaptureCommand(CLI::App& app, int& status);
void registerReindexCommand(CLI::App& app, int& status);
void registerWatchCommands(CLI::App& app, int& status);
// `report alerts DB`: the stored alerts, newest first.
struct OutputOptions;
int runAlertReport(const std::string& path, const OutputOptions& options, std::size_t limit);

} // namespace trawler::cli
