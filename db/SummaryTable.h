#pragma once
// An open-addressing hash table of running sums for the parse run's summary
// writer: one probe sequence in one array per packet, no allocation per key,
// and a fixed largest size so the run's memory stays bounded.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace trawler::db {

// The splitmix64 finaliser: spreads keys that differ only in a few bits
// (addresses of one LAN, neighbouring ports) over the whole word.
inline std::uint64_t mixBits(std::uint64_t x)
{
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

template <typename Key, typename Value, typename Hash> class SummaryTable {
public:
    explicit SummaryTable(std::size_t maxSlots) : m_maxSlots(maxSlots) { m_slots.resize(kFirstSlots); }

    // The sums of `key`, made (zero) when new.
    Value& at(const Key& key)
    {
        std::size_t mask = m_slots.size() - 1;
        std::size_t i = Hash{}(key) & mask;
        for (;; i = (i + 1) & mask) {
            Slot& s = m_slots[i];
            if (!s.used)
                break;
            if (s.key == key)
                return s.value;
        }
        if ((m_size + 1) * 4 > m_slots.size() * 3 && m_slots.size() < m_maxSlots) {
            grow();
            return at(key);
        }
        Slot& s = m_slots[i];
        s.used = true;
        s.key = key;
        ++m_size;
        return s.value;
    }

    // True when the table is as large as it may grow and three quarters full.
    bool full() const { return m_slots.size() >= m_maxSlots && m_size * 4 >= m_slots.size() * 3; }
    std::size_t size() const { return m_size; }

    template <typename F> void forEach(F&& f) const
    {
        for (const Slot& s : m_slots)
            if (s.used)
                f(s.key, s.value);
    }

    // Back to the first size, memory returned.
    void clear()
    {
        std::vector<Slot>(kFirstSlots).swap(m_slots);
        m_size = 0;
    }

private:
    static constexpr std::size_t kFirstSlots = 1024;
    struct Slot {
        Key key{};
        Value value{};
        bool used = false;
    };

    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        const std::size_t mask = m_slots.size() - 1;
        for (const Slot& s : old) {
            if (!s.used)
                continue;
            std::size_t i = Hash{}(s.key) & mask;
            while (m_slots[i].used)
                i = (i + 1) & mask;
            m_slots[i] = s;
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_size = 0;
    std::size_t m_maxSlots;
};

} // namespace trawler::db
