#include "Commands.h"

namespace trawler::cli {

void registerReportCommands(CLI::App&, int&) {}

} // namespace trawler::cli
