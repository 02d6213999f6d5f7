// Fuzzes OpenWaveFile and both readers: any bytes as a WAV file are opened, read to their end
// in uneven pieces and sought around, which must never crash, hang or touch memory outside
// the buffers.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "audio/files/WaveReaders.h"

namespace {

// One scratch file per fuzzing process, rewritten for every input.
const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && base[0] ? base : "/tmp") + "/wavfuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0) {
            std::abort();
        }
        ::close(fd);
        return pattern;
    }();
    return path;
}

void WriteScratch(const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(ScratchPath().c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
}

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
    WriteScratch(data, size);
    LSoundSourcePtr source = OpenWaveFile(ScratchPath());
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
