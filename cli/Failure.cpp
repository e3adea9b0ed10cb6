#include "Failure.h"

#include "reports/TextEscape.h"

#include <cstring>
#include <iostream>

namespace trawler::cli {

void reportFailure(const std::string& what, const std::string& why)
{
    // Whatever standard output holds goes first, so the two streams read in order on one terminal.
    std::cout.flush();
    std::cerr << "trawler-cli: " << reports::displayText(what) << ": " << reports::displayText(why) << '\n';
    std::cerr.flush();
}

std::string systemErrorText(int error)
{
    if (error == 0)
        return "write error";
    return std::strerror(error);
}

} // namespace trawler::cli
