#include "PairGroups.h"

#include "SummaryTable.h"

#include "text/AddressText.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>

namespace trawler::db {

namespace {

bool packedAddress(const FieldView& f, std::uint32_t& out)
{
    if (f.kind != FieldView::Kind::Text)
        return false;
    const std::optional<std::uint32_t> address = text::parseIpv4(f.text);
    if (!address)
        return false;
    out = *address;
    return true;
}

bool packedPort(const FieldView& f, std::uint16_t& out)
{
    if (f.kind != FieldView::Kind::Integer || f.integer < 0 || f.integer > 0xffff)
        return false;
    out = static_cast<std::uint16_t>(f.integer);
    return true;
}

// Leaves one row a key in `part`, holding the key's total; false on overflow.
bool groupInPlace(std::vector<PackedPair>& part, std::vector<std::uint32_t>& slots,
                  std::uint64_t (*hash)(const PackedPair&))
{
    std::size_t size = 1024;
    while (size < part.size() * 2)
        size *= 2;
    slots.assign(size, 0);
    const std::size_t mask = size - 1;
    std::size_t kept = 0;
    for (std::size_t r = 0; r < part.size(); ++r) {
        for (std::size_t i = hash(part[r]) & mask;; i = (i + 1) & mask) {
            if (slots[i] == 0) {
                part[kept] = part[r];
                slots[i] = static_cast<std::uint32_t>(++kept);
                break;
            }
            PackedPair& held = part[slots[i] - 1];
            if (held.sameKey(part[r])) {
                if (__builtin_add_overflow(held.bytes, part[r].bytes, &held.bytes))
                    return false;
                break;
            }
        }
    }
    part.resize(kept);
    return true;
}

} // namespace

PairGroups::PairGroups(std::size_t maxRows, std::size_t expectedRows) : m_parts(kPartitions), m_maxRows(maxRows)
{
    const std::size_t each = std::min(expectedRows, maxRows) / kPartitions;
    if (each > 0)
        for (std::vector<PackedPair>& part : m_parts)
            part.reserve(each + each / 4 + 16);
}

std::uint64_t PairGroups::hashOf(const PackedPair& p)
{
    return mixBits(mixBits(p.addresses) ^ p.ports);
}

bool PairGroups::add(std::uint32_t source, std::uint32_t dest, std::uint16_t sourcePort, std::uint16_t destPort,
                     std::int64_t bytes)
{
    if (m_rows >= m_maxRows)
        return false;
    ++m_rows;
    PackedPair p;
    p.addresses = std::uint64_t(source) << 32 | dest;
    p.ports = std::uint32_t(sourcePort) << 16 | destPort;
    p.bytes = bytes;
    // The top bits pick the partition; the bottom bits the slot inside it.
    m_parts[hashOf(p) >> 56].push_back(p);
    return true;
}

bool PairGroups::addStored(const Statement& row, int first)
{
    std::uint32_t source = 0;
    std::uint32_t dest = 0;
    std::uint16_t sourcePort = 0;
    std::uint16_t destPort = 0;
    const FieldView bytes = row.field(first + 4);
    return packedAddress(row.field(first), source) && packedPort(row.field(first + 1), sourcePort)
        && packedAddress(row.field(first + 2), dest) && packedPort(row.field(first + 3), destPort)
        && bytes.kind == FieldView::Kind::Integer && add(source, dest, sourcePort, destPort, bytes.integer);
}

bool PairGroups::absorb(PairGroups& other)
{
    if (other.m_rows > m_maxRows - m_rows)
        return false;
    for (std::size_t k = 0; k < kPartitions; ++k) {
        std::vector<PackedPair>& from = other.m_parts[k];
        m_parts[k].insert(m_parts[k].end(), from.begin(), from.end());
        std::vector<PackedPair>().swap(from);
    }
    m_rows += other.m_rows;
    other.m_rows = 0;
    return true;
}

void PairGroups::groupPartitions(std::size_t first, std::size_t step, bool& overflow)
{
    std::vector<std::uint32_t> slots;
    for (std::size_t k = first; k < m_parts.size(); k += step) {
        if (!groupInPlace(m_parts[k], slots, &hashOf)) {
            overflow = true;
            return;
        }
        std::sort(m_parts[k].begin(), m_parts[k].end(),
                  [](const PackedPair& a, const PackedPair& b) { return a.bytes > b.bytes; });
    }
}

bool PairGroups::group()
{
    bool overflow[2] = {};
    std::thread other;
    try {
        other = std::thread([&] { groupPartitions(1, 2, overflow[1]); });
    } catch (const std::system_error&) {
        // No second thread to be had: this one does all of it.
        groupPartitions(1, 2, overflow[1]);
    }
    groupPartitions(0, 2, overflow[0]);
    if (other.joinable())
        other.join();
    return !overflow[0] && !overflow[1];
}

std::size_t PairGroups::pairs() const
{
    std::size_t n = 0;
    for (const std::vector<PackedPair>& part : m_parts)
        n += part.size();
    return n;
}

} // namespace trawler::db
