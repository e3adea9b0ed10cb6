// libFuzzer entry: any byte sequence is a frame. The first two input bytes
// pick a wire length relative to the captured length, so frames that were cut
// short by the snapshot length are covered as well as whole ones.
#include "parse/FrameDecoder.h"
#include "parse/IcmpNames.h"
#include "parse/RunCounters.h"
#include "text/AddressText.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    const std::size_t extra = static_cast<std::size_t>(data[0] << 8 | data[1]);
    // An exact-size copy, so the sanitizer sees any read past the capture.
    const std::vector<std::uint8_t> frame(data + 2, data + size);
    const std::size_t wire = frame.size() + extra;

    using namespace trawler::parse;
    using namespace trawler::text;
    const DecodedFrame d = decodeFrame(frame.data(), frame.size(), wire);
    RunCounters counters;
    counters.total = 1;
    counters.count(d);
    if (counters.corrupted + counters.ethOther + counters.arp + counters.ip != 1
        && !(d.transport == Transport::Truncated && counters.ip == 1 && counters.corrupted == 1))
        std::abort();

    char ip[kIpv4TextSize];
    char mac[kMacTextSize];
    if (formatIpv4(d.sourceIp, ip) > 15 || formatIpv4(d.targetIp, ip) > 15 || formatMac(d.senderMac, mac) != 17)
        std::abort();
    const IcmpName name = icmpName(d.icmpType, d.icmpCode);
    if (name.type.empty() || name.type.size() > 49 || name.code.size() > 49)
        std::abort();
    return 0;
}
