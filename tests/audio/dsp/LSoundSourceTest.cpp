// Counted references, the filter construction rule and the sink filter base.
#include "audio/dsp/LSoundSource.h"

#include <gtest/gtest.h>

#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

TEST(CountedPtrTest, CountsEveryCopyAndFreesAtZero) {
    int alive = 0;
    LSoundSourcePtr a = MakeVectorSource({1, 2, 3}, 8000, 1, &alive);
    EXPECT_EQ(a->refCount, 1);
    {
        LSoundSourcePtr b = a;
        LSoundSourcePtr c = std::move(b);
        c = c;  // self-assignment keeps the count
        EXPECT_FALSE(b);
        EXPECT_EQ(a->refCount, 2);
    }
    LSoundSourcePtr d;
    d = a;
    EXPECT_EQ(a->refCount, 2);
    a.Release();
    EXPECT_EQ(std::tuple(bool(a), alive, d->refCount), std::tuple(false, 1, 1));
    d = nullptr;
    EXPECT_EQ(alive, 0);
}

TEST(SoundFilterTest, ConstructionRuleAndForwarding) {
    // An unusable rate becomes 44,100 Hz and no channels one, and either marks the filter invalid.
    const std::tuple<bool, std::int32_t, std::uint8_t, std::int32_t, int, bool> rows[] = {
        {true, 8000, 2, 8000, 2, false},
        {true, 0, 1, 44100, 1, true},
        {true, 8000, 0, 8000, 1, true},
        {false, 0, 0, 44100, 1, true}};
    for (auto [hasUpstream, rate, channels, filterRate, filterChannels, invalid] : rows) {
        LSoundSourcePtr up;
        if (hasUpstream) {
            up = MakeVectorSource({}, rate, channels);
            up->peakBound = 1234;
        }
        LCountedPtr<LSoundFilter> filter = MakeCounted<LSoundFilter>(up);
        EXPECT_EQ(std::tuple(filter->sampleRate, int{filter->channels}, filter->IsInvalid()),
                  std::tuple(filterRate, filterChannels, invalid));
        EXPECT_EQ(filter->peakBound, hasUpstream ? 1234 : kDefaultPeakBound);
        EXPECT_EQ(up ? up->refCount : 2, 2);  // the filter holds one
    }
    auto plain = MakeCounted<LSoundFilter>(MakeVectorSource({5, 6, 7, 8}, 8000, 2));
    EXPECT_EQ(ReadAll(*plain, 2), (std::vector<std::int32_t>{5, 6, 7, 8}));
}

TEST(SoundSinkTest, SinkFilterForwardsAndFollowsItsDownstream) {
    auto sink = MakeCounted<TestSink>(11025, 2);
    auto filter = MakeCounted<LSoundSinkFilter>(LSoundSinkPtr(sink));
    EXPECT_EQ(std::tuple(filter->sampleRate, int{filter->channels}, int{filter->flags}),
              std::tuple(11025, 2, int{kSinkCreated}));
    EXPECT_EQ(sink->refCount, 2);
    const std::int32_t data[] = {1, 2, 3, 4, 5, 6};
    filter->Write(data, 3);
    EXPECT_EQ(filter->position, 3);
    EXPECT_EQ(sink->samples, std::vector<std::int32_t>(data, data + 6));
    filter->Truncate(1);
    EXPECT_EQ(filter->position, 1);
    EXPECT_EQ(sink->samples, (std::vector<std::int32_t>{1, 2}));
    // Without a downstream: telephone line audio.
    auto alone = MakeCounted<LSoundSinkFilter>(LSoundSinkPtr());
    EXPECT_EQ(std::tuple(alone->sampleRate, int{alone->channels}), std::tuple(8000, 1));
}

}  // namespace
