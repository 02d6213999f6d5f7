// The static rules of the automatic level control: weighting coefficients, the gain curve and
// the reference level of a histogram.
#include "audio/level/AutoLevelMath.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

namespace {

TEST(AutoLevelMathTest, WeightingCoefficientsFollowTheCornerAndRate) {
    struct Row {
        std::int32_t corner;
        std::int32_t rate;
        std::int32_t coefficient;
    } rows[] = {
        {300, 8000, 53},     // trunc(0.2099 * 256)
        {2200, 8000, 210},   // trunc(0.8224 * 256)
        {300, 16000, 28},    // trunc(0.1111 * 256)
        {2200, 16000, 148},  // trunc(0.5785 * 256)
        {300, 0, 0},        {2200, -8000, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WeightingCoefficient(row.corner, row.rate), row.coefficient)
            << row.corner << " Hz at " << row.rate;
    }
}

TEST(AutoLevelMathTest, GainCurveOfTheQueueArguments) {
    const GainCurve curve = MakeGainCurve(-6, -0.5, 2);
    struct Row {
        int x;
        int gain;
    } rows[] = {
        {-128, 3}, {-127, 3}, {-40, 3}, {-6, 3}, {-5, 3}, {-4, 2},  {-3, 2},     {-2, 1},
        {-1, 1},   {0, 0},    {1, -1},  {2, -1}, {3, -2}, {10, -9}, {126, -125}, {127, -126},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(CurveGain(curve, row.x), row.gain) << "x = " << row.x;
    }
}

TEST(AutoLevelMathTest, GainCurveEntriesAreClampedAndItsIndexToo) {
    // The flat part of -100 * -2 = 200 dB is held at 127; the slope then falls 2 dB per dB to 0
    // at the upper knee and 1 dB per dB after it.
    const GainCurve steep = MakeGainCurve(-100, -2.0, 0);
    EXPECT_EQ(CurveGain(steep, -128), 127);
    EXPECT_EQ(CurveGain(steep, -64), 127);
    EXPECT_EQ(CurveGain(steep, -63), 126);
    EXPECT_EQ(CurveGain(steep, -50), 100);
    EXPECT_EQ(CurveGain(steep, 0), 0);
    EXPECT_EQ(CurveGain(steep, 127), -127);
    EXPECT_EQ(CurveGain(MakeGainCurve(100, -2.0, 120), -128), -127);
    // Relative levels outside the table are clamped to its ends.
    const GainCurve curve = MakeGainCurve(-6, -0.5, 2);
    EXPECT_EQ(CurveGain(curve, -300), 3);
    EXPECT_EQ(CurveGain(curve, 300), -126);
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
        // One level: the lowest level with at most half of the blocks at or above it is the
        // next one up.
        {"one level", Histogram({{-20, 100}}), -19},
        // The loudest eighth (13 of 100) starts above -10; the quiet blocks lie more than 15 dB
        // below and do not count.
        {"quiet blocks ignored", Histogram({{-40, 70}, {-10, 30}}), -9},
        // Twelve loud blocks of 100 fit within the eighth (13): it starts just above the quiet
        // blocks, so they count too and hold the median.
        {"eighth edge", Histogram({{-40, 88}, {-10, 12}}), -39},
        // All within 15 dB of the loudest eighth: the median of all.
        {"spread", Histogram({{-30, 30}, {-25, 30}, {-18, 40}}), -24},
        // Digital silence: the edge is -127 itself.
        {"silence", Histogram({{-127, 50}}), -126},
        {"loudest possible", Histogram({{127, 10}}), 127},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ReferenceLevel(row.histogram), row.reference) << row.what;
    }
}

}  // namespace
