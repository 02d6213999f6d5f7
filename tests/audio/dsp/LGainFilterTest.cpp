// The volume adjustment filter: its gain, its peak bound and its product.
#include "audio/dsp/LGainFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"

namespace {

TEST(GainFilterTest, MultipliesEverySampleByTheTableGain) {
    const std::vector<std::int32_t> input = {524287, -524288, 1, -1, 0, 123456, -98765, 4096};
    for (auto [db, gain] : {std::pair<std::int8_t, std::int32_t>{2, 21121264},
                            {-2, 13326616},
                            {8, 42142461},
                            {0, 16777216},
                            {-127, 0}}) {
        auto filter = MakeCounted<LGainFilter>(MakeVectorSource(input, 8000, 2), db);
        EXPECT_EQ(filter->gain, gain);
        const std::vector<std::int32_t> out = ReadAll(*filter, 4);
        for (std::size_t i = 0; i < input.size(); ++i) {
            EXPECT_EQ(out[i], GainProduct(input[i], gain)) << int{db} << " dB, " << i;
        }
    }
}

TEST(GainFilterTest, PeakBoundRisesOnlyForPositiveGain) {
    auto source = MakeVectorSource({}, 8000);
    source->peakBound = 524288;
    EXPECT_EQ(MakeCounted<LGainFilter>(source, 2)->peakBound, 0x200000);
    EXPECT_EQ(MakeCounted<LGainFilter>(source, -2)->peakBound, 524288);
    EXPECT_EQ(MakeCounted<LGainFilter>(source, 0)->peakBound, 524288);
}

}  // namespace
