// Large-block buffering: any piece sizes read and passed on in whole blocks, the rest at the end.
#include "audio/dsp/LBufferedStreams.h"

#include <gtest/gtest.h>

#include "audio/dsp/TestSources.h"

namespace {

TEST(LReadAheadFilterTest, HandsOutTheUpstreamInAnyPiecesAndReadsItInBlocks) {
    for (std::uint8_t channels : {1, 2}) {
        const std::vector<std::int32_t> audio = Noise(1000, 1000, channels);
        auto upstream = MakeCounted<VectorSource>(audio, 8000, channels);
        LReadAheadFilter filter(upstream, 64);
        std::vector<std::int32_t> got;
        for (std::int32_t piece : {1, 7, 64, 100, 3, 200, 625}) {
            const std::vector<std::int32_t> part = ReadAll(filter, piece);
            got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, audio);
        EXPECT_EQ(upstream->reads, 16);  // 1,000 frames in blocks of 64
    }
}

TEST(LWriteBehindSinkTest, PassesWholeBlocksOnAndTheRestWhenReleasedOrTruncated) {
    auto downstream = MakeCounted<TestSink>(8000, 2);
    const std::vector<std::int32_t> audio = Noise(250, 1000, 2);
    {
        LSoundSinkPtr sink = MakeCounted<LWriteBehindSink>(downstream, 100);
        EXPECT_EQ(sink->channels, 2);
        std::size_t frame = 0;
        for (std::int32_t piece : {30, 30, 30, 30, 130}) {
            sink->Write(audio.data() + frame * 2, piece);
            frame += static_cast<std::size_t>(piece);
        }
        EXPECT_EQ(sink->position, 250);
        EXPECT_EQ(downstream->writes, (std::vector<std::int32_t>{100, 100}));
    }
    EXPECT_EQ(downstream->writes, (std::vector<std::int32_t>{100, 100, 50}));
    EXPECT_EQ(downstream->samples, audio);
    auto mono = MakeCounted<TestSink>();
    auto sink = MakeCounted<LWriteBehindSink>(mono, 100);
    sink->Write(audio.data(), 60);
    sink->Truncate(40);
    EXPECT_EQ(sink->position, 40);
    EXPECT_EQ(mono->samples, std::vector<std::int32_t>(audio.begin(), audio.begin() + 40));
}

}  // namespace
