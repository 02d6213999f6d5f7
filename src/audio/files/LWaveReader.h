// Uncompressed WAV file reader (PCM or floating point) that follows a file still being written.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundSource.h"
#include "audio/files/WaveFileHandle.h"

// Reads 8-, 16-, 24- or 32-bit PCM, or 32- or 64-bit IEEE floating point (1.0 is the 16-bit full
// scale, and louder samples are held at it), as internal samples. The length is the header's data
// size clamped to the bytes really in the file, and is read again whenever a read or seek goes past
// it, so a recording that is still growing plays to its current end and on. Reads before frame
// 0 or past the end give zeros for the missing frames.
class LWaveReader : public LSoundSource {
public:
    // `file` holds the data chunk at `dataStart`; its size field is the 4 bytes before it.
    // Samples of `bytesPerSample` bytes are integers, or when `floatingPoint` floats (4 bytes) or
    // doubles (8 bytes).
    LWaveReader(WaveFileHandle file, std::int64_t dataStart, std::int32_t sampleRate,
                std::uint8_t channels, std::int32_t bytesPerSample, bool floatingPoint);

    // Any number of frames, always fully written.
    void Read(std::int32_t* buffer, std::int32_t frames) override;
    void Seek(std::int32_t frame) override;
    std::int32_t GetPosition() override;
    std::int32_t GetLength() override;

    std::int32_t bytesPerSample;

private:
    // Reads the data size field again and clamps it to the file size.
    void RefreshLength();
    // Reads `frames` frames starting at frame `first` (both within the file's frames) and
    // converts them; returns the frames converted, the rest is left to the caller.
    std::int32_t ReadFrames(std::int32_t first, std::int32_t frames, std::int32_t* out);

    // Turns `count` samples of the file's coding into internal samples.
    void (*convert)(const std::uint8_t* in, std::size_t count, std::int32_t* out);
    WaveFileHandle file;
    std::int64_t dataStart;
    std::int64_t sizeFieldOffset;
    std::int32_t position = 0;
    std::int32_t length = 0;
    std::vector<std::uint8_t> readBuffer;
};
