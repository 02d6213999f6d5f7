// Large-block buffering: the same audio in any piece sizes, positions that count what was handed
// out, and everything passed on by the time the sink goes.
#include "audio/dsp/LBufferedStreams.h"

#include <gtest/gtest.h>

#include <numeric>

#include "audio/dsp/TestSources.h"

namespace {

std::vector<std::int32_t> Ramp(std::size_t count) {
    std::vector<std::int32_t> v(count);
    std::iota(v.begin(), v.end(), 1);
    return v;
}

TEST(LReadAheadFilterTest, HandsOutTheUpstreamInAnyPiecesAndReadsItInBlocks) {
    for (std::uint8_t channels : {1, 2}) {
        auto upstream = MakeCounted<VectorSource>(Ramp(1000u * channels), 8000, channels);
        LReadAheadFilter filter(upstream, 64);
        std::vector<std::int32_t> got;
        std::int32_t frames = 0;
        for (std::int32_t piece : {1, 7, 64, 100, 3, 200, 625}) {
            std::vector<std::int32_t> buffer(static_cast<std::size_t>(piece) * channels);
            filter.Read(buffer.data(), piece);
            got.insert(got.end(), buffer.begin(), buffer.end());
            frames += piece;
            EXPECT_EQ(filter.GetPosition(), frames);
        }
        EXPECT_EQ(got, Ramp(1000u * channels));
        EXPECT_EQ(filter.GetLength(), 1000);
        // 1,000 frames in blocks of 64: 16 reads.
        EXPECT_EQ(upstream->reads, 16);
    }
}

TEST(LReadAheadFilterTest, SeekDropsWhatIsHeld) {
    auto upstream = MakeCounted<VectorSource>(Ramp(500), 8000, 1);
    LReadAheadFilter filter(upstream, 100);
    std::int32_t x[10];
    filter.Read(x, 10);
    filter.Seek(250);
    EXPECT_EQ(filter.GetPosition(), 250);
    filter.Read(x, 10);
    EXPECT_EQ(x[0], 251);
    EXPECT_EQ(x[9], 260);
}

class VectorSink : public LSoundSink {
public:
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        samples.insert(samples.end(), buffer,
                       buffer + static_cast<std::ptrdiff_t>(frames) * channels);
        writes.push_back(frames);
        position += frames;
    }
    void Truncate(std::int32_t frames) override {
        samples.resize(static_cast<std::size_t>(frames) * channels);
        position = frames;
    }
    std::vector<std::int32_t> samples;
    std::vector<std::int32_t> writes;
};

TEST(LWriteBehindSinkTest, PassesWholeBlocksOnAndTheRestWhenReleased) {
    auto downstream = MakeCounted<VectorSink>();
    downstream->channels = 2;
    const std::vector<std::int32_t> audio = Ramp(2 * 250);
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
}

TEST(LWriteBehindSinkTest, TruncatePassesWhatIsHeldFirst) {
    auto downstream = MakeCounted<VectorSink>();
    auto sink = MakeCounted<LWriteBehindSink>(downstream, 100);
    const std::vector<std::int32_t> audio = Ramp(60);
    sink->Write(audio.data(), 60);
    sink->Truncate(40);
    EXPECT_EQ(sink->position, 40);
    EXPECT_EQ(downstream->samples, std::vector<std::int32_t>(audio.begin(), audio.begin() + 40));
}

}  // namespace
