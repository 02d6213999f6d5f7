// Position, seek and length of every filter that keeps its upstream's rate: the position is the
// frame the next read delivers, a seek lands exactly there and plays what a filter freshly
// started at that frame would, and the length is the upstream's.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "audio/dsp/LCompressor.h"
#include "audio/dsp/LGainFilter.h"
#include "audio/dsp/LHighPassFilter.h"
#include "audio/dsp/LMonoToStereo.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/LSpeedFilter.h"
#include "audio/dsp/LStereoToMono.h"
#include "audio/dsp/PlayChain.h"
#include "audio/dsp/TestSources.h"

namespace {

struct FilterRow {
    const char* name;
    std::uint8_t channels;  // of the upstream
    std::function<LSoundSourcePtr(const LSoundSourcePtr&)> make;
};

std::vector<FilterRow> Filters() {
    return {
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

TEST(FilterPositionTest, PositionCountsTheFramesRead) {
    for (const FilterRow& row : Filters()) {
        LSoundSourcePtr filter = row.make(Upstream(row.channels));
        EXPECT_EQ(filter->GetPosition(), 0) << row.name;
        std::int32_t read = 0;
        for (std::int32_t piece : {1, 99, 400, 1000, 8192, 13}) {
            std::vector<std::int32_t> out(static_cast<std::size_t>(piece) * filter->channels);
            filter->Read(out.data(), piece);
            read += piece;
            EXPECT_EQ(filter->GetPosition(), read) << row.name;
        }
        EXPECT_EQ(filter->GetLength(), kFrames) << row.name;
    }
}

TEST(FilterPositionTest, SeekPlaysWhatAFreshStartThereWould) {
    for (const FilterRow& row : Filters()) {
        LSoundSourcePtr filter = row.make(Upstream(row.channels));
        ReadAll(*filter, 5000, 700);
        for (std::int32_t target : {12345, 100, 0, 20000}) {
            filter->Seek(target);
            EXPECT_EQ(filter->GetPosition(), target) << row.name;
            LSoundSourcePtr fresh = row.make(Upstream(row.channels, target));
            EXPECT_EQ(ReadAll(*filter, 3000, 512), ReadAll(*fresh, 3000, 512))
                << row.name << " at " << target;
            EXPECT_EQ(filter->GetPosition(), target + 3000) << row.name;
        }
    }
}

}  // namespace
