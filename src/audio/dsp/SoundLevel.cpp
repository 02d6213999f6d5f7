// Level arithmetic: the dB gain tables, block level and peak, times as frames.
#include "audio/dsp/SoundLevel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

using GainTable = std::array<std::int32_t, 256>;

// Entries for -126..127 dB of 10^(db * exponentScale); -128 and -127 mean silence.
GainTable MakeGainTable(double exponentScale) {
    GainTable table{};
    for (int db = -126; db <= 127; ++db) {
        const double value = std::pow(10.0, db * exponentScale) * kUnityGain + 0.5;
        table[db + 128] = value >= kMaxGain ? kMaxGain : static_cast<std::int32_t>(value);
    }
    return table;
}

// Built on first use (thread-safe) and read-only afterwards.
const GainTable& AmplitudeTable() {
    static const GainTable table = MakeGainTable(0.05);
    return table;
}

const GainTable& PowerTable() {
    static const GainTable table = MakeGainTable(0.1);
    return table;
}

int TableIndex(int db) {
    return std::clamp(db, -128, 127) + 128;
}

}  // namespace

std::int32_t AmplitudeGain(int db) {
    return AmplitudeTable()[TableIndex(db)];
}

std::int32_t PowerGain(int db) {
    return PowerTable()[TableIndex(db)];
}

std::int8_t BlockLevel(const std::int32_t* samples, std::size_t count) {
    if (count == 0) {
        return kSilentLevel;
    }
    // The squares are summed in two parts (above and below 2^13) and the division keeps 13
    // fractional bits, so that long blocks of loud audio cannot overflow.
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t x = samples[i] >> 5;
        const auto square = static_cast<std::uint64_t>(x * x);
        high += square >> 13;
        low += square & 0x1FFF;
    }
    const std::uint64_t sum = high + (low >> 13);
    const std::uint64_t meanSquare = ((sum / count) << 13) + (((sum % count) << 13) / count);
    if (meanSquare == 0) {
        return kSilentLevel;
    }
    const double db = 10.0 * std::log10(static_cast<double>(meanSquare) / kZeroDBMeanSquare);
    const double rounded = std::trunc(meanSquare < kZeroDBMeanSquare ? db - 0.5 : db + 0.5);
    return static_cast<std::int8_t>(std::clamp(rounded, -127.0, 127.0));
}

std::int32_t BlockPeak(const std::int32_t* samples, std::size_t count) {
    std::int64_t peak = 0;
    for (std::size_t i = 0; i < count; ++i) {
        peak = std::max(peak, std::abs(static_cast<std::int64_t>(samples[i])));
    }
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(peak, std::numeric_limits<std::int32_t>::max()));
}

std::int32_t TimeToFrames(std::int32_t time, std::int32_t rate) {
    const std::int64_t frames = static_cast<std::int64_t>(time / 10000) * rate +
                                static_cast<std::int64_t>(time % 10000) * rate / 10000;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(frames, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
}

std::int32_t FramesToTime(std::int32_t frames, std::int32_t rate) {
    if (rate <= 0) {
        return 0;
    }
    const std::int64_t time = static_cast<std::int64_t>(frames / rate) * 10000 +
                              static_cast<std::int64_t>(frames % rate) * 10000 / rate;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        time, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}
