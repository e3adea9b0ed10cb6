#include "SummarySums.h"

#include <algorithm>

namespace trawler::db {

namespace {

// Largest tables of destinations (about 100 bytes a slot) and of address
// pairs; written out when three quarters full.
constexpr std::size_t kMaxAddressSlots = std::size_t(1) << 18;

// The NetBIOS (RFC 1001/1002) and SMB-over-TCP ports the LAN report watches.
bool isSharingPort(std::uint16_t port)
{
    return port == 137 || port == 138 || port == 139 || port == 445;
}

} // namespace

std::size_t SummarySums::MixHash::operator()(std::uint64_t k) const
{
    return static_cast<std::size_t>(mixBits(k));
}

std::size_t SummarySums::PairHash::operator()(const PairKey& k) const
{
    return static_cast<std::size_t>(mixBits(k.addresses ^ mixBits(k.portsLayer)));
}

void SummarySums::TimeText::set(std::string_view t)
{
    size = static_cast<std::uint8_t>(std::min(t.size(), text.size()));
    std::copy_n(t.data(), size, text.data());
}

SummarySums::SummarySums(std::size_t maxPairSlots)
    : m_dest(kMaxAddressSlots), m_pair(maxPairSlots), m_lan(kMaxAddressSlots)
{
}

void SummarySums::add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
                      std::uint16_t destPort, std::uint32_t totalLength, std::string_view time)
{
    DestSums& d = m_dest.at(dest);
    d.bytes += totalLength;
    if (!time.empty()) {
        // Time texts are fixed-width, so text order is time order.
        if (!d.timed) {
            d.first.set(time);
            d.last.set(time);
            d.timed = true;
        } else if (time < d.first.view()) {
            d.first.set(time);
        } else if (time > d.last.view()) {
            d.last.set(time);
        }
    }
    if (layer != Layer::Other) {
        const PairKey key{std::uint64_t(source) << 32 | dest,
                          std::uint64_t(sourcePort) << 24 | std::uint64_t(destPort) << 8 | std::uint64_t(layer)};
        m_pair.at(key) += totalLength;
        if (isSharingPort(sourcePort) || isSharingPort(destPort))
            ++m_lan.at(std::uint64_t(source) << 32 | dest);
    }
}

void SummarySums::clear()
{
    m_dest.clear();
    m_pair.clear();
    m_lan.clear();
}

} // namespace trawler::db
