// The automatic level control end to end: blocks, output length and fade, its private nameless
// scratch files in the temporary folder, and the loudness that the rules predict for steady and
// changing input.
#include "audio/level/LAutoLevelProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"
#include "audio/level/AutoLevelMath.h"
#include "audio/level/LevelTestFiles.h"
#include "audio/level/ScratchFile.h"

namespace {

// A sink with the peak bound of a 16-bit file writer.
LCountedPtr<TestSink> Sink(std::int32_t rate = 8000) {
    auto sink = MakeCounted<TestSink>(rate, 1);
    sink->peakBound = 0x7FFF0;
    return sink;
}

// What levelling `input` to its end wrote, and what the processor held at the end.
struct Levelled {
    std::vector<std::int32_t> output;
    std::uint32_t blockCount;
    std::vector<std::int8_t> references;
};

Levelled Level(std::vector<std::int32_t> input, std::uint8_t channels = 1) {
    auto sink = Sink();
    Levelled result;
    {
        LAutoLevelProcessor processor(MakeVectorSource(std::move(input), 8000, channels), sink,
                                      LAutoLevelParams{});
        while (processor.Step()) {
        }
        EXPECT_EQ(processor.State(), LAutoLevelState::Writing);
        result.blockCount = processor.BlockCount();
        result.references = processor.References();
    }
    result.output = sink->samples;
    return result;
}

// The weighting of the level measurement, from its rule: per sample x with states s1 and s2,
// x1 = x - (s1 >> 8); s1 += x1 * 53; e = x1 - (s2 >> 8); y = x1 + e; s2 += e * 210 (the
// coefficients at 8,000 Hz); the level of each 160-frame block of y.
std::vector<int> WeightedLevels(const std::vector<std::int32_t>& x) {
    std::vector<int> levels;
    std::int64_t s1 = 0;
    std::int64_t s2 = 0;
    std::vector<std::int32_t> y(160);
    for (std::size_t start = 0; start + 160 <= x.size(); start += 160) {
        for (std::size_t i = 0; i < 160; ++i) {
            const std::int64_t x1 = x[start + i] - (s1 >> 8);
            s1 += x1 * 53;
            const std::int64_t e = x1 - (s2 >> 8);
            y[i] = static_cast<std::int32_t>(x1 + e);
            s2 += e * 210;
        }
        levels.push_back(BlockLevel(y.data(), y.size()));
    }
    return levels;
}

// The gain in dB from `in` to `out` over frames [from, to).
double GainDB(const std::vector<std::int32_t>& in, const std::vector<std::int32_t>& out,
              std::size_t from, std::size_t to) {
    return 20 * std::log10(Rms(out, from, to) / Rms(in, from, to));
}

// +-amplitude on alternate samples: every block has the same level.
std::vector<std::int32_t> Alternating(std::int32_t amplitude, std::size_t frames) {
    std::vector<std::int32_t> out(frames, amplitude);
    for (std::size_t i = 1; i < frames; i += 2) {
        out[i] = -amplitude;
    }
    return out;
}

TEST(LAutoLevelProcessorTest, BlocksAreAFiftiethOfTheRateAfterMixingAndDownsampling) {
    const std::tuple<int, int, int, int> rows[] = {
        {16000, 1, 8000, 160}, {4000, 1, 8000, 80}, {500, 1, 500, 20}, {500000, 1, 500000, 8192}};
    for (auto [sourceRate, sourceChannels, sinkRate, blockFrames] : rows) {
        const auto channels = static_cast<std::uint8_t>(sourceChannels);
        LAutoLevelProcessor processor(
            MakeVectorSource(std::vector<std::int32_t>(100u * channels, 1000), sourceRate,
                             channels),
            Sink(sinkRate), LAutoLevelParams{});
        EXPECT_EQ(processor.State(), LAutoLevelState::Analysing) << sourceRate;
        EXPECT_EQ(processor.BlockFrames(), blockFrames) << sourceRate;
    }
}

TEST(LAutoLevelProcessorTest, OutputIsWholeBlocksFadedToSilenceOverTheLast) {
    for (std::size_t frames : {1120u, 1000u}) {
        const Levelled result = Level(Alternating(20000, frames));
        EXPECT_EQ(result.blockCount, 7u);
        ASSERT_EQ(result.output.size(), 7u * 160);
        if (frames == 1000) {
            // The padding of the last block is the input's silence.
            EXPECT_EQ(std::vector<std::int32_t>(result.output.begin() + 1000, result.output.end()),
                      std::vector<std::int32_t>(120, 0));
            continue;
        }
        // Over the last block the gain falls in equal steps from its value to about 0.
        const double first = std::abs(result.output[960]);
        ASSERT_GT(first, 1000);
        for (std::size_t i = 0; i < 160; ++i) {
            EXPECT_NEAR(std::abs(result.output[960 + i]), first * (1 - i / 160.0), first / 100 + 2)
                << i;
        }
        EXPECT_LT(std::abs(result.output.back()), first / 100);
    }
}

TEST(LAutoLevelProcessorTest, FortyBlocksGetTheGainThatBringsThemToTheReference) {
    // Shorter than the tracker's pre-load of 51: it advances over the missing records.
    const std::vector<std::int32_t> input = Alternating(1000, 40 * 160);
    const int level = WeightedLevels(input)[20];
    const Levelled result = Level(input);
    ASSERT_EQ(result.output.size(), input.size());
    // All blocks at one weighted level L: the reference is L + 1 and the relative level -1;
    // the tracker settles at -1 (its first step moves it from 0 toward the percentile -1), so
    // the gain is -(L + 1) + 1 + curve(0) = -L: the output sits at 0 dB.
    EXPECT_EQ(result.references, std::vector<std::int8_t>{static_cast<std::int8_t>(level + 1)});
    for (std::size_t i = 160; i < 39 * 160; ++i) {
        ASSERT_EQ(result.output[i], GainProduct(input[i], AmplitudeGain(-level))) << i;
    }
    // Stereo is levelled as its first channel: a silent second one changes nothing.
    EXPECT_EQ(Level(Stereo(input, std::vector<std::int32_t>(input.size())), 2).output,
              result.output);
}

TEST(LAutoLevelProcessorTest, TheQuieterOfTwoSpeakersIsRaisedByWhatTheRulesPredict) {
    // Speaker A for 4 s, speaker B 20 dB quieter for 4 s, A again for 4 s.
    const std::size_t part = 200 * 160;
    std::vector<std::int32_t> input = Sine(1000, 8000, 3 * part, 20000);
    for (std::size_t i = part; i < 2 * part; ++i) {
        input[i] /= 10;
    }
    const std::vector<int> weighted = WeightedLevels(input);
    const int levelA = weighted[100];
    const int levelB = weighted[300];
    ASSERT_NEAR(levelA - levelB, 20, 1);
    const Levelled result = Level(input);
    ASSERT_EQ(result.output.size(), input.size());

    // Two thirds of the blocks are A: the loudest eighth lies within A and B is more than
    // 15 dB below it, so the reference is A's level + 1. Relative to it A sits at -1 and B at
    // levelB - levelA - 1. Through A the tracker holds at -1; through B its percentile drops
    // far below and it falls until its limit, -2. The gain is -T + curve(r - T) above the
    // offset -(levelA + 1).
    const GainCurve curve = MakeGainCurve(-6, -0.5, 2);
    const int gainA = 1 + CurveGain(curve, -1 + 1);
    const int gainB = 2 + CurveGain(curve, levelB - levelA - 1 + 2);
    EXPECT_EQ(result.references, std::vector<std::int8_t>{static_cast<std::int8_t>(levelA + 1)});
    // Measured well away from the changes (the tracker looks one second ahead).
    const double measuredA1 = GainDB(input, result.output, 50 * 160, 150 * 160);
    const double measuredB = GainDB(input, result.output, 260 * 160, 340 * 160);
    const double measuredA2 = GainDB(input, result.output, 460 * 160, 550 * 160);
    EXPECT_NEAR(measuredA1, -(levelA + 1) + gainA, 0.1);
    EXPECT_NEAR(measuredA2, -(levelA + 1) + gainA, 0.1);
    EXPECT_NEAR(measuredB - measuredA1, gainB - gainA, 1.0);
    // About 4 dB: B gains 2 dB from the tracker's floor and 3 dB from the curve, A 1 dB.
    EXPECT_EQ(gainB - gainA, 4);
}

// The two scratch files of the processor, and a scratch file alone: private and nameless in
// TMPDIR, reading back what was written across the stream's buffer.
TEST(LAutoLevelProcessorTest, ItsScratchFilesArePrivateNamelessAndGoWithIt) {
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.Path());
    {
        LAutoLevelProcessor processor(MakeVectorSource(Noise(20 * 160, 1000), 8000), Sink(),
                                      LAutoLevelParams{});
        processor.Step();
        EXPECT_EQ(OpenFilesIn(tmp.Path()),
                  (std::vector<std::string>{"lca private", "lcp private"}));
    }
    EXPECT_TRUE(OpenFilesIn(tmp.Path()).empty());
    ScratchFile scratch("lca");
    ASSERT_TRUE(scratch.IsOpen());
    EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));
    // More than the stream's 128 KiB buffer, so that both directions reach the file.
    std::vector<std::uint32_t> data(100000);
    std::iota(data.begin(), data.end(), 0u);
    scratch.Write(data.data(), data.size() * 4);
    scratch.Rewind();
    std::vector<std::uint32_t> back(data.size() + 1);
    EXPECT_EQ(scratch.Read(back.data(), back.size() * 4), data.size() * 4);
    back.pop_back();
    EXPECT_EQ(back, data);
}

TEST(LAutoLevelProcessorTest, NothingIsWrittenWithoutUsableInputOrOutput) {
    const auto invalid = [](auto object) {
        object->flags |= kSoundInvalid;
        return object;
    };
    struct Row {
        const char* what;
        LSoundSourcePtr source;
        LCountedPtr<TestSink> sink;
    } rows[] = {
        {"invalid source", invalid(MakeVectorSource({1, 2, 3}, 8000)), Sink()},
        {"three channels into mono", MakeVectorSource(std::vector<std::int32_t>(300, 5), 8000, 3),
         Sink()},
    };
    for (Row& row : rows) {
        LAutoLevelProcessor processor(row.source, row.sink, LAutoLevelParams{});
        EXPECT_EQ(processor.State(), LAutoLevelState::NotReady) << row.what;
        EXPECT_FALSE(processor.Step()) << row.what;
        EXPECT_TRUE(row.sink->samples.empty() && row.sink->position == 0) << row.what;
    }
}

}  // namespace
