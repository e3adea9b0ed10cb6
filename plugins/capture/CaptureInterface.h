#pragma once
// Which interface a capture opens.
#include <string>
#include <vector>

namespace trawler::capture {

struct InterfaceInfo {
    std::string name;
    bool up = false;
    bool loopback = false;
};

// The first interface that is up and not a loopback interface; libpcap's
// "any" pseudo-interface is not an interface of the LAN and is passed over.
// Empty when there is none.
std::string chooseDefaultInterface(const std::vector<InterfaceInfo>& interfaces);

// The interfaces libpcap lists, in its order. False with `error` set when
// libpcap cannot list them.
bool listInterfaces(std::vector<InterfaceInfo>& interfaces, std::string& error);

// The interface to capture on: `requested` when not empty, else the one the
// environment variable TRAWLER_CAPTURE_INTERFACE names, else the default.
// Empty, with `error` set, when there is none.
std::string resolveInterface(const std::string& requested, std::string& error);

} // namespace trawler::capture
