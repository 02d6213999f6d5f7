// Slowly tracked loudness of the automatic level control: the upper quartile of the last 50
// block levels, followed by a value that rises fast and falls slowly within limits.
#pragma once

#include <array>
#include <cstdint>

#include "audio/level/AutoLevelMath.h"

class LLevelTracker {
public:
    static constexpr int kHistoryLength = 50;
    static constexpr int kQuarter = kHistoryLength / 4;

    // The tracked level may rise only while below `riseLimit` and fall only while above
    // `fallLimit`. The history starts as 50 levels of 0 dB.
    LLevelTracker(std::int8_t riseLimit, std::int8_t fallLimit);

    // Replaces the oldest history entry by `level`, updates the percentile and follows it.
    void Push(std::int8_t level);
    // Moves on one block without a new level (the oldest entry stays) and follows.
    void Advance();

    // The history entry at the index: the oldest one, the next block to be output.
    std::int8_t Next() const { return history[static_cast<std::size_t>(index)]; }
    // The highest level with more than 12 of the 50 history entries at or above it.
    std::int8_t Percentile() const { return percentile; }
    // The tracked level T (the tracked value cut toward zero).
    std::int8_t Tracked() const { return tracked; }
    double TrackedValue() const { return value; }

private:
    void Follow();

    std::int8_t riseLimit;
    std::int8_t fallLimit;
    std::array<std::int8_t, kHistoryLength> history{};
    int index = 0;
    LevelHistogram counts{};
    std::int8_t percentile = 0;
    int atOrAbove = kHistoryLength;  // history entries at or above the percentile
    double value = -2.0;
    std::int8_t tracked = 0;
};
