// Push-model audio sinks, the sink filter base and their counted reference (the contract is
// described with the sources in LSoundSource.h).
#pragma once

#include <cstdint>

#include "audio/dsp/LCountedPtr.h"
#include "audio/dsp/LSoundSource.h"

// Flag bit 1 of sinks: set when the sink is constructed.
inline constexpr std::uint8_t kSinkCreated = 0x02;

class LSoundSink {
public:
    LSoundSink() = default;
    LSoundSink(const LSoundSink&) = delete;
    LSoundSink& operator=(const LSoundSink&) = delete;
    virtual ~LSoundSink() = default;

    // Takes frames * channels samples and moves `position` on by `frames`.
    virtual void Write(const std::int32_t* buffer, std::int32_t frames) = 0;
    // Cuts what has been written back to `frames` frames; the base does nothing.
    virtual void Truncate(std::int32_t frames);

    bool IsInvalid() const { return (flags & kSoundInvalid) != 0; }

    std::int32_t position = 0;  // frames written so far
    std::int32_t sampleRate = kDefaultSampleRate;
    std::int32_t peakBound = kDefaultPeakBound;
    std::uint8_t channels = 1;
    std::uint8_t flags = kSinkCreated;  // bit 0: invalid
    std::uint16_t refCount = 0;
};

using LSoundSinkPtr = LCountedPtr<LSoundSink>;

// A sink that passes what it is given on to one downstream sink. It takes the rate, peak bound
// and channels of a valid downstream; without one it works on telephone line audio, 8,000 Hz
// mono. It holds one reference on the downstream.
class LSoundSinkFilter : public LSoundSink {
public:
    explicit LSoundSinkFilter(const LSoundSinkPtr& downstream);

    // Hands the buffer to the downstream (if any) and counts the frames.
    void Write(const std::int32_t* buffer, std::int32_t frames) override;
    // Truncates the downstream and follows its position.
    void Truncate(std::int32_t frames) override;

    LSoundSinkPtr downstream;
};
