// Counted references, the filter construction rule, the process pass-through rule and the sink
// filter base.
#include "audio/dsp/LSoundSource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/TestSources.h"

namespace {

// Wraps every valid source in a plain filter.
class PlainFilterProcess : public LSoundProcess {
public:
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override {
        if (!PassThrough(out, in)) {
            out = MakeCounted<LSoundFilter>(in);
        }
    }
};

TEST(CountedPtrTest, CountsEveryCopyAndFreesAtZero) {
    int alive = 0;
    LSoundSourcePtr a = MakeVectorSource({1, 2, 3}, 8000, 1, &alive);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->refCount, 1);
    {
        LSoundSourcePtr b = a;
        EXPECT_EQ(a->refCount, 2);
        LSoundSourcePtr c = std::move(b);
        EXPECT_FALSE(b);
        EXPECT_EQ(a->refCount, 2);
        c = c;  // self-assignment keeps the count
        EXPECT_EQ(a->refCount, 2);
    }
    EXPECT_EQ(a->refCount, 1);
    LSoundSourcePtr d;
    d = a;
    EXPECT_EQ(a->refCount, 2);
    a.Release();
    EXPECT_FALSE(a);
    EXPECT_EQ(alive, 1);
    EXPECT_EQ(d->refCount, 1);
    d = nullptr;
    EXPECT_EQ(alive, 0);
}

TEST(CountedPtrTest, ConvertsFromADerivedReference) {
    int alive = 0;
    {
        LCountedPtr<VectorSource> derived =
            MakeCounted<VectorSource>(std::vector<std::int32_t>{1}, 8000, 1, &alive);
        LSoundSourcePtr base = derived;
        EXPECT_EQ(base->refCount, 2);
        LSoundSourcePtr moved = std::move(derived);
        EXPECT_FALSE(derived);
        EXPECT_EQ(moved->refCount, 2);
    }
    EXPECT_EQ(alive, 0);
}

TEST(CountedPtrTest, ReleasingTheHeadOfAChainFreesEveryLink) {
    int alive = 0;
    LSoundSourcePtr head = MakeVectorSource({1, 2, 3}, 8000, 1, &alive);
    VectorSource* file = static_cast<VectorSource*>(head.Get());
    PlainFilterProcess process;
    for (int i = 0; i < 3; ++i) {
        process.Create(head, head);  // the chain replaces its head, as callers build it
    }
    EXPECT_EQ(head->refCount, 1);
    EXPECT_EQ(file->refCount, 1);  // held only by the first filter
    head.Release();
    EXPECT_EQ(alive, 0);
}

TEST(SoundFilterTest, ConstructionRule) {
    struct Row {
        bool hasUpstream;
        std::int32_t rate;
        std::uint8_t channels;
        bool upstreamInvalid;
        std::int32_t expectedRate;
        std::uint8_t expectedChannels;
        bool expectedInvalid;
    } rows[] = {
        {true, 8000, 2, false, 8000, 2, false}, {true, 0, 1, false, 44100, 1, true},
        {true, -5, 1, false, 44100, 1, true},   {true, 8000, 0, false, 8000, 1, true},
        {true, 22050, 1, true, 22050, 1, true}, {false, 0, 0, false, 44100, 1, true},
    };
    for (const Row& row : rows) {
        LSoundSourcePtr up;
        if (row.hasUpstream) {
            up = MakeVectorSource({}, row.rate, row.channels);
            up->peakBound = 1234;
            if (row.upstreamInvalid) {
                up->flags |= kSoundInvalid;
            }
        }
        LCountedPtr<LSoundFilter> filter = MakeCounted<LSoundFilter>(up);
        EXPECT_EQ(filter->sampleRate, row.expectedRate);
        EXPECT_EQ(filter->channels, row.expectedChannels);
        EXPECT_EQ(filter->IsInvalid(), row.expectedInvalid);
        EXPECT_EQ(filter->peakBound, row.hasUpstream ? 1234 : kDefaultPeakBound);
        if (up) {
            EXPECT_EQ(up->refCount, 2);  // the filter holds one
        }
    }
}

TEST(SoundFilterTest, InvalidFilterReadsSilenceAndPlainFilterForwards) {
    auto up = MakeVectorSource({5, 6, 7, 8}, 8000, 2);
    auto filter = MakeCounted<LSoundFilter>(LSoundSourcePtr(up));
    std::vector<std::int32_t> out(4, -1);
    filter->Read(out.data(), 2);
    EXPECT_EQ(out, (std::vector<std::int32_t>{5, 6, 7, 8}));
    EXPECT_EQ(filter->GetPosition(), 2);
    EXPECT_EQ(filter->GetLength(), 2);
    filter->Seek(1);
    EXPECT_EQ(up->GetPosition(), 1);

    auto orphan = MakeCounted<LSoundFilter>(LSoundSourcePtr());
    std::vector<std::int32_t> silence(3, -1);
    orphan->Read(silence.data(), 3);
    EXPECT_EQ(silence, (std::vector<std::int32_t>(3, 0)));
    EXPECT_EQ(orphan->GetPosition(), 0);
    EXPECT_EQ(orphan->GetLength(), 0);
}

TEST(SoundProcessTest, PassThroughRules) {
    PlainFilterProcess process;
    LSoundSourcePtr out = MakeVectorSource({1}, 8000);
    process.Create(out, LSoundSourcePtr());
    EXPECT_FALSE(out);

    auto invalid = MakeVectorSource({1}, 8000);
    invalid->flags |= kSoundInvalid;
    process.Create(out, invalid);
    EXPECT_EQ(out, invalid);
    EXPECT_EQ(invalid->refCount, 2);

    auto valid = MakeVectorSource({1}, 8000);
    process.Create(out, valid);
    ASSERT_TRUE(out);
    EXPECT_NE(out, valid);
    EXPECT_EQ(invalid->refCount, 1);  // the previous out reference was released
    EXPECT_EQ(valid->refCount, 2);
}

// Records what reaches the end of a sink chain.
class VectorSink : public LSoundSink {
public:
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        written.insert(written.end(), buffer, buffer + frames * channels);
        position += frames;
    }
    void Truncate(std::int32_t frames) override {
        position = std::min(position, frames);
        written.resize(static_cast<std::size_t>(position) * channels);
    }
    std::vector<std::int32_t> written;
};

TEST(SoundSinkTest, SinkFilterForwardsAndFollowsItsDownstream) {
    auto sink = MakeCounted<VectorSink>();
    sink->sampleRate = 11025;
    sink->channels = 2;
    LSoundSinkPtr downstream = sink;
    auto filter = MakeCounted<LSoundSinkFilter>(downstream);
    EXPECT_EQ(filter->sampleRate, 11025);
    EXPECT_EQ(filter->channels, 2);
    EXPECT_EQ(filter->flags, kSinkCreated);
    EXPECT_EQ(sink->refCount, 3);
    const std::int32_t data[] = {1, 2, 3, 4, 5, 6};
    filter->Write(data, 3);
    EXPECT_EQ(filter->position, 3);
    EXPECT_EQ(sink->written, std::vector<std::int32_t>(data, data + 6));
    filter->Truncate(1);
    EXPECT_EQ(filter->position, 1);
    EXPECT_EQ(sink->written, (std::vector<std::int32_t>{1, 2}));

    auto alone = MakeCounted<LSoundSinkFilter>(LSoundSinkPtr());
    EXPECT_EQ(alone->sampleRate, 8000);
    EXPECT_EQ(alone->channels, 1);
    alone->Write(data, 6);
    EXPECT_EQ(alone->position, 6);
}

}  // namespace
