#include "CaptureInterface.h"

#include <pcap/pcap.h>

#include <cstdlib>

namespace trawler::capture {

std::string chooseDefaultInterface(const std::vector<InterfaceInfo>& interfaces)
{
    for (const InterfaceInfo& candidate : interfaces) {
        if (candidate.up && !candidate.loopback && candidate.name != "any")
            return candidate.name;
    }
    return {};
}

bool listInterfaces(std::vector<InterfaceInfo>& interfaces, std::string& error)
{
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* all = nullptr;
    if (pcap_findalldevs(&all, errbuf) != 0) {
        error = errbuf;
        return false;
    }
    for (const pcap_if_t* dev = all; dev != nullptr; dev = dev->next) {
        InterfaceInfo info;
        info.name = dev->name ? dev->name : "";
        info.up = (dev->flags & PCAP_IF_UP) != 0;
        info.loopback = (dev->flags & PCAP_IF_LOOPBACK) != 0;
        interfaces.push_back(std::move(info));
    }
    pcap_freealldevs(all);
    return true;
}

std::string resolveInterface(const std::string& requested, std::string& error)
{
    if (!requested.empty())
        return requested;
    if (const char* fromEnvironment = std::getenv("TRAWLER_CAPTURE_INTERFACE"); fromEnvironment && *fromEnvironment)
        return fromEnvironment;

    std::vector<InterfaceInfo> interfaces;
    std::string listError;
    if (!listInterfaces(interfaces, listError)) {
        error = "Cannot list the network interfaces: " + listError;
        return {};
    }
    std::string chosen = chooseDefaultInterface(interfaces);
    if (chosen.empty())
        error = "No network interface is up for capture (loopback interfaces are not used).";
    return chosen;
}

} // namespace trawler::capture
