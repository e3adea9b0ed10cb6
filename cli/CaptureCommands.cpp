#include "Commands.h"

namespace trawler::cli {

void registerCaptureCommand(CLI::App&, int&) {}

} // namespace trawler::cli
