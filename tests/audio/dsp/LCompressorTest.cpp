// The block compressor: its gain table, block size and the levels it produces.
#include "audio/dsp/LCompressor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/dsp/PlayChain.h"
#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"

namespace {

LCountedPtr<LCompressor> MakeCompressor(std::vector<std::int32_t> samples, std::int8_t threshold,
                                        std::int32_t rate = 8000,
                                        std::int32_t blockTime = kPlayCompressorBlockTime) {
    return MakeCounted<LCompressor>(MakeVectorSource(std::move(samples), rate), threshold,
                                    kPlayCompressorSlope, blockTime);
}

TEST(CompressorTest, GainTableBlockSizeAndTheLevelsItProduces) {
    const auto gain = [](std::int8_t threshold, int level) {
        return MakeCompressor({}, threshold)->gainTable[level + 128];
    };
    // 16,777,216 / 0.9261187^12: +8 dB for everything below the threshold, silence included,
    // then 2/3 dB less per dB above it, up to the ceiling at 127.
    for (auto [level, expected] :
         {std::pair{-128, 42142461}, {-12, 42142461}, {-11, 39028922}, {1, 15537693}, {127, 980}}) {
        EXPECT_EQ(gain(-12, level), expected) << level;
    }
    EXPECT_NEAR(gain(-12, 0), kUnityGain, 1);
    // Thresholds at or above zero start from unity; one far below saturates, not wraps.
    EXPECT_EQ(gain(0, 0), kUnityGain);
    EXPECT_LT(gain(0, 1), kUnityGain);
    EXPECT_EQ(gain(-128, -128), kMaxGain);
    // The block time becomes frames within limits.
    for (auto [rate, blockTime, frames] :
         {std::tuple{44100, 500, 2205}, {8000, 10, 128}, {192000, 5000, 8192}}) {
        auto c = MakeCompressor({}, -12, rate, blockTime);
        EXPECT_EQ(std::pair(c->blockFrames, c->peakBound), std::pair(frames, 0x3FFFFF)) << rate;
    }
    // One second at -30 dB (below the threshold: +8 dB), then a full-level tone (0 dB: unity).
    // The gain must already be falling when the loud part arrives, and have reached unity
    // within the first two blocks of it.
    std::vector<std::int32_t> input = Sine(500, 8000, 8000, 4145);
    const std::vector<std::int32_t> loud = Sine(500, 8000, 8000, 131072);
    input.insert(input.end(), loud.begin(), loud.end());
    const std::vector<std::int32_t> out = ReadAll(*MakeCompressor(input, -12), 16000, 1000);
    EXPECT_NEAR(20 * std::log10(ToneAmplitude(out, 500, 8000, 400, 7200) / 4145), 8.0, 0.05);
    EXPECT_LT(ToneAmplitude(out, 500, 8000, 7920, 8000) / 4145, 2.0);  // +8 dB would be 2.51
    EXPECT_LT(ToneAmplitude(out, 500, 8000, 8000, 8400) / 131072, 1.3);
    // (The last blocks see the silence after the input coming and rise again.)
    EXPECT_NEAR(ToneAmplitude(out, 500, 8000, 8800, 15200) / 131072, 1.0, 0.01);
}

}  // namespace
