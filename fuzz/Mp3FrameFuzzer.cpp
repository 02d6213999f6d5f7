// Fuzzes the Layer III frame decoder: the input is a sequence of 3 header bytes (version,
// bitrate, rate, padding, mode; the layer is always III) each followed by up to one frame body.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "audio/files/Mp3FrameDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<Mp3FrameDecoder> decoder = std::make_unique<Mp3FrameDecoder>();
    static std::int32_t out[1152 * 2];
    decoder->Reset();
    while (size >= 3) {
        const std::uint8_t bytes[4] = {0xFF, static_cast<std::uint8_t>(0xE2 | (data[0] & 0x19)),
                                       data[1], data[2]};
        data += 3;
        size -= 3;
        Mp3Header header;
        if (!ParseMp3Header(bytes, header)) {
            continue;
        }
        const int body = std::min<int>(header.BodyBytes(), static_cast<int>(size));
        decoder->Decode(header, data, body, out);
        data += body;
        size -= body;
    }
    return 0;
}
