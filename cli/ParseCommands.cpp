#include "Commands.h"

namespace trawler::cli {

void registerParseCommand(CLI::App&, int&) {}

} // namespace trawler::cli
