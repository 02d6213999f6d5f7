// Layer III frame headers.
#include "audio/files/Mp3Header.h"

#include "audio/files/Mp3Tables.h"

int Mp3Header::SampleRate() const {
    return kMp3SampleRates[version][sampleIndex];
}

int Mp3Header::FrameBytes() const {
    return (version == 0 ? 144 : 72) * bitrate / SampleRate() + padding;
}

int Mp3Header::SideInfoBytes() const {
    if (version == 0) {
        return Mono() ? 17 : 32;
    }
    return Mono() ? 9 : 17;
}

bool ParseMp3Header(const std::uint8_t* bytes, Mp3Header& header) {
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0) {
        return false;
    }
    static constexpr int kVersionOfBits[4] = {2, -1, 1, 0};
    const int version = kVersionOfBits[(bytes[1] >> 3) & 3];
    const int layerBits = (bytes[1] >> 1) & 3;
    const int bitrateIndex = bytes[2] >> 4;
    const int sampleIndex = (bytes[2] >> 2) & 3;
    if (version < 0 || layerBits != 1 || sampleIndex == 3) {
        return false;
    }
    const int kbits = kMp3Bitrates[version == 0 ? 0 : 1][bitrateIndex];
    if (kbits == 0) {
        return false;
    }
    header.version = version;
    header.crc = (bytes[1] & 1) == 0;
    header.bitrate = kbits * 1000;
    header.sampleIndex = sampleIndex;
    header.padding = (bytes[2] >> 1) & 1;
    header.mode = bytes[3] >> 6;
    header.modeExtension = (bytes[3] >> 4) & 3;
    return true;
}
