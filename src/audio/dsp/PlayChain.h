// The telephone play process: the chain every prompt and on-hold file passes through before it
// is played onto the line.
#pragma once

#include <cstdint>

#include "audio/dsp/LSoundSource.h"

// The compressor's gain factor per dB above its threshold, 10^(-1/30): -2/3 dB of gain per dB
// of level, a 3:1 ratio.
inline constexpr double kPlayCompressorSlope = 0.9261187281287935;
// The compressor's block time, 50 ms in 1/10,000 s.
inline constexpr std::int32_t kPlayCompressorBlockTime = 500;

// Applies, in this order, a high-pass filter when `highPass` (Hz) is above 20, the compressor
// when `compressorThreshold` (dB) is below -2, and a gain when `gain` (dB) is at least 2 or at
// most -2. Returns an empty reference when `source` is missing or invalid: there is no chain
// to play then.
LSoundSourcePtr BuildPlayChain(const LSoundSourcePtr& source, std::int32_t highPass,
                               std::int8_t compressorThreshold, std::int8_t gain);
