// The 8.24 gain product, the dB tables, block level and peak, and times as frames.
#include "audio/dsp/SoundLevel.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {

TEST(SoundLevelTest, GainProductMatchesTheThreePartFormula) {
    struct Row {
        std::int32_t x;
        std::int32_t g;
        std::int32_t expected;
    } rows[] = {
        {524288, kUnityGain, 524288},
        {-524288, kUnityGain, -524288},
        {4095, kUnityGain, 4095},  // the low part passes through the middle product exactly
        {-1, kUnityGain, -1},
        {1000000, kUnityGain / 2, 500000},
        {1000000, 2 * kUnityGain, 2000000},
        {123456, 0, 0},
        {0, kMaxGain, 0},
        // 8191 * 8191 / 2^24 = 3.9994, but the middle products are truncated and the low * low
        // product is dropped: 1 * 1 + (0xFFF * 1 >> 12) + (1 * 0xFFF >> 12) = 1.
        {0x1FFF, 0x1FFF, 1},
        {-4096, 0x1800000, -6144},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(GainProduct(row.x, row.g), row.expected) << row.x << " * " << row.g;
    }
}

TEST(SoundLevelTest, GainProductStaysWithinOneOfTheExactProduct) {
    for (std::int32_t x : {-8388607, -524288, -77777, -3, 5, 99999, 524287, 8388607}) {
        for (int db : {-40, -6, 0, 3, 8, 20}) {
            const std::int32_t g = AmplitudeGain(db);
            const double exact = static_cast<double>(x) * g / kUnityGain;
            EXPECT_NEAR(GainProduct(x, g), exact, 3.0) << x << " at " << db << " dB";
        }
    }
}

TEST(SoundLevelTest, TablesHaveTheirFixedEnds) {
    EXPECT_EQ(AmplitudeGain(0), 16777216);
    EXPECT_EQ(PowerGain(0), 16777216);
    EXPECT_EQ(AmplitudeGain(-127), 0);
    EXPECT_EQ(AmplitudeGain(-128), 0);
    EXPECT_EQ(PowerGain(-127), 0);
    EXPECT_EQ(PowerGain(-128), 0);
    EXPECT_EQ(AmplitudeGain(127), 2147483647);
    EXPECT_EQ(PowerGain(127), 2147483647);
    EXPECT_EQ(AmplitudeGain(2), 21121264);
    EXPECT_EQ(AmplitudeGain(-126), 8);  // 10^-6.3 * 2^24 = 8.4
    EXPECT_EQ(PowerGain(10), 167772160);
    EXPECT_EQ(PowerGain(-20), 167772);
    // 10^(42/20) * 2^24 = 2.11e9 still fits; 43 dB does not and is clamped.
    EXPECT_EQ(AmplitudeGain(42), 2112126356);
    EXPECT_EQ(AmplitudeGain(43), 2147483647);
    EXPECT_EQ(PowerGain(21), 2112126356);
    EXPECT_EQ(PowerGain(22), 2147483647);
}

TEST(SoundLevelTest, TablesRiseMonotonically) {
    for (int db = -126; db < 127; ++db) {
        EXPECT_LE(AmplitudeGain(db), AmplitudeGain(db + 1)) << db;
        EXPECT_LE(PowerGain(db), PowerGain(db + 1)) << db;
    }
}

TEST(SoundLevelTest, BlockLevelOfKnownBlocks) {
    const std::vector<std::int32_t> zeros(160, 0);
    EXPECT_EQ(BlockLevel(zeros.data(), zeros.size()), kSilentLevel);
    EXPECT_EQ(BlockLevel(zeros.data(), 0), kSilentLevel);

    // 8,388,626 = 2^23 + 18; samples whose (x >> 5)^2 are 2^24 and 36 average to it.
    const std::vector<std::int32_t> exact = {4096 << 5, 6 << 5};
    EXPECT_EQ(BlockLevel(exact.data(), exact.size()), 0);

    struct Row {
        std::int32_t amplitude;
        int level;
    } rows[] = {
        {92682, 0},                 // RMS of a DC block at 0 dB
        {524288, 15},               // 16-bit full scale DC: 20*log10(524288/92682) = 15.05
        {46341, -6},                // half of 0 dB
        {9268, -20},   {31, -127},  // (31 >> 5) = 0: the block reads as silence
        {32, -127},                 // squares of 1 stay below the 13-bit unit of the sum
        {2912, -30},                // 91^2 = 8,281 per sample: mean square 8,268
        {INT_MAX, 87}, {INT_MIN, 87},
    };
    for (const Row& row : rows) {
        const std::vector<std::int32_t> block(320, row.amplitude);
        EXPECT_EQ(BlockLevel(block.data(), block.size()), row.level) << row.amplitude;
    }
}

TEST(SoundLevelTest, BlockLevelOfASineIsThreeDecibelsBelowItsPeak) {
    std::vector<std::int32_t> sine(8000);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<std::int32_t>(std::lround(131072 * std::sin(i * 0.0785398)));
    }
    // RMS 92,682: exactly 0 dB.
    EXPECT_EQ(BlockLevel(sine.data(), sine.size()), 0);
}

TEST(SoundLevelTest, BlockPeakTakesTheLargerSide) {
    struct Row {
        std::vector<std::int32_t> samples;
        std::int32_t peak;
    } rows[] = {
        {{}, 0},         {{0, 0, 0}, 0},          {{5, -7, 6}, 7},
        {{-5, 9, 6}, 9}, {{INT_MIN, 3}, INT_MAX}, {{INT_MAX, -1}, INT_MAX},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(BlockPeak(row.samples.data(), row.samples.size()), row.peak);
    }
}

TEST(SoundLevelTest, TimeToFramesRoundsTowardZero) {
    struct Row {
        std::int32_t time;
        std::int32_t rate;
        std::int32_t frames;
    } rows[] = {
        {500, 8000, 400},  // 50 ms
        {500, 44100, 2205},
        {10000, 8000, 8000},
        {12345, 44100, 54441},  // 1.2345 s * 44100 = 54,441.45
        {1, 8000, 0},           // 0.8 frames
        {-12345, 44100, -54441},
        {INT_MAX, 8000, 1717986917},
        {INT_MAX, 44100, INT_MAX},  // clamped, not wrapped
        {INT_MIN, 44100, INT_MIN},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TimeToFrames(row.time, row.rate), row.frames) << row.time << " @ " << row.rate;
    }
}

}  // namespace
