// Polyphase coefficient table of the sample-rate converter: the rate ratio as a fraction
// step / phases and a Kaiser-windowed sinc per phase.
#pragma once

#include <cstdint>
#include <vector>

// Input frames advanced (`step`, M) per `phases` (N) output frames, N below 256.
struct ResampleRatio {
    std::int32_t phases = 1;
    std::int32_t step = 1;
};

// The first fraction m / n (n = 1..255) within 0.001 of input / output rate, or the closest one;
// ties keep the smaller n. `step` is 0 when the ratio is below 1/510, too small to represent.
ResampleRatio FindResampleRatio(std::int32_t inputRate, std::int32_t outputRate);

struct LResampleTable {
    std::int32_t phases = 1;  // N
    std::int32_t step = 1;    // M
    std::int32_t taps = 0;
    // phases * taps values, phase-major; unity gain is 65,536.
    std::vector<std::int32_t> coefficients;
};

// The converter's table for the two rates (both at least 1) with `taps` taps (odd; this
// program uses 63).
LResampleTable MakeResampleTable(std::int32_t inputRate, std::int32_t outputRate, int taps);
