#include "PairRanking.h"

#include "SummaryTable.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace trawler::db {

namespace {

// Longest address text kept in a key; dotted IPv4 needs 15.
constexpr std::size_t kTextBytes = 16;
// Rows per insert statement when storing the ranking.
constexpr int kInsertBatch = 64;

struct Pair {
    std::array<char, kTextBytes> source{};
    std::array<char, kTextBytes> dest{};
    std::uint8_t sourceSize = 0;
    std::uint8_t destSize = 0;
    std::uint16_t sourcePort = 0;
    std::uint16_t destPort = 0;
    std::int64_t bytes = 0;

    std::string_view sourceText() const { return {source.data(), sourceSize}; }
    std::string_view destText() const { return {dest.data(), destSize}; }
    bool sameKey(const Pair& o) const
    {
        return sourcePort == o.sourcePort && destPort == o.destPort && sourceText() == o.sourceText()
            && destText() == o.destText();
    }
};


std::uint64_t hashOf(const Pair& p)
{
    // Unused bytes of the text arrays are zero, so whole words can be mixed.
    std::uint64_t words[4];
    std::memcpy(words, p.source.data(), 16);
    std::memcpy(words + 2, p.dest.data(), 16);
    std::uint64_t h = mixBits(std::uint64_t(p.sourcePort) << 16 | p.destPort);
    for (std::uint64_t w : words)
        h = mixBits(h ^ w);
    return h;
}

// The columns compare blank-insensitively (COLLATE RTRIM): the key drops
// trailing blanks. False when the text does not fit a key.
bool keyText(const Value& v, std::array<char, kTextBytes>& out, std::uint8_t& size)
{
    if (v.kind() != Value::Kind::Text)
        return false;
    const std::string text = *v.toText();
    std::size_t n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    // A text that had blanks is shown as stored; keep those for the engine.
    if (n != text.size() || n > kTextBytes || text.find('\0') != std::string::npos)
        return false;
    std::memcpy(out.data(), text.data(), n);
    size = static_cast<std::uint8_t>(n);
    return true;
}

bool keyPort(const Value& v, std::uint16_t& out)
{
    if (v.kind() != Value::Kind::Integer)
        return false;
    const std::int64_t n = v.toInt();
    if (n < 0 || n > 0xffff)
        return false;
    out = static_cast<std::uint16_t>(n);
    return true;
}

// Sums the partial rows of equal keys. The rows are spread by hash over
// partitions small enough for the processor's cache as they are read, then
// each partition is grouped in place with its own hash table: one table over
// all pairs at once spends most of its time waiting for memory.
class PairGroups {
public:
    PairGroups() : m_parts(kPartitions) {}

    // Adds a partial row; false when it is not of the shape kept in memory.
    bool add(const Statement& row)
    {
        Pair p;
        const Value bytes = row.value(4);
        if (!keyText(row.value(0), p.source, p.sourceSize) || !keyPort(row.value(1), p.sourcePort)
            || !keyText(row.value(2), p.dest, p.destSize) || !keyPort(row.value(3), p.destPort)
            || bytes.kind() != Value::Kind::Integer || ++m_rows > kMaxPairsInMemory)
            return false;
        p.bytes = bytes.toInt();
        m_parts[hashOf(p) >> 56].push_back(p);
        return true;
    }

    // The totals, largest first; pairs of equal totals in no set order, as
    // the engine's ORDER BY leaves them. Empty when a total overflows (the
    // engine's sum() fails then; the caller lets it say so).
    std::optional<std::vector<Pair>> ranked()
    {
        std::vector<Pair> totals;
        std::vector<std::uint32_t> slots;
        for (std::vector<Pair>& part : m_parts) {
            std::size_t size = 1024;
            while (size < part.size() * 2)
                size *= 2;
            slots.assign(size, 0);
            const std::size_t mask = size - 1;
            std::size_t kept = 0;
            for (std::size_t r = 0; r < part.size(); ++r) {
                for (std::size_t i = hashOf(part[r]) & mask;; i = (i + 1) & mask) {
                    if (slots[i] == 0) {
                        part[kept] = part[r];
                        slots[i] = static_cast<std::uint32_t>(++kept);
                        break;
                    }
                    Pair& held = part[slots[i] - 1];
                    if (held.sameKey(part[r])) {
                        if (__builtin_add_overflow(held.bytes, part[r].bytes, &held.bytes))
                            return std::nullopt;
                        break;
                    }
                }
            }
            totals.insert(totals.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(kept));
            std::vector<Pair>().swap(part);
        }
        std::sort(totals.begin(), totals.end(), [](const Pair& a, const Pair& b) { return a.bytes > b.bytes; });
        return totals;
    }

private:
    static constexpr std::size_t kPartitions = 256;

    std::vector<std::vector<Pair>> m_parts;
    std::size_t m_rows = 0;
};

std::string tableOf(bool tcp) { return tcp ? "trawler_rank_tcp" : "trawler_rank_udp"; }
std::string layerOf(bool tcp) { return tcp ? "'TCP'" : "'UDP'"; }

std::optional<std::vector<Pair>> groupInMemory(Database& db, bool tcp)
{
    Statement rows = db.prepare("select Sourceip, Sourceport, Destip, Destport, Bytes from trawler_sum_pair "
                                "where Upperlayer = " + layerOf(tcp));
    PairGroups groups;
    while (rows.step())
        if (!groups.add(rows))
            return std::nullopt;
    return groups.ranked();
}

void store(Database& db, const std::string& table, const std::vector<Pair>& pairs)
{
    const std::string one = "(?, ?, ?, ?, ?)";
    std::string batchSql = "insert into " + table + " values " + one;
    for (int i = 1; i < kInsertBatch; ++i)
        batchSql += ", " + one;
    Statement batch = db.prepare(batchSql);
    Statement single = db.prepare("insert into " + table + " values " + one);
    auto bind = [](Statement& st, int base, const Pair& p) {
        st.bindTextUnowned(base + 1, p.sourceText());
        st.bindInt(base + 2, p.sourcePort);
        st.bindTextUnowned(base + 3, p.destText());
        st.bindInt(base + 4, p.destPort);
        st.bindInt64(base + 5, p.bytes);
    };
    // Inserted in rank order: rowid order is the report's order.
    std::size_t i = 0;
    for (; i + kInsertBatch <= pairs.size(); i += kInsertBatch) {
        for (int k = 0; k < kInsertBatch; ++k)
            bind(batch, k * 5, pairs[i + k]);
        batch.execute();
    }
    for (; i < pairs.size(); ++i) {
        bind(single, 0, pairs[i]);
        single.execute();
    }
}

} // namespace

void rankPairs(Database& db, bool tcp)
{
    const std::string table = tableOf(tcp);
    db.execute("delete from " + table);
    if (std::optional<std::vector<Pair>> pairs = groupInMemory(db, tcp)) {
        store(db, table, *pairs);
        return;
    }
    db.execute("insert into " + table + " select Sourceip, Sourceport, Destip, Destport, sum(Bytes) from "
               "trawler_sum_pair where Upperlayer = " + layerOf(tcp) + " group by Sourceip, Sourceport, Destip, "
               "Destport order by sum(Bytes) desc");
}

} // namespace trawler::db
