// The automatic level control end to end: block layout, output length and fade, the scratch
// files, and the loudness that the rules predict for steady and changing input.
#include "audio/level/LAutoLevelProcessor.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TestSources.h"
#include "audio/level/AutoLevelMath.h"
#include "support/TempDir.h"

namespace {

// Collects what is written; the peak bound of a 16-bit file writer unless told otherwise.
class VectorSink : public LSoundSink {
public:
    VectorSink(std::int32_t rate, std::uint8_t channelCount, std::int32_t peak = 0x7FFF0) {
        sampleRate = rate;
        channels = channelCount;
        peakBound = peak;
    }
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        samples.insert(samples.end(), buffer,
                       buffer + static_cast<std::ptrdiff_t>(frames) * channels);
        position += frames;
    }
    std::vector<std::int32_t> samples;
};

struct Levelled {
    std::vector<std::int32_t> output;
    LAutoLevelState state;
    std::uint32_t blockCount;
    std::vector<std::int8_t> references;
};

Levelled Level(std::vector<std::int32_t> input, std::int32_t rate = 8000) {
    auto sink = MakeCounted<VectorSink>(8000, 1);
    Levelled result;
    {
        LAutoLevelProcessor processor(MakeVectorSource(std::move(input), rate), sink,
                                      LAutoLevelParams{});
        while (processor.Step()) {
        }
        result.state = processor.State();
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
    double inPower = 0;
    double outPower = 0;
    for (std::size_t i = from; i < to; ++i) {
        inPower += double(in[i]) * in[i];
        outPower += double(out[i]) * out[i];
    }
    return 10 * std::log10(outPower / inPower);
}

// +-amplitude on alternate samples: every block has the same level.
std::vector<std::int32_t> Alternating(std::int32_t amplitude, std::size_t frames) {
    std::vector<std::int32_t> out(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        out[i] = (i % 2 == 0) ? amplitude : -amplitude;
    }
    return out;
}

// Deterministic white noise, uniform in [-amplitude, amplitude].
std::vector<std::int32_t> Noise(std::int32_t amplitude, std::size_t frames) {
    std::vector<std::int32_t> out(frames);
    std::uint32_t state = 12345;
    for (std::int32_t& x : out) {
        state = state * 1664525u + 1013904223u;
        x = static_cast<std::int32_t>((state >> 8) % (2u * amplitude + 1)) - amplitude;
    }
    return out;
}

TEST(LAutoLevelProcessorTest, BlocksAreAFiftiethOfTheRateAfterMixingAndDownsampling) {
    struct Row {
        std::int32_t sourceRate;
        std::uint8_t sourceChannels;
        std::int32_t sinkRate;
        std::int32_t blockFrames;
    } rows[] = {
        {8000, 1, 8000, 160}, {44100, 1, 44100, 882},    {16000, 1, 8000, 160}, {4000, 1, 8000, 80},
        {500, 1, 500, 20},    {500000, 1, 500000, 8192}, {8000, 2, 8000, 160},
    };
    for (const Row& row : rows) {
        auto sink = MakeCounted<VectorSink>(row.sinkRate, 1);
        LAutoLevelProcessor processor(
            MakeVectorSource(std::vector<std::int32_t>(100u * row.sourceChannels, 1000),
                             row.sourceRate, row.sourceChannels),
            sink, LAutoLevelParams{});
        EXPECT_EQ(processor.State(), LAutoLevelState::Analysing) << row.sourceRate;
        EXPECT_EQ(processor.BlockFrames(), row.blockFrames) << row.sourceRate;
    }
}

TEST(LAutoLevelProcessorTest, OutputIsWholeBlocksFadedToSilenceOverTheLast) {
    for (std::size_t frames : {1120u, 1000u}) {
        const std::vector<std::int32_t> input = Alternating(20000, frames);
        Levelled result = Level(input);
        ASSERT_EQ(result.state, LAutoLevelState::Writing);
        EXPECT_EQ(result.blockCount, 7u);
        ASSERT_EQ(result.output.size(), 7u * 160);
        if (frames == 1000) {
            // The padding of the last block is the input's silence.
            for (std::size_t i = 1000; i < 1120; ++i) {
                EXPECT_EQ(result.output[i], 0) << i;
            }
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
    const std::vector<int> weighted = WeightedLevels(input);
    const int level = weighted[20];
    Levelled result = Level(input);
    ASSERT_EQ(result.state, LAutoLevelState::Writing);
    ASSERT_EQ(result.output.size(), input.size());
    // All blocks at one weighted level L: the reference is L + 1 and the relative level -1;
    // the tracker settles at -1 (its first step moves it from 0 toward the percentile -1), so
    // the gain is -(L + 1) + 1 + curve(0) = -L: the output sits at 0 dB.
    EXPECT_EQ(result.references, std::vector<std::int8_t>{static_cast<std::int8_t>(level + 1)});
    const std::int32_t gain = AmplitudeGain(-level);
    for (std::size_t i = 160; i < 39 * 160; ++i) {
        ASSERT_EQ(result.output[i], GainProduct(input[i], gain)) << i;
    }
}

TEST(LAutoLevelProcessorTest, DigitalSilenceStaysSilent) {
    Levelled result = Level(std::vector<std::int32_t>(100 * 160, 0));
    ASSERT_EQ(result.state, LAutoLevelState::Writing);
    ASSERT_EQ(result.output.size(), 100u * 160);
    for (std::int32_t x : result.output) {
        ASSERT_EQ(x, 0);
    }
}

TEST(LAutoLevelProcessorTest, SteadyLowNoiseIsRaisedToTheReferenceLoudness) {
    const std::vector<std::int32_t> input = Noise(2000, 250 * 160);
    const std::vector<int> before = WeightedLevels(input);
    Levelled result = Level(input);
    ASSERT_EQ(result.state, LAutoLevelState::Writing);
    const std::vector<int> after = WeightedLevels(result.output);
    ASSERT_EQ(after.size(), 250u);
    // Every block whose relative level is -2, -1 or 0 against the tracked -1 is brought to
    // 0 dB by the curve; the gain glides, so single blocks may be a step behind.
    double sum = 0;
    for (std::size_t b = 50; b < 200; ++b) {
        EXPECT_LT(before[b], -20) << b;
        EXPECT_NEAR(after[b], 0, 1) << b;
        sum += after[b];
    }
    EXPECT_NEAR(sum / 150, 0, 0.5);
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

    Levelled result = Level(input);
    ASSERT_EQ(result.state, LAutoLevelState::Writing);
    ASSERT_EQ(result.output.size(), input.size());

    // Two thirds of the blocks are A: the loudest eighth lies within A and B is more than
    // 15 dB below it, so the reference is A's level + 1. Relative to it A sits at -1 and B at
    // levelB - levelA - 1. Through A the tracker holds at -1; through B its percentile drops
    // far below and it falls until its limit, -2. The gain is -T + curve(r - T) above the
    // offset -(levelA + 1).
    const GainCurve curve = MakeGainCurve(-6, -0.5, 2);
    const int relativeA = -1;
    const int relativeB = levelB - levelA - 1;
    const int gainA = 1 + CurveGain(curve, relativeA + 1);
    const int gainB = 2 + CurveGain(curve, relativeB + 2);
    EXPECT_EQ(result.references, std::vector<std::int8_t>{static_cast<std::int8_t>(levelA + 1)});

    // Measured well away from the changes (the tracker looks one second ahead).
    const double measuredA1 = GainDB(input, result.output, 50 * 160, 150 * 160);
    const double measuredB = GainDB(input, result.output, 260 * 160, 340 * 160);
    const double measuredA2 = GainDB(input, result.output, 460 * 160, 550 * 160);
    const double offset = -(levelA + 1);
    EXPECT_NEAR(measuredA1, offset + gainA, 0.1);
    EXPECT_NEAR(measuredA2, offset + gainA, 0.1);
    EXPECT_NEAR(measuredB - measuredA1, gainB - gainA, 1.0);
    // About 4 dB: B gains 2 dB from the tracker's floor and 3 dB from the curve, A 1 dB.
    EXPECT_EQ(gainB - gainA, 4);
}

// Scratch files this process holds open in `folder`, with their permission bits.
std::vector<std::pair<std::string, unsigned>> OpenFilesIn(const std::string& folder) {
    std::vector<std::pair<std::string, unsigned>> files;
    DIR* dir = ::opendir("/proc/self/fd");
    while (dirent* entry = ::readdir(dir)) {
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char target[4096];
        ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            continue;
        }
        std::string path(target, static_cast<std::size_t>(n));
        struct stat st {};
        if (path.rfind(folder + "/", 0) == 0 && ::stat(link.c_str(), &st) == 0) {
            files.emplace_back(path.substr(folder.size() + 1), st.st_mode & 0777);
        }
    }
    ::closedir(dir);
    return files;
}

std::size_t EntriesIn(const std::string& folder) {
    std::size_t count = 0;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* entry = ::readdir(dir)) {
        count += std::string(entry->d_name) == "." || std::string(entry->d_name) == ".." ? 0 : 1;
    }
    ::closedir(dir);
    return count;
}

TEST(LAutoLevelProcessorTest, ScratchFilesArePrivateUniqueAndLeaveNothingBehind) {
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.Path());
    for (int stopAfter : {0, 3, -1}) {  // at once, during the analysis, at the end
        auto sink = MakeCounted<VectorSink>(8000, 1);
        {
            LAutoLevelProcessor processor(MakeVectorSource(Noise(1000, 20 * 160), 8000), sink,
                                          LAutoLevelParams{});
            ASSERT_EQ(processor.State(), LAutoLevelState::Analysing);
            auto open = OpenFilesIn(tmp.Path());
            ASSERT_EQ(open.size(), 2u);
            for (const auto& [name, mode] : open) {
                EXPECT_TRUE(name.rfind("lca", 0) == 0 || name.rfind("lcp", 0) == 0) << name;
                EXPECT_NE(name.find("(deleted)"), std::string::npos) << name;
                EXPECT_EQ(mode, 0600u) << name;
            }
            EXPECT_NE(open[0].first.substr(0, 3), open[1].first.substr(0, 3));
            // The names are gone from the folder while the data stays readable.
            EXPECT_EQ(EntriesIn(tmp.Path()), 0u);
            for (int i = 0; i != stopAfter && processor.Step(); ++i) {
            }
        }
        EXPECT_TRUE(OpenFilesIn(tmp.Path()).empty()) << stopAfter;
        EXPECT_EQ(EntriesIn(tmp.Path()), 0u);
    }
}

