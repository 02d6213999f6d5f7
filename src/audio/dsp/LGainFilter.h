// Volume adjustment by a fixed number of dB, and the process that creates it.
#pragma once

#include <cstdint>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// Multiplies every sample by the amplitude gain of a dB value.
class LGainFilter : public LSoundFilter {
public:
    LGainFilter(const LSoundSourcePtr& upstream, std::int8_t db);

    void Read(std::int32_t* buffer, std::int32_t frames) override;

    std::int32_t gain;  // 8.24
};

// Parameter: the gain in dB.
class LGainProcess : public LSoundProcess {
public:
    explicit LGainProcess(std::int8_t gain) : gain(gain) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int8_t gain;
};
