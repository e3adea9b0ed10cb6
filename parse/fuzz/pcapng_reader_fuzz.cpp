// libFuzzer entry: any byte sequence is a pcapng file. The interface scan
// and then the record reader walk it to its end or to the first damaged
// block; every record handed out must lie inside the reader's own buffer and
// be decodable.
#include "parse/FrameDecoder.h"
#include "parse/PcapngReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace trawler::parse;
    if (size == 0)
        return 0;
    std::FILE* file = ::fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!file)
        return 0;
    const PcapngInterfaces interfaces = scanPcapngInterfaces(file);
    (void)interfaces;
    PcapngReader reader(file);
    CaptureRecord record;
    // Each record takes at least a block header: a bound on the walk.
    for (std::size_t n = 0; n <= size; ++n) {
        const ReadStatus status = reader.next(record);
        if (status != ReadStatus::Record)
            break;
        if (record.captured > 0 && !record.data)
            std::abort();
        // Reading every captured byte lets the sanitizer see a record that
        // claims more than its buffer holds.
        decodeFrame(record.data, record.captured, record.wire);
    }
    std::fclose(file);
    return 0;
}
