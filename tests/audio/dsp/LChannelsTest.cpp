// Mono and stereo conversion: stereo keeps its first channel, mono goes to both.
#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/LMonoToStereo.h"
#include "audio/dsp/LStereoToMono.h"
#include "audio/dsp/TestSources.h"

namespace {

TEST(ChannelsTest, StereoToMonoKeepsTheFirstChannelAndMonoToStereoCopiesToBoth) {
    // One request of five times the filter's internal piece of 8,192 frames.
    const std::vector<std::int32_t> left = Noise(40000, 500000);
    auto mono = MakeCounted<LStereoToMono>(
        MakeVectorSource(Stereo(left, Noise(40000, 500000, 1, 2)), 8000, 2));
    EXPECT_EQ(mono->channels, 1);
    std::vector<std::int32_t> out(40001, -7);
    mono->Read(out.data(), 40000);
    EXPECT_EQ(out.back(), -7);  // nothing written past the request
    out.pop_back();
    EXPECT_EQ(out, left);
    // Mono goes to both channels; other layouts are refused.
    const std::vector<std::int32_t> one = Noise(20000, 500000);
    auto stereo = MakeCounted<LMonoToStereo>(MakeVectorSource(one, 8000, 1));
    EXPECT_EQ(stereo->channels, 2);
    EXPECT_EQ(ReadAll(*stereo, 20000, 20000), Stereo(one, one));
    auto three = MakeCounted<LMonoToStereo>(MakeVectorSource(Noise(10, 100, 3), 8000, 3));
    EXPECT_TRUE(three->IsInvalid());
    EXPECT_EQ(ReadAll(*three, 10), std::vector<std::int32_t>(20, 0));
}

}  // namespace
