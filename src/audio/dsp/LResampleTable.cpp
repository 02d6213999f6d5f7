// Polyphase coefficient table of the sample-rate converter.
#include "audio/dsp/LResampleTable.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace {

// Modified Bessel function of order 0 by its first seven series terms.
double BesselI0(double x) {
    const double x2 = x * x;
    double term = 1.0;
    double sum = 1.0;
    for (int k = 1; k <= 6; ++k) {
        term = term * x2 / (4.0 * k * k);
        sum += term;
    }
    return sum;
}

}  // namespace

ResampleRatio FindResampleRatio(std::int32_t inputRate, std::int32_t outputRate) {
    const long double ratio = static_cast<long double>(inputRate) / outputRate;
    std::int32_t phases = 1;
    long double best = ratio;
    for (int n = 1; n <= 255; ++n) {
        const auto m = static_cast<std::uint16_t>(static_cast<std::uint64_t>(n * ratio + 0.5L));
        const long double error = std::fabs(ratio - static_cast<long double>(m) / n);
        if (error < best) {
            phases = n;
            if (error < 0.001L) {
                break;
            }
            best = error;
        }
    }
    const long double step = std::trunc(phases * ratio + 0.5L);
    return {phases, static_cast<std::int32_t>(
                        std::min<long double>(step, std::numeric_limits<std::int32_t>::max()))};
}

LResampleTable MakeResampleTable(std::int32_t inputRate, std::int32_t outputRate, int taps) {
    const ResampleRatio ratio = FindResampleRatio(inputRate, outputRate);
    LResampleTable table{ratio.phases, ratio.step, taps, {}};
    table.coefficients.resize(static_cast<std::size_t>(table.phases) * taps);

    const int half = taps >> 1;
    double cutoff = 1.0 - 1.6 / taps;
    double beta = 2.12;
    if (inputRate >= outputRate) {
        const double relative = static_cast<double>(outputRate) / inputRate;
        cutoff = relative - 3.0 / taps;
        beta = 4.538;
        // Above a ratio of 10.5 the margin would take more than half the band, and from 21 on
        // (192 kHz files to 8 kHz) it leaves a cut-off near or below zero, a muted or inverted
        // output. Half the band is always kept.
        cutoff = std::max(cutoff, relative / 2);
    }
    const double scale = cutoff * 65536 / BesselI0(beta);
    const double edge = static_cast<double>(half + 1) * (half + 1);
    for (int p = 0; p < table.phases; ++p) {
        const double fraction = static_cast<double>(p) / table.phases;
        for (int j = 0; j < taps; ++j) {
            const double t = (j - half) - fraction;
            double v;
            if (t == 0) {
                v = cutoff * 65536 + 0.5;
            } else {
                const double a = t * std::numbers::pi * cutoff;
                const double h = std::sin(a) / a * scale;
                const double w = BesselI0(beta * std::sqrt(1.0 - t * t / edge));
                v = h * w;
                v = v >= 0 ? v + 0.5 : v - 0.5;
            }
            table.coefficients[static_cast<std::size_t>(p) * taps + j] =
                static_cast<std::int32_t>(v);
        }
    }
    return table;
}
