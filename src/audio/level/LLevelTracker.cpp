// Slowly tracked loudness of the automatic level control.
#include "audio/level/LLevelTracker.h"

LLevelTracker::LLevelTracker(std::int8_t riseLimit, std::int8_t fallLimit)
    : riseLimit(riseLimit), fallLimit(fallLimit) {
    counts[LevelIndex(0)] = kHistoryLength;
}

void LLevelTracker::Push(std::int8_t level) {
    std::int8_t& slot = history[static_cast<std::size_t>(index)];
    --counts[LevelIndex(slot)];
    if (slot >= percentile) {
        --atOrAbove;
    }
    slot = level;
    ++counts[LevelIndex(level)];
    if (level >= percentile) {
        ++atOrAbove;
    }
    index = (index + 1) % kHistoryLength;

    while (atOrAbove <= kQuarter && percentile > -127) {
        --percentile;
        atOrAbove += static_cast<int>(counts[LevelIndex(percentile)]);
    }
    while (atOrAbove - static_cast<int>(counts[LevelIndex(percentile)]) > kQuarter &&
           percentile < 127) {
        atOrAbove -= static_cast<int>(counts[LevelIndex(percentile)]);
        ++percentile;
    }
    Follow();
}

void LLevelTracker::Advance() {
    index = (index + 1) % kHistoryLength;
    Follow();
}

void LLevelTracker::Follow() {
    std::int8_t next = Next();
    if (next > tracked && tracked < percentile && tracked < riseLimit) {
        value += (percentile - value) / kQuarter;
        tracked = static_cast<std::int8_t>(value);
    }
    if (next < tracked && tracked > percentile && tracked > fallLimit) {
        value += (percentile - value) / kHistoryLength;
        tracked = static_cast<std::int8_t>(value);
    }
}
