// An in-process wave device pair paced by a device clock: what is played to it is captured for
// whoever set it up to read, and what is recorded from it comes from a generator they set.
// Line providers (the simulated line) and tests use these in place of a sound card.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "audio/devices/WaveIn.h"
#include "audio/devices/WaveOut.h"

class VirtualWaveDevice : public std::enable_shared_from_this<VirtualWaveDevice> {
public:
    // Fills `frames` frames of 16-bit samples in `format` for an input device; the first of them
    // was heard at `start` (nanoseconds on the device's clock), however late the call comes.
    using InputGenerator = std::function<void(std::int16_t* samples, std::int32_t frames,
                                              const WavePcmFormat& format, std::int64_t start)>;

    explicit VirtualWaveDevice(std::string name, DeviceClock& clock = SystemDeviceClock());

    const std::string& Name() const { return name; }
    DeviceClock& Clock() const { return clock; }

    // Audio that played without a break, and when it began on the device's clock.
    struct PlayedAudio {
        std::int64_t start = 0;  // nanoseconds
        WavePcmFormat format;
        std::vector<std::int16_t> samples;  // interleaved
    };

    // Samples played so far (interleaved, in the format they were played in).
    std::vector<std::int16_t> Captured() const;
    // Returns the captured samples and starts a new capture.
    std::vector<std::int16_t> TakeCaptured();
    // The same, each stretch with the time it began playing: for placing what was played on a
    // timeline however late it is collected.
    std::vector<PlayedAudio> TakePlayed();
    // Where recorded audio comes from; silence without one.
    void SetInputGenerator(InputGenerator generator);
    // A stalled device stops finishing buffers, as a hung sound card would.
    void SetStalled(bool stalled);

    std::unique_ptr<WaveOut> OpenOut(const WavePcmFormat& format);
    std::unique_ptr<WaveIn> OpenIn(const WavePcmFormat& format, WaveIn::DataCallback callback);

    // Used by the open devices.
    void AppendCapture(const std::int16_t* samples, std::size_t count, std::int64_t start,
                       const WavePcmFormat& format);
    void Generate(std::int16_t* samples, std::int32_t frames, const WavePcmFormat& format,
                  std::int64_t start);
    bool IsStalled() const;

private:
    const std::string name;
    DeviceClock& clock;
    mutable std::mutex mutex;
    std::vector<PlayedAudio> capture;
    InputGenerator generator;
    bool stalled = false;
};
