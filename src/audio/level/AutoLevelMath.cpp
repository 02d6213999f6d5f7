// The static rules of the automatic level control.
#include "audio/level/AutoLevelMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

GainCurve MakeGainCurve(std::int8_t lowerKnee, double slope, std::int8_t upperKnee) {
    GainCurve curve{};
    double v = lowerKnee * slope;
    for (int x = -128; x <= 127; ++x) {
        // std::round rounds halves away from zero.
        curve[LevelIndex(x)] =
            ClampLevel(static_cast<int>(std::clamp(std::round(v), -128.0, 128.0)));
        if (x >= upperKnee) {
            v -= 1;
        } else if (x >= lowerKnee) {
            v += slope;
        }
    }
    return curve;
}

namespace {

// The lowest level from `from` on with at most `limit` of the `count` blocks at or above it.
int LowestLevelWithAtMost(const LevelHistogram& histogram, int from, std::uint32_t count,
                          std::uint32_t limit) {
    int level = from;
    while (count > limit && level < 127) {
        count -= histogram[LevelIndex(level)];
        ++level;
    }
    return level;
}

}  // namespace

std::int8_t ReferenceLevel(const LevelHistogram& histogram) {
    std::uint32_t total = 0;
    for (int level = -127; level <= 127; ++level) {
        total += histogram[LevelIndex(level)];
    }
    int loudestEighth = LowestLevelWithAtMost(histogram, -127, total, (total + 8) >> 3);
    int lowerEdge = loudestEighth < -112 ? -127 : loudestEighth - 15;
    std::uint32_t inRange = 0;
    for (int level = lowerEdge; level <= 127; ++level) {
        inRange += histogram[LevelIndex(level)];
    }
    return ClampLevel(LowestLevelWithAtMost(histogram, lowerEdge, inRange, (inRange + 2) >> 1));
}

std::int32_t WeightingCoefficient(std::int32_t corner, std::int32_t rate) {
    if (rate <= 0) {
        return 0;
    }
    return static_cast<std::int32_t>((1.0 - std::exp(-2.0 * std::numbers::pi * corner / rate)) *
                                     256.0);
}
