// PCM WAV file writer (8, 16 or 32 bits) whose header stays readable while the file grows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/files/WaveFileHandle.h"

// Size of the header LWaveWriter writes: RIFF, an 18-byte format chunk and the data chunk
// header.
inline constexpr std::int64_t kWaveHeaderSize = 46;

// Frames converted per file write.
inline constexpr std::int32_t kWaveBlockFrames = 8192;

// Writes interleaved frames as PCM of 1, 2 or 4 bytes per sample. While the file is open the
// header's data size claims 16 to 32 seconds more than has been written (rewritten every 16
// seconds of audio), so that a reader sees a valid file whose true end is the file size; the
// final sizes are written when the last reference goes. A file that cannot be opened makes the
// writer invalid: Write then only counts frames. A write that fails (a full disk) ends the
// writing: the file keeps the whole frames that reached it, `position` counts them, and the
// header states exactly that at once.
class LWaveWriter : public LSoundSink {
public:
    // Opens (or creates) `fileName`, keeps the audio of an existing file before `startFrame`
    // and cuts the rest, so a take can be recorded again from a position.
    LWaveWriter(const std::string& fileName, std::int32_t sampleRate, std::int32_t startFrame,
                std::int32_t bytesPerSample, std::int32_t channels);
    // Writes the final header and closes the file.
    ~LWaveWriter() override;

    // Any number of frames; internal samples narrow to the file width without saturation.
    void Write(const std::int32_t* buffer, std::int32_t frames) override;
    // Cuts the file back to `frames` (0 when negative); a count beyond `position` does nothing,
    // so the file never grows here.
    void Truncate(std::int32_t frames) override;

    std::int32_t bytesPerSample;
    // Whether every header write is flushed to the disk, so that a growing recording stays
    // readable after a crash. A writer of a scratch result that syncs the finished file once
    // itself turns this off right after creation.
    bool flushHeaders = true;

private:
    // Writes the header at offset 0 with the given data size, flushes, and restarts the
    // countdown to the next periodic rewrite.
    void WriteHeader(std::uint64_t dataSize);
    // The data size to claim: 32 seconds beyond `position` while more may come, exactly
    // `position` when the file is finished or a write has failed.
    std::uint64_t DataSize(bool finished) const;
    // After a failed write: keeps the whole frames that reached the file and states them.
    void StopAtFailedWrite();
    std::int64_t FrameOffset(std::int32_t frame) const;

    WaveFileHandle file;
    std::int32_t headerCountdown = 0;
    std::vector<std::uint8_t> conversion;
};
