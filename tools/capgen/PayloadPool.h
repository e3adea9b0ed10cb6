#pragma once
// A block of random bytes that payloads are cut from: filling every payload
// byte from the generator would cost more than building the frame.
#include "tools/capgen/Packet.h"
#include "tools/capgen/Random.h"

#include <cstdint>
#include <vector>

namespace trawler::capgen {

class PayloadPool {
public:
    static constexpr std::size_t kSize = 1 << 16;

    explicit PayloadPool(Random& rng) : m_bytes(kSize + kMaxTake)
    {
        for (std::size_t i = 0; i < m_bytes.size(); i += 8) {
            const std::uint64_t v = rng.next();
            for (std::size_t k = 0; k < 8 && i + k < m_bytes.size(); ++k)
                m_bytes[i + k] = static_cast<std::uint8_t>(v >> (8 * k));
        }
    }

    // size bytes from a random place in the pool; at most kMaxTake.
    ByteView take(Random& rng, std::size_t size) const
    {
        if (size > kMaxTake)
            size = kMaxTake;
        return {m_bytes.data() + rng.below(kSize), size};
    }

    static constexpr std::size_t kMaxTake = 9000;

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace trawler::capgen
