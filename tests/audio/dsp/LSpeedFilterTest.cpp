// The play-speed filter: normal speed reproduces the input, position follows the speed
// forwards and backwards, the ramp, and the length seen while winding back past the start.
#include "audio/dsp/LSpeedFilter.h"

#include <gtest/gtest.h>

#include <cstdlib>
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

TEST(SpeedFilterTest, WindowSizeFollowsTheRate) {
    struct Row {
        std::int32_t rate;
        std::int32_t window;
    } rows[] = {{8000, 100}, {44100, 551}, {1000, 20}, {400000, 2730}};
    for (const Row& row : rows) {
        EXPECT_EQ(MakeSpeed({}, row.rate, 1, 1)->windowFrames, row.window) << row.rate;
    }
}

TEST(SpeedFilterTest, NormalSpeedReproducesTheInput) {
    const std::vector<std::int32_t> input = Noise(16000, 500000, 2);
    auto filter = MakeSpeed(input, 8000, 1, 1, 0, 0, 2);
    const std::vector<std::int32_t> out = ReadAll(*filter, 16000, 333);
    for (std::size_t i = 0; i < out.size(); ++i) {
        // Two faded copies of the same sample add up to it within the product's rounding.
        ASSERT_NEAR(out[i], input[i], 3) << i;
    }
    EXPECT_EQ(filter->GetPosition(), 16000);
}

TEST(SpeedFilterTest, PositionMovesAtTheSpeed) {
    struct Row {
        double speed;
        std::int32_t start;
    } rows[] = {{2, 0}, {3, 1000}, {7, 0}, {0.5, 0}, {-1, 40000}, {-3, 40000}, {-7, 79000}};
    for (const Row& row : rows) {
        auto filter =
            MakeSpeed(Sine(330, 8000, 80000, 200000), 8000, row.speed, row.speed, 0, row.start);
        ReadAll(*filter, 4000, 500);
        // The first window plays on at normal speed; each one after it moves by the speed.
        const std::int32_t w = filter->windowFrames;
        const double moved = filter->GetPosition() - row.start;
        EXPECT_NEAR(moved, row.speed * (4000 - w) + w, w) << row.speed;
    }
}

TEST(SpeedFilterTest, FastOutputStaysAToneOfTheInputWaveform) {
    // Overlap-adding windows chosen for continuity keeps the tone's own pitch.
    auto filter = MakeSpeed(Sine(400, 8000, 80000, 200000), 8000, 3, 3);
    const std::vector<std::int32_t> out = ReadAll(*filter, 8000);
    EXPECT_GT(ToneAmplitude(out, 400, 8000, 0, 8000), 200000 * 0.8);
}

TEST(SpeedFilterTest, RampReachesTheEndSpeed) {
    // 0.1 to 3 times over one second, then a second at 3.
    auto filter = MakeSpeed(Sine(330, 8000, 80000, 200000), 8000, 0.1, 3, 10000);
    ReadAll(*filter, 8000);
    const std::int32_t afterRamp = filter->GetPosition();
    EXPECT_GT(afterRamp, 8000 * 0.1);
    EXPECT_LT(afterRamp, 8000 * 3);
    ReadAll(*filter, 8000);
    EXPECT_NEAR(filter->GetPosition() - afterRamp, 3 * 8000, 2 * filter->windowFrames);
}

TEST(SpeedFilterTest, WindingBackPastTheStartEndsTheLength) {
    auto filter = MakeSpeed(Sine(330, 8000, 8000, 200000), 8000, -3, -3, 0, 4000);
    EXPECT_EQ(filter->GetLength(), 8000);
    ReadAll(*filter, 3000);
    const std::int32_t position = filter->GetPosition();
    ASSERT_LT(position, 0);
    EXPECT_EQ(filter->GetLength(), position - 8192);
}

TEST(SpeedFilterTest, SeekStartsAgainThere) {
    auto filter = MakeSpeed(Sine(330, 8000, 40000, 200000), 8000, 1, 1);
    ReadAll(*filter, 1000);
    filter->Seek(20000);
    EXPECT_EQ(filter->GetPosition(), 20000);
    std::int32_t x = 0;
    filter->Read(&x, 1);
    EXPECT_NEAR(x, Sine(330, 8000, 20001, 200000)[20000], 3);
}

TEST(SpeedFilterTest, ProcessAlwaysCreates) {
    auto source = MakeVectorSource({}, 8000);
    source->flags |= kSoundInvalid;
    LSoundSourcePtr out;
    LSpeedProcess(80000, -0.1, -3).Create(out, source);
    ASSERT_NE(out, source);
    EXPECT_TRUE(out->IsInvalid());
    std::int32_t x = 9;
    out->Read(&x, 1);
    EXPECT_EQ(x, 0);
}

}  // namespace
