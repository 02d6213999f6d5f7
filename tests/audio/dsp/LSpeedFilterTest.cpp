// The play-speed filter: normal speed, position at any speed, the ramp and winding back.
#include "audio/dsp/LSpeedFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

LCountedPtr<LSpeedFilter> MakeSpeed(std::vector<std::int32_t> samples, std::int32_t rate,
                                    double start, double end, std::int32_t rampTime = 0,
                                    std::int32_t at = 0, std::uint8_t channels = 1) {
    auto source = MakeVectorSource(std::move(samples), rate, channels);
    source->Seek(at);
    return MakeCounted<LSpeedFilter>(source, rampTime, start, end);
}

TEST(SpeedFilterTest, NormalSpeedReproducesTheInputAndTheWindowFollowsTheRate) {
    for (auto [rate, window] : {std::pair{8000, 100}, {44100, 551}, {1000, 20}, {400000, 2730}}) {
        EXPECT_EQ(MakeSpeed({}, rate, 1, 1)->windowFrames, window) << rate;
    }
    const std::vector<std::int32_t> input = Noise(16000, 500000, 2);
    const std::vector<std::int32_t> out =
        ReadAll(*MakeSpeed(input, 8000, 1, 1, 0, 0, 2), 16000, 333);
    for (std::size_t i = 0; i < out.size(); ++i) {
        // Two faded copies of the same sample add up to it within the product's rounding.
        ASSERT_NEAR(out[i], input[i], 3) << i;
    }
}

// Overlap-adding windows chosen for continuity keeps the tone's own pitch at any speed.
TEST(SpeedFilterTest, PositionMovesAtTheSpeedAndTheOutputStaysAToneOfTheInputWaveform) {
    const std::pair<double, std::int32_t> runs[] = {
        {2.0, 0}, {3.0, 1000}, {7.0, 0}, {0.5, 0}, {-1.0, 40000}, {-3.0, 40000}, {-7.0, 79000}};
    for (auto [speed, start] : runs) {
        auto filter = MakeSpeed(Sine(330, 8000, 80000, 200000), 8000, speed, speed, 0, start);
        const std::vector<std::int32_t> out = ReadAll(*filter, 4000, 500);
        // The first window plays on at normal speed; each one after it moves by the speed.
        const std::int32_t w = filter->windowFrames;
        EXPECT_NEAR(filter->GetPosition() - start, speed * (4000 - w) + w, w) << speed;
        EXPECT_GT(ToneAmplitude(out, 330, 8000, 0, 4000), 200000 * 0.8) << speed;
    }
}

TEST(SpeedFilterTest, RampReachesTheEndSpeedAndWindingBackPastTheStartEndsTheLength) {
    // 0.1 to 3 times over one second, then a second at 3.
    auto filter = MakeSpeed(Sine(330, 8000, 80000, 200000), 8000, 0.1, 3, 10000);
    ReadAll(*filter, 8000);
    const std::int32_t afterRamp = filter->GetPosition();
    EXPECT_GT(afterRamp, 8000 * 0.1);
    EXPECT_LT(afterRamp, 8000 * 3);
    ReadAll(*filter, 8000);
    EXPECT_NEAR(filter->GetPosition() - afterRamp, 3 * 8000, 2 * filter->windowFrames);
    // Winding back past the start makes the length end where the position is.
    filter = MakeSpeed(Sine(330, 8000, 8000, 200000), 8000, -3, -3, 0, 4000);
    EXPECT_EQ(filter->GetLength(), 8000);
    ReadAll(*filter, 3000);
    const std::int32_t position = filter->GetPosition();
    ASSERT_LT(position, 0);
    EXPECT_EQ(filter->GetLength(), position - 8192);
}

}  // namespace
