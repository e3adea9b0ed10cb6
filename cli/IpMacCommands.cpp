#include "Commands.h"

namespace trawler::cli {

void registerIpMacCommands(CLI::App&, int&) {}

} // namespace trawler::cli
