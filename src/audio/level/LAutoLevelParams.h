// Construction arguments of the automatic level control, named.
#pragma once

#include <cstdint>

// The defaults are the arguments of the background level queue.
struct LAutoLevelParams {
    std::int8_t curveUpperKnee = 2;   // dB above the tracked loudness where the loudness is held
    double curveSlope = -0.5;         // dB of gain per dB between the knees
    std::int8_t curveLowerKnee = -6;  // dB below which the gain is flat
    // The tracker's limits, passed negated: the tracked loudness may rise only while below
    // -negatedRiseLimit (+6 dB) and fall only while above -negatedFallLimit (-2 dB).
    std::int8_t negatedRiseLimit = -6;
    std::int8_t negatedFallLimit = 2;
    std::int32_t shelfCorner = 2200;    // Hz, corner of the weighting's +6 dB shelf
    std::int32_t highPassCorner = 300;  // Hz, corner of the weighting's high-pass
};
