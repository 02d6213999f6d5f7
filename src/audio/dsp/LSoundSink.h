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

    // Takes frames * channels samples and moves `position` on by `frames`; a sink that has
    // failed takes nothing more.
    virtual void Write(const std::int32_t* buffer, std::int32_t frames) = 0;
    // Cuts what has been written back to `frames` frames; the base does nothing.
    virtual void Truncate(std::int32_t frames);

    bool IsInvalid() const { return (flags & kSoundInvalid) != 0; }
    // Whether a file could not be opened or a write failed (`error` says why).
    bool HasFailed() const { return error != 0; }
    // Notes a failure; the first one is kept, since later ones follow from it.
    void SetError(int errorNumber);

    int error = 0;              // errno of the first failed open or write; 0 while none failed
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
// mono. It holds one reference on the downstream, and fails when its downstream does.
class LSoundSinkFilter : public LSoundSink {
public:
    explicit LSoundSinkFilter(const LSoundSinkPtr& downstream);

    // Hands the buffer to the downstream (if any) and counts the frames; once the downstream
    // has failed, takes its error and its position (what it holds) and nothing more.
    void Write(const std::int32_t* buffer, std::int32_t frames) override;
    // Truncates the downstream and follows its position.
    void Truncate(std::int32_t frames) override;

    LSoundSinkPtr downstream;
};
