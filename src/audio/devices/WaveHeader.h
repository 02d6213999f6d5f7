// What the wave device layer exchanges with its users: the PCM format of an open device and the
// header of each buffer queued on it.
#pragma once

#include <atomic>
#include <cstdint>

enum class WaveDirection { Output, Input };

struct WavePcmFormat {
    std::int32_t sampleRate = 8000;
    std::uint16_t channels = 1;
    std::uint16_t bitsPerSample = 16;  // devices take 16-bit little-endian samples

    std::int32_t BlockAlign() const { return channels * (bitsPerSample / 8); }
};

// Header flags: set by the device when it is done with a buffer, and the two loop marks of a
// buffer that plays repeatedly (scrub snippets).
inline constexpr std::uint32_t kWaveHeaderDone = 0x01;
inline constexpr std::uint32_t kWaveHeaderBeginLoop = 0x04;
inline constexpr std::uint32_t kWaveHeaderEndLoop = 0x08;
inline constexpr std::uint32_t kWaveHeaderInQueue = 0x10;

// One buffer of audio handed to a device. The device reads or fills `data` while the buffer is
// queued; `flags` is shared with the device's thread, so it is atomic.
struct WaveHeader {
    char* data = nullptr;
    std::uint32_t bufferLength = 0;   // bytes
    std::uint32_t bytesRecorded = 0;  // bytes filled by an input device
    std::uintptr_t user = 0;          // the owner's own value
    std::atomic<std::uint32_t> flags{0};
    std::uint32_t loops = 0;  // times a looping buffer plays

    bool IsDone() const { return (flags.load() & kWaveHeaderDone) != 0; }
    // The device has taken the buffer.
    void MarkQueued() {
        flags.fetch_and(~kWaveHeaderDone);
        flags.fetch_or(kWaveHeaderInQueue);
    }
    // The device is done with the buffer.
    void MarkDone() {
        flags.fetch_and(~kWaveHeaderInQueue);
        flags.fetch_or(kWaveHeaderDone);
    }
};
