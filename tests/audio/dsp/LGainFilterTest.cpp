// The volume adjustment filter: its gain, its peak bound and its product.
#include "audio/dsp/LGainFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"

namespace {

TEST(GainFilterTest, MultipliesEverySampleByTheTableGain) {
    const std::vector<std::int32_t> input = {524287, -524288, 1, -1, 0, 123456, -98765, 4096};
    struct Row {
        std::int8_t db;
        std::int32_t gain;
    } rows[] = {{2, 21121264}, {-2, 13326616}, {8, 42142461}, {0, 16777216}, {-127, 0}};
    for (const Row& row : rows) {
        auto filter = MakeCounted<LGainFilter>(MakeVectorSource(input, 8000, 2), row.db);
        EXPECT_EQ(filter->gain, row.gain);
        std::vector<std::int32_t> out(input.size());
        filter->Read(out.data(), 4);
        for (std::size_t i = 0; i < input.size(); ++i) {
            EXPECT_EQ(out[i], GainProduct(input[i], row.gain)) << int{row.db} << " dB, " << i;
        }
    }
}

TEST(GainFilterTest, LoudensAToneByItsDecibels) {
    auto filter =
        MakeCounted<LGainFilter>(MakeVectorSource(Sine(500, 8000, 8000, 100000), 8000), 6);
    const std::vector<std::int32_t> out = ReadAll(*filter, 8000);
    EXPECT_NEAR(ToneAmplitude(out, 500, 8000, 0, 8000), 100000 * 1.99526, 5);
}

TEST(GainFilterTest, PeakBoundRisesOnlyForPositiveGain) {
    auto source = MakeVectorSource({}, 8000);
    source->peakBound = 524288;
    EXPECT_EQ(MakeCounted<LGainFilter>(source, 2)->peakBound, 0x200000);
    EXPECT_EQ(MakeCounted<LGainFilter>(source, -2)->peakBound, 524288);
    EXPECT_EQ(MakeCounted<LGainFilter>(source, 0)->peakBound, 524288);
}

}  // namespace
