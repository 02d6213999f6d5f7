// Mono and stereo conversion: the two filters and the process's choice between them.
#include "audio/dsp/LChannelsProcess.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/LMonoToStereo.h"
#include "audio/dsp/LStereoToMono.h"
#include "audio/dsp/TestSources.h"

namespace {

TEST(ChannelsTest, StereoToMonoKeepsTheFirstChannelForAnyRequestLength) {
    // 40,000 frames read as one request, five times the internal piece of 8,192 frames.
    const std::int32_t frames = 40000;
    const std::vector<std::int32_t> stereo = Noise(frames, 500000, 2);
    auto mono = MakeCounted<LStereoToMono>(MakeVectorSource(stereo, 8000, 2));
    EXPECT_EQ(mono->channels, 1);
    std::vector<std::int32_t> out(frames + 1, -7);
    mono->Read(out.data(), frames);
    for (std::int32_t f = 0; f < frames; ++f) {
        ASSERT_EQ(out[f], stereo[2 * f]) << f;
    }
    EXPECT_EQ(out[frames], -7);  // nothing written past the request
    EXPECT_EQ(mono->GetPosition(), frames);
    EXPECT_EQ(mono->GetLength(), frames);
}

TEST(ChannelsTest, MonoToStereoCopiesEverySampleToBoth) {
    const std::int32_t frames = 20000;
    const std::vector<std::int32_t> mono = Noise(frames, 500000);
    auto stereo = MakeCounted<LMonoToStereo>(MakeVectorSource(mono, 8000, 1));
    EXPECT_EQ(stereo->channels, 2);
    std::vector<std::int32_t> out(2 * frames);
    stereo->Read(out.data(), frames);
    for (std::int32_t f = 0; f < frames; ++f) {
        ASSERT_EQ(out[2 * f], mono[f]) << f;
        ASSERT_EQ(out[2 * f + 1], mono[f]) << f;
    }
}

TEST(ChannelsTest, MonoToStereoOnAnotherLayoutIsInvalid) {
    auto filter = MakeCounted<LMonoToStereo>(MakeVectorSource(Noise(10, 100, 3), 8000, 3));
    EXPECT_TRUE(filter->IsInvalid());
    std::vector<std::int32_t> out(20, 3);
    filter->Read(out.data(), 10);
    EXPECT_EQ(out, std::vector<std::int32_t>(20, 0));
}

TEST(ChannelsTest, ProcessConvertsOnlyBetweenMonoAndStereo) {
    struct Row {
        std::uint8_t from;
        std::uint16_t to;
        bool creates;
    } rows[] = {
        {2, 1, true},  {1, 2, true},  {1, 1, false}, {2, 2, false},
        {2, 0, false}, {3, 1, false}, {1, 3, false}, {6, 2, false},
    };
    for (const Row& row : rows) {
        auto source = MakeVectorSource({}, 8000, row.from);
        LSoundSourcePtr out;
        LChannelsProcess(row.to).Create(out, source);
        EXPECT_EQ(out != source, row.creates) << int{row.from} << " -> " << row.to;
        EXPECT_EQ(out->channels, row.creates ? row.to : row.from);
    }
}

}  // namespace
