#pragma once
// Hands built frames to the writer with an advancing clock, and stops taking
// frames once the requested count is reached.
#include "tools/capgen/CaptureWriter.h"
#include "tools/capgen/FrameBuilder.h"

#include <cstdint>
#include <limits>

namespace trawler::capgen {

class Emitter {
public:
    Emitter(CaptureWriter& writer, std::uint64_t startMicros, std::uint64_t limit)
        : m_writer(writer), m_clock(startMicros), m_limit(limit)
    {
    }

    bool full() const { return m_count >= m_limit; }
    std::uint64_t count() const { return m_count; }
    std::uint64_t clock() const { return m_clock; }

    // The frame goes out gapMicros after the previous one (at least 1 µs,
    // so timestamps strictly increase). Ignored once full.
    void emit(const FrameBuilder& frame, std::uint32_t gapMicros)
    {
        if (full())
            return;
        m_clock += gapMicros == 0 ? 1 : gapMicros;
        const ByteView bytes = frame.frame();
        m_writer.write(m_clock, bytes.data, bytes.size);
        ++m_count;
    }

    // Quiet time on the wire between episodes.
    void idle(std::uint64_t micros) { m_clock += micros; }

private:
    CaptureWriter& m_writer;
    std::uint64_t m_clock;
    std::uint64_t m_limit;
    std::uint64_t m_count = 0;
};

} // namespace trawler::capgen
