// The volume adjustment filter: its gain, its peak bound and its product.
#include "audio/dsp/LGainFilter.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"

namespace {

TEST(GainFilterTest, MultipliesEverySampleByTheTableGainAndRaisesThePeakBoundOnlyForGain) {
    const std::vector<std::int32_t> input = {524287, -524288, 1, -1, 0, 123456, -98765, 4096};
    for (std::int8_t db : {2, 0, -2, -127}) {
        auto source = MakeVectorSource(input, 8000, 2);
        source->peakBound = 524288;
        auto filter = MakeCounted<LGainFilter>(source, db);
        EXPECT_EQ(filter->peakBound, db > 0 ? kDefaultPeakBound : 524288) << int{db};
        const std::vector<std::int32_t> out = ReadAll(*filter, 4);
        for (std::size_t i = 0; i < input.size(); ++i) {
            EXPECT_EQ(out[i], GainProduct(input[i], AmplitudeGain(db))) << int{db} << " dB, " << i;
        }
    }
}

}  // namespace
