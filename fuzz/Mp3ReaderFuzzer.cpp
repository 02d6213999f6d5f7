// Fuzzes OpenMp3File and the reader: the input is written to a file, opened, read to its end,
// and sought around in.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/files/LMp3Reader.h"

namespace {

// The file each input is written to, removed when the fuzzer exits.
struct InputFile {
    std::string path = "/tmp/quillon-fuzz-mp3-" + std::to_string(::getpid());
    ~InputFile() { std::remove(path.c_str()); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const InputFile input;
    const std::string& path = input.path;
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    LSoundSourcePtr reader = OpenMp3File(path);
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
