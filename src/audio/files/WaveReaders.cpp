// Opening a WAV file: finding the RIFF WAVE form, the format and data chunks, and choosing the
// reader.
#include "audio/files/WaveReaders.h"

#include <cstring>
#include <optional>
#include <vector>

#include "audio/files/LAcmWaveReader.h"
#include "audio/files/LWaveReader.h"
#include "audio/files/WaveFileHandle.h"

namespace {

bool IsTag(const std::uint8_t* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

// Reads chunk headers from the file position until one named `tag`; returns its size with the
// file at its first byte. A chunk of size 0 or one too large to be a signed 32-bit size ends
// the search, as does the end of the file.
std::optional<std::uint32_t> FindChunk(WaveFileHandle& file, const char* tag) {
    for (;;) {
        std::uint8_t header[8];
        if (file.Read(header, sizeof header) < sizeof header) {
            return std::nullopt;
        }
        const std::uint32_t size = LoadLe32(header + 4);
        if (IsTag(header, tag)) {
            return size;
        }
        const auto padded = static_cast<std::int32_t>(size + (size & 1));
        if (padded <= 0 || !file.Skip(padded)) {
            return std::nullopt;
        }
    }
}

// Moves past whatever comes before the RIFF WAVE form (other chunks, other RIFF forms).
bool FindWaveForm(WaveFileHandle& file) {
    for (;;) {
        std::uint8_t header[12];
        if (file.Read(header, sizeof header) < sizeof header) {
            return false;
        }
        if (IsTag(header, "RIFF") && IsTag(header + 8, "WAVE")) {
            return true;
        }
        const std::uint32_t size = LoadLe32(header + 4);
        const std::uint64_t padded = std::uint64_t{size} + (size & 1);
        if (padded <= 4 || !file.Skip(static_cast<std::int64_t>(padded) - 4)) {
            return false;
        }
    }
}

}  // namespace

LSoundSourcePtr OpenWaveFile(const std::string& fileName, WaveFormatRecord* format) {
    WaveFileHandle file = WaveFileHandle::OpenForReading(fileName);
    if (!file.IsOpen() || !FindWaveForm(file)) {
        return {};
    }
    const std::optional<std::uint32_t> formatSize = FindChunk(file, "fmt ");
    if (!formatSize || *formatSize < kMinFormatChunkSize || *formatSize > kMaxFormatChunkSize) {
        return {};
    }
    std::vector<std::uint8_t> recordBytes(*formatSize);
    if (file.Read(recordBytes.data(), recordBytes.size()) < recordBytes.size()) {
        return {};
    }
    // RIFF pads an odd-sized chunk with a zero byte, which some writers leave out: a zero here
    // is the pad, since no chunk name starts with one.
    std::uint8_t pad = 1;
    if (*formatSize % 2 == 1 && file.ReadAt(file.Tell(), &pad, 1) == 1 && pad == 0) {
        file.Skip(1);
    }
    const std::optional<WaveFormatRecord> record =
        WaveFormatRecord::Parse(recordBytes.data(), recordBytes.size());
    const std::optional<std::uint32_t> dataSize = FindChunk(file, "data");
    if (!record || !dataSize || record->channels < 1 || record->channels > 255 ||
        record->sampleRate < 1 || record->sampleRate > kMaxWaveSampleRate) {
        return {};
    }
    if (format) {
        *format = *record;
    }
    const auto channels = static_cast<std::uint8_t>(record->channels);
    const auto rate = static_cast<std::int32_t>(record->sampleRate);
    const std::uint16_t tag = record->SampleFormatTag();
    const std::uint16_t bits = record->bitsPerSample;
    const bool floatingPoint = tag == kWaveFormatIeeeFloat && (bits == 32 || bits == 64);
    if (tag != kWaveFormatPcm && !floatingPoint) {
        return MakeCounted<LAcmWaveReader>(std::move(file), *record, *dataSize);
    }
    const std::int64_t dataStart = file.Tell();
    // 17- to 24-bit integers are stored in 3 bytes, wider ones in 4.
    const std::int32_t integerBytes = bits <= 8 ? 1 : bits <= 16 ? 2 : bits <= 24 ? 3 : 4;
    return MakeCounted<LWaveReader>(std::move(file), dataStart, rate, channels,
                                    floatingPoint ? bits / 8 : integerBytes, floatingPoint);
}
