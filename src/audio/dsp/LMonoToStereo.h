// Up-mix of one channel to two by copying every sample to both.
#pragma once

#include <cstdint>

#include "audio/dsp/LSoundSource.h"

// The upstream must be mono; otherwise the filter is invalid.
class LMonoToStereo : public LSoundFilter {
public:
    explicit LMonoToStereo(const LSoundSourcePtr& upstream);

    // Any request length: the mono audio is read into the caller's buffer and spread in place.
    void Read(std::int32_t* buffer, std::int32_t frames) override;
};
