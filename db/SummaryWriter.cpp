#include "SummaryWriter.h"

#include "SummarySchema.h"

#include <algorithm>

namespace trawler::db {

namespace schema = summary_schema;

namespace {

// Largest tables of destinations (about 100 bytes a slot) and of address
// pairs; written out when three quarters full.
constexpr std::size_t kMaxAddressSlots = std::size_t(1) << 18;

// The NetBIOS (RFC 1001/1002) and SMB-over-TCP ports the LAN report watches.
bool isSharingPort(std::uint16_t port)
{
    return port == 137 || port == 138 || port == 139 || port == 445;
}

std::uint64_t mix(std::uint64_t x)
{
    // splitmix64 finaliser: addresses of one LAN differ only in a few bits.
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

} // namespace

std::size_t SummaryWriter::MixHash::operator()(std::uint64_t k) const
{
    return static_cast<std::size_t>(mix(k));
}

std::size_t SummaryWriter::PairHash::operator()(const PairKey& k) const
{
    return static_cast<std::size_t>(mix(k.addresses ^ mix(k.portsLayer)));
}

void SummaryWriter::TimeText::set(std::string_view t)
{
    size = static_cast<std::uint8_t>(std::min(t.size(), text.size()));
    std::copy_n(t.data(), size, text.data());
}

SummaryWriter::SummaryWriter(Database& db, AddressText addressText, std::size_t maxPairSlots)
    : m_db(db), m_addressText(addressText), m_dest(kMaxAddressSlots), m_pair(maxPairSlots), m_lan(kMaxAddressSlots)
{
    schema::State s = schema::read(db);
    if (!s.ipTable)
        return;
    if (!s.complete) {
        schema::create(db);
        s = schema::read(db);
    }
    m_active = s.complete && !s.stale && s.version == schema::kVersion && s.covered == s.lastRow;
    if (!m_active)
        return;
    m_appendDest = db.prepare(schema::kAppendDest);
    m_appendPair = db.prepare(schema::kAppendPair);
    std::string batch = "insert into trawler_sum_pair values ";
    for (std::size_t i = 0; i < kPairBatch; ++i)
        batch += i == 0 ? "(?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?)";
    m_appendPairBatch = db.prepare(batch);
    m_appendLan = db.prepare(schema::kAppendLan);
}

void SummaryWriter::add(std::uint32_t source, std::uint32_t dest, Layer layer, std::uint16_t sourcePort,
                        std::uint16_t destPort, std::uint32_t totalLength, std::string_view time)
{
    if (!m_active)
        return;
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
    if (m_pair.full() || m_dest.full() || m_lan.full())
        flush();
}

void SummaryWriter::bindPair(Statement& st, int base, const PairKey& key, std::int64_t bytes, PairTexts& texts)
{
    // Texts are bound unowned: `texts` stays put until the statement's step.
    char (&source)[16] = texts[0];
    char (&dest)[16] = texts[1];
    const auto layer = static_cast<Layer>(key.portsLayer & 0xff);
    st.bindTextUnowned(base + 1, layer == Layer::Tcp ? "TCP" : "UDP");
    st.bindTextUnowned(base + 2, {source, m_addressText(static_cast<std::uint32_t>(key.addresses >> 32), source)});
    st.bindInt(base + 3, static_cast<std::int32_t>(key.portsLayer >> 24));
    st.bindTextUnowned(base + 4, {dest, m_addressText(static_cast<std::uint32_t>(key.addresses), dest)});
    st.bindInt(base + 5, static_cast<std::int32_t>((key.portsLayer >> 8) & 0xffff));
    st.bindInt64(base + 6, bytes);
}

void SummaryWriter::flush()
{
    char a[16];
    char b[16];
    m_dest.forEach([&](std::uint64_t address, const DestSums& sums) {
        m_appendDest.bindTextUnowned(1, {a, m_addressText(static_cast<std::uint32_t>(address), a)});
        if (sums.timed) {
            m_appendDest.bindTextUnowned(2, sums.first.view());
            m_appendDest.bindTextUnowned(3, sums.last.view());
        } else {
            m_appendDest.bindNull(2);
            m_appendDest.bindNull(3);
        }
        m_appendDest.bindInt64(4, sums.bytes);
        m_appendDest.execute();
    });
    // Pairs are by far the most rows: they go in batches, one statement
    // step for kPairBatch rows; the remainder row by row.
    std::array<std::pair<PairKey, std::int64_t>, kPairBatch> batch;
    std::size_t filled = 0;
    m_pair.forEach([&](const PairKey& key, std::int64_t bytes) {
        batch[filled++] = {key, bytes};
        if (filled == kPairBatch) {
            for (std::size_t i = 0; i < kPairBatch; ++i)
                bindPair(m_appendPairBatch, static_cast<int>(i) * 6, batch[i].first, batch[i].second, m_pairTexts[i]);
            m_appendPairBatch.execute();
            filled = 0;
        }
    });
    for (std::size_t i = 0; i < filled; ++i) {
        bindPair(m_appendPair, 0, batch[i].first, batch[i].second, m_pairTexts[0]);
        m_appendPair.execute();
    }
    m_lan.forEach([&](std::uint64_t addresses, std::int64_t times) {
        m_appendLan.bindTextUnowned(1, {a, m_addressText(static_cast<std::uint32_t>(addresses >> 32), a)});
        m_appendLan.bindTextUnowned(2, {b, m_addressText(static_cast<std::uint32_t>(addresses), b)});
        m_appendLan.bindInt64(3, times);
        m_appendLan.execute();
    });
    m_dest.clear();
    m_pair.clear();
    m_lan.clear();
}

void SummaryWriter::finish()
{
    if (!m_active)
        return;
    flush();
    schema::markCovered(m_db, schema::read(m_db).lastRow);
    m_active = false;
}

} // namespace trawler::db
