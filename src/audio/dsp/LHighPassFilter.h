// One-pole high-pass filter of the telephone play process, and the process that creates it.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// Removes the low-frequency part of the upstream's audio: a running state s / 256 follows the
// low frequencies and is subtracted from every sample.
class LHighPassFilter : public LSoundFilter {
public:
    LHighPassFilter(const LSoundSourcePtr& upstream, std::int32_t cutoff);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Seeks upstream and clears the filter state.
    void Seek(std::int32_t frame) override;

    std::int32_t coefficient = 0;  // (1 - exp(-2 pi cutoff / rate)) * 256, 0..256

private:
    std::vector<std::int32_t> channelState;
};

// Parameter: the cut-off in Hz.
class LHighPassProcess : public LSoundProcess {
public:
    explicit LHighPassProcess(std::int32_t cutoff) : cutoff(cutoff) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int32_t cutoff;
};
