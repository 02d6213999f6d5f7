// Down-mix to one channel by keeping the first channel of every frame.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundSource.h"

class LStereoToMono : public LSoundFilter {
public:
    explicit LStereoToMono(const LSoundSourcePtr& upstream);

    // Any request length: the upstream is read in pieces of at most 8,192 frames.
    void Read(std::int32_t* buffer, std::int32_t frames) override;

private:
    std::int32_t upstreamChannels;
    std::vector<std::int32_t> piece;  // upstream channels * 8,192 samples
};