TEST(LAutoLevelProcessorTest, NothingIsWrittenWithoutUsableInputOutputOrTemporaryFolder) {
    auto invalidSource = MakeVectorSource({1, 2, 3}, 8000);
    invalidSource->flags |= kSoundInvalid;
    auto invalidSink = MakeCounted<VectorSink>(8000, 1);
    invalidSink->flags |= kSoundInvalid;
    struct Row {
        const char* what;
        LSoundSourcePtr source;
        LCountedPtr<VectorSink> sink;
        std::optional<std::string> tmpdir;
    } rows[] = {
        {"no source", nullptr, MakeCounted<VectorSink>(8000, 1), std::nullopt},
        {"invalid source", invalidSource, MakeCounted<VectorSink>(8000, 1), std::nullopt},
        {"invalid sink", MakeVectorSource({1, 2, 3}, 8000), invalidSink, std::nullopt},
        {"three channels into mono", MakeVectorSource(std::vector<std::int32_t>(300, 5), 8000, 3),
         MakeCounted<VectorSink>(8000, 1), std::nullopt},
        {"no temporary folder", MakeVectorSource({1, 2, 3}, 8000), MakeCounted<VectorSink>(8000, 1),
         "/nonexistent/quillon"},
    };
    for (Row& row : rows) {
        std::optional<ScopedEnv> env;
        if (row.tmpdir) {
            env.emplace("TMPDIR", *row.tmpdir);
        }
        LAutoLevelProcessor processor(row.source, row.sink, LAutoLevelParams{});
        EXPECT_EQ(processor.State(), LAutoLevelState::NotReady) << row.what;
        EXPECT_FALSE(processor.Step()) << row.what;
        EXPECT_TRUE(row.sink->samples.empty()) << row.what;
        EXPECT_EQ(row.sink->position, 0) << row.what;
    }
}

