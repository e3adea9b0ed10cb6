#pragma once
#include <string_view>

// The texts a parse run tells the operator. Hosts and the command line show
// them as they are, so they are part of what the library promises.
namespace trawler::parse::messages {

inline constexpr std::string_view kWrong = "Wrong";
inline constexpr std::string_view kFinish = "Finish";
inline constexpr std::string_view kAlreadyStored = "The selected file has been decoded and stored.";
// Followed on a second line by the reason (the system's or libpcap's).
inline constexpr std::string_view kOpenFailed = "Error opening dump file.";
inline constexpr std::string_view kNotEthernet = "Not Ethernet.";
inline constexpr std::string_view kComplete = "File parsing complete.";
inline constexpr std::string_view kStillBeingWritten =
    "The capture file is still being written; parse it after the capture stops.";
inline constexpr std::string_view kCancelled = "Parsing cancelled.";

} // namespace trawler::parse::messages
