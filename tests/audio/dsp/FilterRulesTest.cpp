// The contract of every filter and process: position, seek, length, silence, pass-through.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "audio/dsp/LBufferedStreams.h"
#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LCompressor.h"
#include "audio/dsp/LGainFilter.h"
#include "audio/dsp/LHighPassFilter.h"
#include "audio/dsp/LMonoToStereo.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/LResampler.h"
#include "audio/dsp/LSpeedFilter.h"
#include "audio/dsp/LStereoToMono.h"
#include "audio/dsp/PlayChain.h"
#include "audio/dsp/TestSources.h"

namespace {

// The filters that keep their upstream's rate: a name, the upstream's channels and a maker.
using FilterRow =
    std::tuple<const char*, std::uint8_t, std::function<LSoundSourcePtr(const LSoundSourcePtr&)>>;

std::vector<FilterRow> Filters() {
    return {
        {"plain", 2, [](auto& s) { return MakeCounted<LSoundFilter>(s); }},
        {"read-ahead", 2, [](auto& s) { return MakeCounted<LReadAheadFilter>(s, 100); }},
        {"high-pass", 2, [](auto& s) { return MakeCounted<LHighPassFilter>(s, 300); }},
        {"compressor", 1,
         [](auto& s) {
             return MakeCounted<LCompressor>(s, -12, kPlayCompressorSlope,
                                             kPlayCompressorBlockTime);
         }},
        {"gain", 2, [](auto& s) { return MakeCounted<LGainFilter>(s, -6); }},
        {"peak limiter", 2, [](auto& s) { return MakeCounted<LPeakLimiter>(s, 100000); }},
        {"stereo to mono", 2, [](auto& s) { return MakeCounted<LStereoToMono>(s); }},
        {"mono to stereo", 1, [](auto& s) { return MakeCounted<LMonoToStereo>(s); }},
        {"speed 1", 1, [](auto& s) { return MakeCounted<LSpeedFilter>(s, 0, 1.0, 1.0); }},
        {"play chain", 1, [](auto& s) { return BuildPlayChain(s, 300, -12, 6); }},
    };
}

constexpr std::int32_t kFrames = 30000;

LSoundSourcePtr Upstream(std::uint8_t channels, std::int32_t at = 0) {
    auto source = MakeVectorSource(Noise(kFrames, 400000, channels, 7), 8000, channels);
    source->Seek(at);
    return source;
}

// The position is the frame the next read delivers, a seek lands exactly there and plays what a
// filter freshly started at that frame would, and the length is the upstream's.
TEST(FilterRulesTest, PositionSeekAndLengthFollowTheUpstream) {
    for (const auto& [name, channels, make] : Filters()) {
        LSoundSourcePtr filter = make(Upstream(channels));
        EXPECT_EQ(filter->GetPosition(), 0) << name;
        std::int32_t read = 0;
        for (std::int32_t piece : {1, 99, 400, 1000, 8192, 13}) {
            ReadAll(*filter, piece);
            read += piece;
            EXPECT_EQ(filter->GetPosition(), read) << name;
        }
        EXPECT_EQ(filter->GetLength(), kFrames) << name;
        for (std::int32_t target : {12345, 100, 0, 20000}) {
            filter->Seek(target);
            EXPECT_EQ(filter->GetPosition(), target) << name;
            LSoundSourcePtr fresh = make(Upstream(channels, target));
            EXPECT_EQ(ReadAll(*filter, 3000, 512), ReadAll(*fresh, 3000, 512))
                << name << " at " << target;
            EXPECT_EQ(filter->GetPosition(), target + 3000) << name;
        }
    }
}

TEST(FilterRulesTest, WithoutAUsableUpstreamAFilterIsInvalidAndReadsSilence) {
    std::vector<FilterRow> rows = Filters();
    rows.pop_back();  // the play chain is not built at all
    rows.push_back({"resampler", 1, [](auto& s) { return MakeCounted<LResampler>(s, 8000); }});
    for (const auto& [name, channels, make] : rows) {
        auto invalid = MakeVectorSource(Noise(1000, 1000, channels), 8000, channels);
        invalid->flags |= kSoundInvalid;
        for (const LSoundSourcePtr& upstream : {LSoundSourcePtr(), invalid}) {
            LSoundSourcePtr filter = make(upstream);
            EXPECT_TRUE(filter->IsInvalid()) << name;
            std::vector<std::int32_t> out(500u * filter->channels, 7);
            filter->Read(out.data(), 500);
            filter->Seek(5);
            EXPECT_EQ(out, std::vector<std::int32_t>(out.size(), 0)) << name;
            if (!upstream) {
                EXPECT_EQ(filter->GetPosition(), 0) << name;
                EXPECT_EQ(filter->GetLength(), 0) << name;
            }
        }
    }
}

// An empty source gives an empty result (releasing the old one), an invalid source comes back
// with one more reference, and a valid one gets a filter that alone holds it.
TEST(ProcessRulesTest, EmptyAndInvalidSourcesPassThroughAndValidOnesGetAFilter) {
    const std::tuple<const char*, std::shared_ptr<LSoundProcess>, bool> processes[] = {
        // name, process, whether it creates a filter on an invalid source
        {"high-pass", std::make_shared<LHighPassProcess>(300), false},
        {"compressor", std::make_shared<LCompressorProcess>(-12, kPlayCompressorSlope, 500), false},
        {"gain", std::make_shared<LGainProcess>(6), false},
        {"peak limiter", std::make_shared<LPeakLimiterProcess>(1000), false},
        {"sample rate", std::make_shared<LSampleRateProcess>(8000), false},
        {"channels", std::make_shared<LChannelsProcess>(1), false},
        {"speed", std::make_shared<LSpeedProcess>(80000, 0.5, 7), true},
    };
    for (const auto& [name, process, createsOnInvalid] : processes) {
        int alive = 0;
        LSoundSourcePtr out = MakeVectorSource({}, 8000, 1, &alive);
        process->Create(out, LSoundSourcePtr());
        EXPECT_FALSE(out) << name;
        EXPECT_EQ(alive, 0) << name;
        for (bool invalid : {true, false}) {
            auto source = MakeVectorSource(Noise(100, 1'000'000, 2), 44100, 2, &alive);
            source->flags |= invalid ? kSoundInvalid : 0;
            LSoundSourcePtr head = source;
            process->Create(head, head);  // as chains are built: the head is replaced
            EXPECT_EQ(source->refCount, 2) << name;
            EXPECT_EQ(head == source, invalid && !createsOnInvalid) << name;
            EXPECT_EQ(head->refCount, head == source ? 2 : 1) << name;
            source.Release();
            ReadAll(*head, 500);
            EXPECT_EQ(alive, 1) << name;
            head.Release();
            EXPECT_EQ(alive, 0) << name;
        }
    }
}

// A process passes on a source that already fits, and what it creates fits.
TEST(ProcessRulesTest, ASourceThatAlreadyFitsIsPassedOn) {
    const auto channels = [](std::uint16_t n) { return std::make_shared<LChannelsProcess>(n); };
    const auto rate = [](std::int32_t r) { return std::make_shared<LSampleRateProcess>(r); };
    const auto limiter = std::make_shared<LPeakLimiterProcess>(kPlayerPeakLimit);
    const std::int32_t any = kDefaultPeakBound;
    const std::int32_t limit = kPlayerPeakLimit;
    // The process, the channels of an 8,000 Hz source, its peak bound, whether a filter comes.
    const std::tuple<std::shared_ptr<LSoundProcess>, std::uint8_t, std::int32_t, bool> rows[] = {
        {channels(1), 2, any, true},  {channels(2), 1, any, true},   {channels(2), 2, any, false},
        {channels(0), 2, any, false}, {channels(1), 3, any, false},  {channels(3), 1, any, false},
        {limiter, 1, limit, false},   {limiter, 1, limit + 1, true}, {rate(8000), 1, any, false},
        {rate(11025), 1, any, true},
    };
    for (const auto& [process, sourceChannels, peakBound, creates] : rows) {
        auto source = MakeVectorSource({}, 8000, sourceChannels);
        source->peakBound = peakBound;
        LSoundSourcePtr out;
        process->Create(out, source);
        EXPECT_EQ(out != source, creates) << int{sourceChannels} << " " << peakBound;
        LSoundSourcePtr again;
        process->Create(again, out);
        EXPECT_EQ(again, out) << int{sourceChannels} << " " << peakBound;
    }
}

}  // namespace
