// The 8.24 gain product, the dB tables, block level and peak, and times as frames.
#include "audio/dsp/SoundLevel.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

TEST(SoundLevelTest, GainProductIsTheThreePartFormulaWithinOneOfTheExactProduct) {
    // 4,095 passes through the middle product exactly; 0x1FFF * 0x1FFF / 2^24 = 3.9994, but the
    // middle products are truncated and low * low is dropped: 1 * 1 + (0xFFF * 1 >> 12) * 2 = 1.
    for (auto [x, g, product] : {std::tuple{-524288, kUnityGain, -524288},
                                 {4095, kUnityGain, 4095},
                                 {-1, kUnityGain, -1},
                                 {0x1FFF, 0x1FFF, 1},
                                 {-4096, 0x1800000, -6144}}) {
        EXPECT_EQ(GainProduct(x, g), product) << x << " * " << g;
    }
    for (std::int32_t x : {-8388607, -524288, -77777, -3, 5, 99999, 524287, 8388607}) {
        for (int db : {-40, -6, 0, 3, 8, 20}) {
            const std::int32_t g = AmplitudeGain(db);
            EXPECT_NEAR(GainProduct(x, g), double(x) * g / kUnityGain, 3.0) << x << " at " << db;
        }
    }
}

TEST(SoundLevelTest, TablesFollowTheDecibelsAndClampAtTheEnds) {
    // 10^(42/20) * 2^24 = 2.11e9 still fits; 43 dB does not and is clamped. 10^-6.3 * 2^24 = 8.4.
    const std::pair<int, std::int32_t> amplitude[] = {{0, 16777216},    {-127, 0},     {-128, 0},
                                                      {127, INT_MAX},   {2, 21121264}, {-126, 8},
                                                      {42, 2112126356}, {43, INT_MAX}};
    const std::pair<int, std::int32_t> power[] = {{0, 16777216}, {-127, 0},        {-128, 0},
                                                  {-20, 167772}, {21, 2112126356}, {22, INT_MAX}};
    for (auto [db, gain] : amplitude) {
        EXPECT_EQ(AmplitudeGain(db), gain) << db;
    }
    for (auto [db, gain] : power) {
        EXPECT_EQ(PowerGain(db), gain) << db;
    }
}

TEST(SoundLevelTest, BlockLevelAndPeak) {
    EXPECT_EQ(BlockLevel(nullptr, 0), kSilentLevel);
    // DC blocks: 92,682 is 0 dB and 16-bit full scale 20 log10(524288 / 92682) = 15.05; below
    // 32 the block reads as silence ((31 >> 5) = 0, and squares of 1 stay below the 13-bit unit
    // of the sum).
    const std::pair<std::int32_t, int> levels[] = {{92682, 0},    {524288, 15}, {46341, -6},
                                                   {0, -127},     {31, -127},   {32, -127},
                                                   {INT_MAX, 87}, {INT_MIN, 87}};
    for (auto [amplitude, level] : levels) {
        const std::vector<std::int32_t> block(320, amplitude);
        EXPECT_EQ(BlockLevel(block.data(), block.size()), level) << amplitude;
    }
    const std::pair<std::vector<std::int32_t>, std::int32_t> peaks[] = {
        {{}, 0}, {{5, -7, 6}, 7}, {{INT_MIN, 3}, INT_MAX}, {{INT_MAX, -1}, INT_MAX}};
    for (const auto& [samples, peak] : peaks) {
        EXPECT_EQ(BlockPeak(samples.data(), samples.size()), peak);
    }
}

TEST(SoundLevelTest, TimesAndFramesConvertRoundingTowardZeroAndClamp) {
    // 1.2345 s * 44,100 = 54,441.45; 1 ms at 8 kHz is 0.8 frames.
    const std::tuple<std::int32_t, std::int32_t, std::int32_t> rows[] = {
        {500, 8000, 400},         {12345, 44100, 54441},       {1, 8000, 0},
        {-12345, 44100, -54441},  {INT_MAX, 8000, 1717986917}, {INT_MAX, 44100, INT_MAX},
        {INT_MIN, 44100, INT_MIN}};
    for (auto [time, rate, frames] : rows) {
        EXPECT_EQ(TimeToFrames(time, rate), frames) << time << " @ " << rate;
    }
    // Back: 54,441 frames are 1.23448 s; no rate gives no time.
    for (auto [frames, rate, time] :
         {std::tuple{54441, 44100, 12344}, {-54441, 44100, -12344}, {INT_MAX, 1, INT_MAX}}) {
        EXPECT_EQ(FramesToTime(frames, rate), time) << frames << " @ " << rate;
    }
    EXPECT_EQ(FramesToTime(100, 0), 0);
}

}  // namespace
