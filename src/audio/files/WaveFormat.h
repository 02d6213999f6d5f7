// The WAV format record (the "fmt " chunk body) and the format tags this program handles.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

inline constexpr std::uint16_t kWaveFormatPcm = 1;
inline constexpr std::uint16_t kWaveFormatIeeeFloat = 3;
inline constexpr std::uint16_t kWaveFormatAlaw = 6;
inline constexpr std::uint16_t kWaveFormatMulaw = 7;
inline constexpr std::uint16_t kWaveFormatImaAdpcm = 0x11;
// Not read from WAV files: the format record given for MP3 files (OpenAudioFile).
inline constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x55;
// The format is the sub-format in the extra bytes (with valid bits and a channel mask).
inline constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

// Size of a format record without extra bytes (tag through extra size).
inline constexpr std::size_t kWaveFormatRecordSize = 18;

struct WaveFormatRecord {
    std::uint16_t formatTag = kWaveFormatPcm;
    std::uint16_t channels = 1;
    std::uint32_t sampleRate = 8000;
    std::uint32_t bytesPerSecond = 16000;
    std::uint16_t blockAlign = 2;
    std::uint16_t bitsPerSample = 16;
    // Codec-specific bytes after the extra size field; their count is the extra size.
    std::vector<std::uint8_t> extra;

    // The tag that says how the samples are coded: for kWaveFormatExtensible the sub-format's,
    // when its GUID is one that stands for a format tag; otherwise formatTag itself.
    std::uint16_t SampleFormatTag() const;

    // The record as stored in a file: 18 bytes plus the extra bytes, little-endian.
    std::vector<std::uint8_t> Serialize() const;

    // Reads a stored record of `size` bytes. 14 bytes (no bits per sample) are enough; a short
    // record counts as having bits per sample 0 and no extra bytes, and extra bytes are taken
    // only as far as `size` reaches. Fewer than 14 bytes give nothing.
    static std::optional<WaveFormatRecord> Parse(const std::uint8_t* data, std::size_t size);
};

// 16-bit PCM with the given rate and channels: the side of every codec stream.
WaveFormatRecord Pcm16Format(std::uint32_t sampleRate, std::uint16_t channels);

// G.711 A-law (kWaveFormatAlaw) or mu-law (kWaveFormatMulaw): one byte per sample.
WaveFormatRecord G711Format(std::uint16_t formatTag, std::uint32_t sampleRate,
                            std::uint16_t channels);

// IMA ADPCM in the usual block size for the rate: 256 bytes per channel up to 11,025 Hz,
// doubled for each doubling of the rate beyond it.
WaveFormatRecord ImaAdpcmFormat(std::uint32_t sampleRate, std::uint16_t channels);

// Peak bounds of the readers and writers: 8-bit files, and all others (the 16-bit scale; the
// readers of wider files keep to it too).
inline constexpr std::int32_t kPeakBound8Bit = 0x3F800;
inline constexpr std::int32_t kPeakBound16Bit = 0x7FFF0;

// A frame count moved on by `frames`, held at the largest 32-bit count rather than wrapping.
inline std::int32_t AdvanceFrames(std::int32_t position, std::int32_t frames) {
    std::int64_t next = std::int64_t{position} + frames;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(next, INT32_MIN, INT32_MAX));
}

// Little-endian helpers shared by the WAV reader and writers.
inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
