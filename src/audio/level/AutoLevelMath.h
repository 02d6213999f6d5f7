// The static rules of the automatic level control: level sums, the gain curve, the reference
// level of a histogram and the weighting filter coefficients.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Levels are signed dB values from -127 to +127; every sum of levels is clamped back to that.
inline std::int8_t ClampLevel(int level) {
    return static_cast<std::int8_t>(level < -127 ? -127 : (level > 127 ? 127 : level));
}

// Tables over all levels are indexed by level + 128.
inline std::size_t LevelIndex(int level) {
    return static_cast<std::size_t>(level + 128);
}

// Counts of blocks per level.
using LevelHistogram = std::array<std::uint32_t, 256>;

// The static gain curve: the gain in dB for a level x relative to the tracked loudness, indexed
// by x + 128. Below `lowerKnee` it is flat at lowerKnee * slope; between the knees it falls by
// `slope` per dB; from `upperKnee` on it falls 1 dB per dB (the loudness is held). Values are
// rounded half away from zero and clamped to -127..127.
using GainCurve = std::array<std::int8_t, 256>;
GainCurve MakeGainCurve(std::int8_t lowerKnee, double slope, std::int8_t upperKnee);
inline std::int8_t CurveGain(const GainCurve& curve, int x) {
    return curve[LevelIndex(ClampLevel(x))];
}

// The reference loudness of a histogram: the median of the blocks that lie no more than 15 dB
// below the loudest eighth (-127 for an empty histogram).
std::int8_t ReferenceLevel(const LevelHistogram& histogram);

// A one-pole coefficient in 1/256 units for a corner frequency: trunc((1 - e^(-2 pi f / rate))
// * 256), 0 when the rate is not positive.
std::int32_t WeightingCoefficient(std::int32_t corner, std::int32_t rate);
