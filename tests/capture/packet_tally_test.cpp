// The packet count of a capture file that is still being written.
#include "TempDir.h"

#include "capturegui/PacketTally.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

void put32(Bytes& out, std::uint32_t v, bool big)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(big ? v >> (24 - 8 * i) : v >> (8 * i)));
}

// The classic layout: the file header, then records of `length` bytes each.
Bytes fileHeader(bool big, std::uint32_t magic = 0xa1b2c3d4)
{
    Bytes b;
    put32(b, magic, big);
    b.insert(b.end(), 20, 0);
    return b;
}

Bytes record(std::uint32_t length, bool big)
{
    Bytes b;
    put32(b, 1, big);       // seconds
    put32(b, 2, big);       // microseconds
    put32(b, length, big);  // stored length
    put32(b, length, big);  // length on the wire
    b.insert(b.end(), length, 0xee);
    return b;
}

void append(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(bytes.data()),
                                                                long(bytes.size()));
}

} // namespace

TEST(PacketTally, CountsWhatTheWriterHasFinishedInEitherByteOrder)
{
    for (bool big : {false, true}) {
        trawler::test::TempDir dir;
        const std::string path = dir.file("growing.cap");
        PacketTally tally(path);
        EXPECT_EQ(tally.update(), 0u);  // not there yet
        Bytes header = fileHeader(big);
        append(path, Bytes(header.begin(), header.begin() + 10));
        EXPECT_EQ(tally.update(), 0u);  // header half written
        append(path, Bytes(header.begin() + 10, header.end()));
        append(path, record(60, big));
        append(path, record(1514, big));
        EXPECT_EQ(tally.update(), 2u);
        // A packet half written is counted once it is whole.
        const Bytes third = record(42, big);
        append(path, Bytes(third.begin(), third.begin() + 20));
        EXPECT_EQ(tally.update(), 2u);
        append(path, Bytes(third.begin() + 20, third.end()));
        EXPECT_EQ(tally.update(), 3u);
        EXPECT_EQ(tally.update(), 3u);
    }
}

TEST(PacketTally, OtherLayoutsAndDamageStopTheCount)
{
    trawler::test::TempDir dir;
    // A pcapng file (block type 0x0a0d0d0a) is not counted at all.
    const std::string ng = dir.file("next.pcapng");
    append(ng, fileHeader(false, 0x0a0d0d0a));
    append(ng, record(60, false));
    EXPECT_EQ(PacketTally(ng).update(), 0u);
    // A stored length beyond any packet ends the count where the damage is.
    const std::string damaged = dir.file("damaged.cap");
    append(damaged, fileHeader(false));
    append(damaged, record(60, false));
    Bytes bad = record(0, false);
    bad[8] = bad[9] = bad[10] = bad[11] = 0xff;
    append(damaged, bad);
    append(damaged, record(60, false));
    PacketTally tally(damaged);
    EXPECT_EQ(tally.update(), 1u);
    EXPECT_EQ(tally.update(), 1u);
    // Nanosecond stamps are the same layout.
    const std::string nano = dir.file("nano.cap");
    append(nano, fileHeader(true, 0xa1b23c4d));
    append(nano, record(60, true));
    EXPECT_EQ(PacketTally(nano).update(), 1u);
}
