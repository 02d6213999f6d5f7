// A level report: the level in dB of the last block of audio, per channel, as the recorder and
// the player hand it to their owners.
#pragma once

#include <cstdint>

struct LLevelReport {
    std::uint8_t channels = 0;
    std::int8_t level[256] = {};

    // The one level shown where one is wanted: silence for no channels, the first channel's,
    // or the louder of the first two.
    std::int8_t Single() const {
        if (channels == 0) {
            return -127;
        }
        if (channels == 1) {
            return level[0];
        }
        return level[0] > level[1] ? level[0] : level[1];
    }
};
