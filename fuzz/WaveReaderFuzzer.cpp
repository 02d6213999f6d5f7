// Fuzzes OpenWaveFile and both readers: any bytes as a WAV file are opened, read to their end
// in uneven pieces and sought around, which must never crash, hang or touch memory outside
// the buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "MemoryFile.h"
#include "audio/files/WaveReaders.h"

namespace {

// Reads from the current position to the end of the source, in pieces of `piece` frames.
void ReadToEnd(LSoundSource& source, std::int32_t piece, std::vector<std::int32_t>& buffer) {
    buffer.resize(std::size_t(piece) * source.channels);
    // Far more reads than any input of the fuzzer's size can need; the length must converge.
    for (int reads = 0; reads < 100000 && source.GetPosition() < source.GetLength(); ++reads) {
        source.Read(buffer.data(), piece);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static MemoryFile input;
    input.Write(data, size);
    LSoundSourcePtr source = OpenWaveFile(input.Path());
    if (!source) {
        return 0;
    }
    // The piece size comes from the input's last byte so that block edges move around.
    const std::int32_t piece = 1 + (size > 0 ? data[size - 1] : 0) * 13;
    std::vector<std::int32_t> buffer;
    ReadToEnd(*source, piece, buffer);
    const std::int32_t length = source->GetLength();
    for (std::int32_t frame :
         {-700, 0, length / 3, length - 1, length, length + 9000, 1, INT32_MAX - 5, INT32_MIN}) {
        source->Seek(frame);
        buffer.resize(std::size_t(piece) * source->channels);
        source->Read(buffer.data(), piece);
        source->GetPosition();
        source->GetLength();
    }
    source->Seek(length / 2);
    ReadToEnd(*source, 8192 + 11, buffer);
    return 0;
}
