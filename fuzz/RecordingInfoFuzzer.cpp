// Fuzzes the recording info and size check over any bytes as a WAV file: reading must never
// crash, hang or allocate much, and info read from a finished file must read back the same
// once written into it again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "MemoryFile.h"
#include "audio/files/RecordingInfo.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile input;
    input.Write(data, size);
    CheckWaveSizes(input.Path(), false);
    std::optional<RecordingInfo> info = ReadRecordingInfo(input.Path());
    if (!info) {
        return 0;
    }
    // The rate is stored with the events only.
    if (info->events.empty()) {
        info->eventRate = 0;
    }
    if (WriteRecordingInfo(input.Path(), *info).empty() &&
        ReadRecordingInfo(input.Path()) != info) {
        std::abort();
    }
    return 0;
}
