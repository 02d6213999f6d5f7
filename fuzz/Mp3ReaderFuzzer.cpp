// Fuzzes OpenMp3File and the reader: the input is written to a file in memory, opened, read to
// its end, and sought around in.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MemoryFile.h"
#include "audio/files/LMp3Reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile input;
    input.Write(data, size);
    LSoundSourcePtr reader = OpenMp3File(input.Path());
    if (!reader) {
        return 0;
    }
    static std::vector<std::int32_t> buffer(2 * 5000);
    // Every byte of a frame is at least one of 4 header bytes per 576 samples, so this bound
    // is never the one that stops a real stream of this size.
    const std::int64_t limit = std::int64_t(size) * 576 / 4 + 5000;
    for (std::int64_t done = 0; reader->GetPosition() < reader->GetLength() && done < limit;
         done += 1777) {
        reader->Read(buffer.data(), 1777);
    }
    const std::int32_t length = reader->GetLength();
    for (std::int32_t target : {length / 2 + 11, 0, length - 100, -50, length + 3000}) {
        reader->Seek(target);
        reader->Read(buffer.data(), 5000);
    }
    return 0;
}
