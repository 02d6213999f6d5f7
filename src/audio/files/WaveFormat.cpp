// The WAV format record: reading and writing its stored form, and the records of our codecs.
#include "audio/files/WaveFormat.h"

#include <algorithm>
#include <iterator>

#include "audio/files/ImaAdpcm.h"

std::uint16_t WaveFormatRecord::SampleFormatTag() const {
    // The sub-format GUID follows 2 bytes of valid bits and 4 of channel mask; a format tag's
    // GUID is the tag in its first 2 bytes, then these.
    static constexpr std::uint8_t kTagGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    constexpr std::size_t kGuidOffset = 6;
    if (formatTag != kWaveFormatExtensible || extra.size() < kGuidOffset + 16 ||
        !std::equal(std::begin(kTagGuidTail), std::end(kTagGuidTail),
                    extra.begin() + kGuidOffset + 2)) {
        return formatTag;
    }
    return LoadLe16(&extra[kGuidOffset]);
}

std::vector<std::uint8_t> WaveFormatRecord::Serialize() const {
    std::vector<std::uint8_t> bytes(kWaveFormatRecordSize + extra.size());
    StoreLe16(&bytes[0], formatTag);
    StoreLe16(&bytes[2], channels);
    StoreLe32(&bytes[4], sampleRate);
    StoreLe32(&bytes[8], bytesPerSecond);
    StoreLe16(&bytes[12], blockAlign);
    StoreLe16(&bytes[14], bitsPerSample);
    StoreLe16(&bytes[16], static_cast<std::uint16_t>(extra.size()));
    std::copy(extra.begin(), extra.end(), bytes.begin() + kWaveFormatRecordSize);
    return bytes;
}

std::optional<WaveFormatRecord> WaveFormatRecord::Parse(const std::uint8_t* data,
                                                        std::size_t size) {
    if (size < 14) {
        return std::nullopt;
    }
    WaveFormatRecord record;
    record.formatTag = LoadLe16(data);
    record.channels = LoadLe16(data + 2);
    record.sampleRate = LoadLe32(data + 4);
    record.bytesPerSecond = LoadLe32(data + 8);
    record.blockAlign = LoadLe16(data + 12);
    record.bitsPerSample = size >= 16 ? LoadLe16(data + 14) : 0;
    if (size >= kWaveFormatRecordSize) {
        std::size_t extraSize = std::min<std::size_t>(LoadLe16(data + 16), size - 18);
        record.extra.assign(data + 18, data + 18 + extraSize);
    }
    return record;
}

WaveFormatRecord Pcm16Format(std::uint32_t sampleRate, std::uint16_t channels) {
    WaveFormatRecord record;
    record.formatTag = kWaveFormatPcm;
    record.channels = channels;
    record.sampleRate = sampleRate;
    record.blockAlign = static_cast<std::uint16_t>(2 * channels);
    record.bytesPerSecond = sampleRate * record.blockAlign;
    record.bitsPerSample = 16;
    return record;
}

WaveFormatRecord G711Format(std::uint16_t formatTag, std::uint32_t sampleRate,
                            std::uint16_t channels) {
    WaveFormatRecord record;
    record.formatTag = formatTag;
    record.channels = channels;
    record.sampleRate = sampleRate;
    record.blockAlign = channels;
    record.bytesPerSecond = sampleRate * channels;
    record.bitsPerSample = 8;
    return record;
}

WaveFormatRecord ImaAdpcmFormat(std::uint32_t sampleRate, std::uint16_t channels) {
    channels = std::max<std::uint16_t>(channels, 1);
    std::uint32_t perChannel = 256;
    for (std::uint32_t rate = 11025; sampleRate > rate && perChannel < 4096; rate *= 2) {
        perChannel *= 2;
    }
    WaveFormatRecord record;
    record.formatTag = kWaveFormatImaAdpcm;
    record.channels = channels;
    record.sampleRate = sampleRate;
    record.blockAlign = static_cast<std::uint16_t>(
        std::min<std::uint32_t>(perChannel * channels, 65532 / (4 * channels) * (4 * channels)));
    record.bitsPerSample = 4;
    std::uint32_t samplesPerBlock = ImaSamplesPerBlock(record.blockAlign, channels);
    record.bytesPerSecond = static_cast<std::uint32_t>(static_cast<std::uint64_t>(sampleRate) *
                                                       record.blockAlign / samplesPerBlock);
    record.extra = {static_cast<std::uint8_t>(samplesPerBlock),
                    static_cast<std::uint8_t>(samplesPerBlock >> 8)};
    return record;
}
