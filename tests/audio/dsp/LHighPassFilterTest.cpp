// The telephone high-pass filter: its coefficient, its recurrence and its state per channel.
#include "audio/dsp/LHighPassFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

TEST(HighPassFilterTest, CoefficientPeakBoundAndTheOnePoleRecurrenceWithOneStatePerChannel) {
    // (1 - exp(-2 pi cutoff / rate)) * 256: 21 Hz is the smallest cut-off the play process
    // applies.
    for (auto [cutoff, rate, coefficient] :
         {std::tuple{300, 8000, 53}, {21, 8000, 4}, {300, 44100, 10}, {0, 8000, 0}}) {
        EXPECT_EQ(MakeCounted<LHighPassFilter>(MakeVectorSource({}, rate), cutoff)->coefficient,
                  coefficient)
            << cutoff << " " << rate;
    }
    // Only a small peak bound doubles.
    auto source = MakeVectorSource({}, 8000);
    source->peakBound = 0x100000;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x200000);
    source->peakBound = 0x100001;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x100001);
    // k = 53: y = x - (s >> 8), then s += y * k, with an arithmetic shift of negative states;
    // the state carries over from one read to the next. The silent right channel stays silent.
    const std::vector<std::int32_t> input = {100000, 100000, -50000, -900000, 7, 0};
    const std::vector<std::int32_t> silence(input.size());
    auto filter =
        MakeCounted<LHighPassFilter>(MakeVectorSource(Stereo(input, silence), 8000, 2), 300);
    EXPECT_EQ(ReadAll(*filter, 6, 4),
              Stereo({100000, 79297, -87120, -919083, 171203, 135752}, silence));
}

}  // namespace
