// The static rules of the automatic level control: weighting coefficients, the gain curve and
// the reference level of a histogram.
#include "audio/level/AutoLevelMath.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

TEST(AutoLevelMathTest, WeightingFollowsTheCornerAndRateAndTheGainCurveIsFlatThenFallsClamped) {
    // trunc(0.2099 * 256), trunc(0.5785 * 256); no rate, no filter.
    for (auto [corner, rate, coefficient] :
         {std::tuple{300, 8000, 53}, {2200, 16000, 148}, {300, 0, 0}}) {
        EXPECT_EQ(WeightingCoefficient(corner, rate), coefficient) << corner << " Hz at " << rate;
    }
    // The queue's curve: flat at -6 * -0.5 = 3 dB, half a dB less per dB up to +2, then 1 dB
    // per dB; relative levels outside the table are clamped to its ends.
    const GainCurve curve = MakeGainCurve(-6, -0.5, 2);
    const std::pair<int, int> rows[] = {{-300, 3}, {-6, 3}, {-5, 3},     {-4, 2},    {0, 0},
                                        {2, -1},   {3, -2}, {127, -126}, {300, -126}};
    for (auto [x, gain] : rows) {
        EXPECT_EQ(CurveGain(curve, x), gain) << "x = " << x;
    }
    // The flat part of -100 * -2 = 200 dB is held at 127; the slope then falls 2 dB per dB to 0
    // at the upper knee and 1 dB per dB after it.
    const GainCurve steep = MakeGainCurve(-100, -2.0, 0);
    for (auto [x, gain] : {std::pair{-128, 127}, {-64, 127}, {-63, 126}, {0, 0}, {127, -127}}) {
        EXPECT_EQ(CurveGain(steep, x), gain) << "x = " << x;
    }
    EXPECT_EQ(CurveGain(MakeGainCurve(100, -2.0, 120), -128), -127);
}

LevelHistogram Histogram(std::initializer_list<std::pair<int, std::uint32_t>> counts) {
    LevelHistogram histogram{};
    for (auto [level, count] : counts) {
        histogram[LevelIndex(level)] = count;
    }
    return histogram;
}

TEST(AutoLevelMathTest, ReferenceLevelIsTheMedianNearTheLoudestEighth) {
    struct Row {
        const char* what;
        LevelHistogram histogram;
        int reference;
    } rows[] = {
        // No blocks: the search stops at once.
        {"empty", Histogram({}), -127},
        // The loudest eighth (13 of 100) starts above -10; the quiet blocks lie more than 15 dB
        // below and do not count.
        {"quiet blocks ignored", Histogram({{-40, 70}, {-10, 30}}), -9},
        // Twelve loud blocks of 100 fit within the eighth: it starts just above the quiet
        // blocks, so they count too and hold the median.
        {"eighth edge", Histogram({{-40, 88}, {-10, 12}}), -39},
        // All within 15 dB of the loudest eighth: the median of all, the lowest level with at most
        // half of the blocks at or above it.
        {"spread", Histogram({{-30, 30}, {-25, 30}, {-18, 40}}), -24},
        {"silence", Histogram({{-127, 50}}), -126},  // the edge is -127 itself
        {"loudest possible", Histogram({{127, 10}}), 127},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReferenceLevel(row.histogram), row.reference) << row.what;
    }
}

}  // namespace
