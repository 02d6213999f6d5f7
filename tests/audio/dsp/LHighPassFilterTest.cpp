// The telephone high-pass filter: its coefficient, its recurrence and its state per channel.
#include "audio/dsp/LHighPassFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

LCountedPtr<LHighPassFilter> MakeHighPass(std::vector<std::int32_t> samples, std::int32_t rate,
                                          std::int32_t cutoff, std::uint8_t channels = 1) {
    return MakeCounted<LHighPassFilter>(MakeVectorSource(std::move(samples), rate, channels),
                                        cutoff);
}

TEST(HighPassFilterTest, CoefficientAndPeakBound) {
    // (1 - exp(-2 pi cutoff / rate)) * 256: 21 Hz is the smallest cut-off the play process
    // applies, 1,500 Hz the largest on the settings sheet.
    const std::tuple<std::int32_t, std::int32_t, std::int32_t> rows[] = {
        {300, 8000, 53}, {21, 8000, 4}, {1500, 8000, 177}, {300, 44100, 10}, {0, 8000, 0}};
    for (auto [cutoff, rate, coefficient] : rows) {
        EXPECT_EQ(MakeHighPass({}, rate, cutoff)->coefficient, coefficient)
            << cutoff << " " << rate;
    }
    // Only a small peak bound doubles.
    auto source = MakeVectorSource({}, 8000);
    source->peakBound = 0x100000;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x200000);
    source->peakBound = 0x100001;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x100001);
}

TEST(HighPassFilterTest, FollowsTheOnePoleRecurrence) {
    // k = 53: y = x - (s >> 8), then s += y * k, with an arithmetic shift of negative states.
    const std::vector<std::int32_t> input = {100000, 100000, -50000, -900000, 7, 0};
    EXPECT_EQ(ReadAll(*MakeHighPass(input, 8000, 300), 6),
              (std::vector<std::int32_t>{100000, 79297, -87120, -919083, 171203, 135752}));
}

TEST(HighPassFilterTest, KeepsOneStatePerChannel) {
    // Left carries a DC offset, right silence: right must stay silent.
    const std::vector<std::int32_t> left(4000, 300000);
    const std::vector<std::int32_t> out = ReadAll(
        *MakeHighPass(Stereo(left, std::vector<std::int32_t>(4000)), 8000, 300, 2), 4000, 999);
    for (std::size_t f = 0; f < 4000; ++f) {
        ASSERT_EQ(out[2 * f + 1], 0) << f;
    }
    EXPECT_EQ(out[0], 300000);                // the first sample passes whole
    EXPECT_LT(std::abs(out[2 * 3999]), 100);  // the offset has been removed
}

}  // namespace