TEST(LAutoLevelProcessorTest, StereoIsMixedToTheSinksSingleChannel) {
    // The channels process keeps the first channel: a silent second channel changes nothing.
    const std::vector<std::int32_t> mono = Alternating(1000, 40 * 160);
    std::vector<std::int32_t> stereo;
    for (std::int32_t x : mono) {
        stereo.push_back(x);
        stereo.push_back(0);
    }
    auto sink = MakeCounted<VectorSink>(8000, 1);
    {
        LAutoLevelProcessor processor(MakeVectorSource(stereo, 8000, 2), sink, LAutoLevelParams{});
        while (processor.Step()) {
        }
        EXPECT_EQ(processor.State(), LAutoLevelState::Writing);
    }
    EXPECT_EQ(sink->samples, Level(mono).output);
}

TEST(LAutoLevelProcessorTest, StereoIntoStereoLevelsEachChannelLikeMono) {
    // Both channels alike: the same references, the louder of the two tracked, so each channel
    // comes out as the mono recording does.
    const std::vector<std::int32_t> mono = Noise(2000, 60 * 160);
    std::vector<std::int32_t> stereo;
    for (std::int32_t x : mono) {
        stereo.push_back(x);
        stereo.push_back(x);
    }
    auto sink = MakeCounted<VectorSink>(8000, 2);
    {
        LAutoLevelProcessor processor(MakeVectorSource(stereo, 8000, 2), sink, LAutoLevelParams{});
        while (processor.Step()) {
        }
        EXPECT_EQ(processor.State(), LAutoLevelState::Writing);
        EXPECT_EQ(processor.References().size(), 2u);
    }
    const std::vector<std::int32_t> expected = Level(mono).output;
    ASSERT_EQ(sink->samples.size(), 2 * expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(sink->samples[2 * i], expected[i]) << i;
        ASSERT_EQ(sink->samples[2 * i + 1], expected[i]) << i;
    }
}

}  // namespace
