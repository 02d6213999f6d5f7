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
                                        std::int32_t rate = 8000) {
    return MakeCounted<LCompressor>(MakeVectorSource(std::move(samples), rate), threshold,
                                    kPlayCompressorSlope, kPlayCompressorBlockTime);
}

int Gain(const LCompressor& c, int level) {
    return c.gainTable[level + 128];
}

TEST(CompressorTest, GainTableAtMinus12Decibels) {
    auto c = MakeCompressor({}, -12);
    // 16,777,216 / 0.9261187^12: +8 dB for everything below the threshold, silence included.
    for (int level : {-128, -127, -60, -13, -12}) {
        EXPECT_EQ(Gain(*c, level), 42142461) << level;
    }
    EXPECT_EQ(Gain(*c, -11), 39028922);  // 2/3 dB less per dB above
    EXPECT_NEAR(Gain(*c, 0), kUnityGain, 1);
    EXPECT_EQ(Gain(*c, 1), 15537693);
    for (int level = -128; level < 127; ++level) {
        EXPECT_GE(Gain(*c, level), Gain(*c, level + 1)) << level;
    }
    // Level 127 is the ceiling; its entry follows the slope all the way there.
    EXPECT_EQ(Gain(*c, 127), 980);
}

TEST(CompressorTest, ThresholdsAtOrAboveZeroStartFromUnity) {
    auto c = MakeCompressor({}, 0);
    EXPECT_EQ(Gain(*c, -127), kUnityGain);
    EXPECT_EQ(Gain(*c, 0), kUnityGain);
    EXPECT_LT(Gain(*c, 1), kUnityGain);
    // A threshold far below anything the sheet offers saturates rather than wrapping.
    auto deep = MakeCompressor({}, -128);
    EXPECT_EQ(Gain(*deep, -128), kMaxGain);
}

TEST(CompressorTest, BlockTimeBecomesFramesWithinLimits) {
    struct Row {
        std::int32_t rate;
        std::int32_t blockTime;
        std::int32_t frames;
    } rows[] = {{8000, 500, 400}, {44100, 500, 2205}, {8000, 10, 128}, {192000, 5000, 8192}};
    for (const Row& row : rows) {
        auto c = MakeCounted<LCompressor>(MakeVectorSource({}, row.rate), -12, kPlayCompressorSlope,
                                          row.blockTime);
        EXPECT_EQ(c->blockFrames, row.frames) << row.rate << " " << row.blockTime;
        EXPECT_EQ(c->peakBound, 0x3FFFFF);
    }
}

TEST(CompressorTest, RaisesQuietSpeechAndLeavesFullLevelAlone) {
    struct Row {
        double amplitude;  // of a 500 Hz tone
        double expectedGainDb;
    } rows[] = {
        {13107, 8.0},   // level -20 dB: below the threshold
        {131072, 0.0},  // level 0 dB
    };
    for (const Row& row : rows) {
        auto c = MakeCompressor(Sine(500, 8000, 16000, row.amplitude), -12);
        const std::vector<std::int32_t> out = ReadAll(*c, 12000, 1000);
        const double db =
            20 * std::log10(ToneAmplitude(out, 500, 8000, 4000, 12000) / row.amplitude);
        EXPECT_NEAR(db, row.expectedGainDb, 0.05) << row.amplitude;
    }
}

TEST(CompressorTest, LowersTheGainAheadOfALoudPassage) {
    // One second at -30 dB, then a full-level tone: the gain must already be falling when the
    // loud part arrives, and have reached unity within the first two blocks of it.
    std::vector<std::int32_t> input = Sine(500, 8000, 8000, 4145);
    const std::vector<std::int32_t> loud = Sine(500, 8000, 8000, 131072);
    input.insert(input.end(), loud.begin(), loud.end());
    auto c = MakeCompressor(input, -12);
    const std::vector<std::int32_t> out = ReadAll(*c, 16000, 1000);
    const double justBefore = ToneAmplitude(out, 500, 8000, 7920, 8000) / 4145;
    EXPECT_LT(justBefore, 2.0);  // +8 dB would be 2.51
    const double loudStart = ToneAmplitude(out, 500, 8000, 8000, 8400) / 131072;
    EXPECT_LT(loudStart, 1.3);
    // (The last blocks see the silence after the input coming and rise again.)
    const double loudLater = ToneAmplitude(out, 500, 8000, 8800, 15200) / 131072;
    EXPECT_NEAR(loudLater, 1.0, 0.01);
}

TEST(CompressorTest, InvalidCompressorReadsSilence) {
    auto c = MakeCounted<LCompressor>(LSoundSourcePtr(), -12, kPlayCompressorSlope, 500);
    std::vector<std::int32_t> out(1000, 5);
    c->Read(out.data(), 1000);
    c->Seek(0);
    EXPECT_EQ(out, std::vector<std::int32_t>(1000, 0));
}

}  // namespace
