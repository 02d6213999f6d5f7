// The process that converts between mono and stereo.
#pragma once

#include <cstdint>

#include "audio/dsp/LSoundProcess.h"

// Parameter: the channel count wanted. Creates `LStereoToMono` for 2 -> 1 and `LMonoToStereo`
// for 1 -> 2; every other case (target 0, same count, other pairs) passes the source through.
class LChannelsProcess : public LSoundProcess {
public:
    explicit LChannelsProcess(std::uint16_t channels) : channels(channels) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::uint16_t channels;
};
