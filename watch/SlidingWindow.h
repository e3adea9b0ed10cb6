#pragma once
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <utility>

namespace trawler::watch {

// Distinct targets one source reached within the last `seconds` of packet
// time. A burst is reported once: after add() has said so, it stays quiet
// until the window has emptied.
class SlidingWindow {
public:
    // Records `target` at `time` (packet seconds, not decreasing much); true
    // when the distinct targets reach `threshold` for the first time in this burst.
    bool add(std::int64_t time, std::uint64_t target, std::int64_t seconds, std::size_t threshold)
    {
        while (!m_order.empty() && time - m_order.front().first >= seconds) {
            const auto [then, old] = m_order.front();
            m_order.pop_front();
            const auto it = m_last.find(old);
            if (it != m_last.end() && it->second == then)
                m_last.erase(it);
        }
        if (m_last.empty())
            m_reported = false;
        // One entry per target and second keeps a flood against one host small.
        auto [it, inserted] = m_last.try_emplace(target, time);
        if (inserted || it->second != time) {
            it->second = time;
            m_order.emplace_back(time, target);
        }
        if (m_reported || m_last.size() < threshold)
            return false;
        m_reported = true;
        return true;
    }

    std::size_t distinct() const { return m_last.size(); }

private:
    std::deque<std::pair<std::int64_t, std::uint64_t>> m_order;
    std::unordered_map<std::uint64_t, std::int64_t> m_last;
    bool m_reported = false;
};

} // namespace trawler::watch
