// The sample-rate converter: ratio search, table, conversion quality, channels, large input,
// seek, position and length.
#include "audio/dsp/LResampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

TEST(ResamplerTest, RatioSearch) {
    struct Row {
        std::int32_t in;
        std::int32_t out;
        std::int32_t phases;
        std::int32_t step;
    } rows[] = {
        {44100, 8000, 39, 215},  // 5.5125 ~ 215/39, within 0.001
        {8000, 11025, 40, 29},  {8000, 44100, 11, 2},   {48000, 8000, 1, 6},  // exact at once
        {11025, 8000, 37, 51},  {22050, 8000, 37, 102}, {8000, 8000, 1, 1},
        {192000, 8000, 1, 24},  {1, 1000, 1, 0},  // far too small a ratio for a fraction below 256
    };
    for (const Row& row : rows) {
        const ResampleRatio ratio = FindResampleRatio(row.in, row.out);
        EXPECT_EQ(ratio.phases, row.phases) << row.in << " -> " << row.out;
        EXPECT_EQ(ratio.step, row.step) << row.in << " -> " << row.out;
    }
}

TEST(ResamplerTest, TableRowsHaveUnityGainAndTheirCentreTap) {
    for (auto [in, out] : {std::pair{44100, 8000}, {8000, 44100}, {8000, 11025}, {48000, 8000}}) {
        const LResampleTable table = MakeResampleTable(in, out, 63);
        ASSERT_EQ(table.coefficients.size(), static_cast<std::size_t>(table.phases) * 63);
        for (int p = 0; p < table.phases; ++p) {
            const auto row = table.coefficients.begin() + p * 63;
            const std::int64_t sum = std::accumulate(row, row + 63, std::int64_t{0});
            EXPECT_NEAR(sum, 65536, 700) << in << " -> " << out << " phase " << p;
        }
        // Phase 0 has t = 0 at tap 31: the cut-off itself.
        const double cutoff = in < out ? 1 - 1.6 / 63 : static_cast<double>(out) / in - 3.0 / 63;
        EXPECT_EQ(table.coefficients[31], static_cast<std::int32_t>(cutoff * 65536 + 0.5));
    }
}

std::vector<std::int32_t> Convert(std::vector<std::int32_t> samples, std::int32_t from,
                                  std::int32_t to, std::int32_t frames, std::uint8_t channels = 1) {
    auto resampler =
        MakeCounted<LResampler>(MakeVectorSource(std::move(samples), from, channels), to);
    EXPECT_FALSE(resampler->IsInvalid());
    return ReadAll(*resampler, frames, 1000);
}

// Frequency from the zero crossings of [first, end), by linear interpolation between samples.
double MeasuredFrequency(const std::vector<std::int32_t>& x, std::size_t first, std::size_t end,
                         std::int32_t rate) {
    double firstCrossing = -1;
    double lastCrossing = -1;
    int crossings = 0;
    for (std::size_t i = first + 1; i < end; ++i) {
        if (x[i - 1] < 0 && x[i] >= 0) {
            const double at =
                static_cast<double>(i - 1) + static_cast<double>(-x[i - 1]) / (x[i] - x[i - 1]);
            if (firstCrossing < 0) {
                firstCrossing = at;
            } else {
                ++crossings;
            }
            lastCrossing = at;
        }
    }
    return crossings * rate / (lastCrossing - firstCrossing);
}

TEST(ResamplerTest, KeepsA1kHzToneThroughTelephoneRateConversion) {
    const std::vector<std::int32_t> out =
        Convert(Sine(1000, 44100, 88200, 300000), 44100, 8000, 15000);
    // The ratio 215/39 makes the output rate 7,999.5 Hz: the tone reads as 1,000.06 Hz at 8 kHz.
    EXPECT_NEAR(MeasuredFrequency(out, 500, 14500, 8000), 1000.06, 0.05);
    const double level = 20 * std::log10(Rms(out, 500, 14500) / (300000 / std::sqrt(2.0)));
    EXPECT_NEAR(level, 0.0, 0.1);
}

TEST(ResamplerTest, AttenuatesEverythingAboveTheNewBandBy40dB) {
    for (double frequency : {4100.0, 4500.0, 5000.0, 6000.0, 8000.0, 11025.0, 15000.0, 20000.0}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(frequency, 44100, 44100, 400000), 44100, 8000, 7500);
        const double level = 20 * std::log10(Rms(out, 200, 7300) / (400000 / std::sqrt(2.0)));
        EXPECT_LT(level, -40.0) << frequency << " Hz";
    }
}

TEST(ResamplerTest, UpsamplingKeepsToneAndLevel) {
    const std::vector<std::int32_t> out =
        Convert(Sine(440, 8000, 16000, 200000), 8000, 44100, 80000);
    // 2/11 approximates 8,000 / 44,100: the output rate is 44,000 Hz, so 440 Hz reads as 441 Hz.
    EXPECT_NEAR(MeasuredFrequency(out, 1000, 79000, 44100), 441.0, 0.05);
    EXPECT_NEAR(20 * std::log10(Rms(out, 1000, 79000) / (200000 / std::sqrt(2.0))), 0.0, 0.1);
}

TEST(ResamplerTest, StereoChannelsStaySeparate) {
    std::vector<std::int32_t> stereo(2 * 44100);
    const std::vector<std::int32_t> left = Sine(500, 44100, 44100, 100000);
    const std::vector<std::int32_t> right = Sine(1500, 44100, 44100, 200000);
    for (std::size_t f = 0; f < 44100; ++f) {
        stereo[2 * f] = left[f];
        stereo[2 * f + 1] = right[f];
    }
    const std::vector<std::int32_t> out = Convert(stereo, 44100, 8000, 7000, 2);
    EXPECT_NEAR(ToneAmplitude(out, 500, 8000, 1000, 7000, 2, 0), 100000, 1000);
    EXPECT_LT(ToneAmplitude(out, 1500, 8000, 1000, 7000, 2, 0), 100);
    EXPECT_NEAR(ToneAmplitude(out, 1500, 8000, 1000, 7000, 2, 1), 200000, 2000);
    EXPECT_LT(ToneAmplitude(out, 500, 8000, 1000, 7000, 2, 1), 100);
}

TEST(ResamplerTest, LargeAndTinyInputKeepTheirScale) {
    // Down-scaling by up to 16 bits and back; and beyond 2^30, where the output scales up.
    for (double amplitude : {1000.0, 524288.0, 8'000'000.0, 1'500'000'000.0}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(1000, 44100, 44100, amplitude), 44100, 8000, 7000);
        EXPECT_NEAR(ToneAmplitude(out, 1000.06, 8000, 1000, 7000) / amplitude, 1.0, 0.01)
            << amplitude;
    }
}

TEST(ResamplerTest, MoreThanTwoChannelsReadSilenceNotStaleBuffers) {
    auto resampler =
        MakeCounted<LResampler>(MakeVectorSource(Noise(1000, 100000, 3), 44100, 3), 8000);
    EXPECT_TRUE(resampler->IsInvalid());
    EXPECT_EQ(resampler->channels, 3);
    std::vector<std::int32_t> out(3 * 100, 12345);
    resampler->Read(out.data(), 100);
    EXPECT_EQ(out, std::vector<std::int32_t>(300, 0));
}

TEST(ResamplerTest, InvalidWhenTheTargetOrTheUpstreamIsUnusable) {
    auto bad = MakeCounted<LResampler>(MakeVectorSource({1, 2}, 8000), 0);
    EXPECT_TRUE(bad->IsInvalid());
    EXPECT_EQ(bad->sampleRate, 44100);
    auto none = MakeCounted<LResampler>(LSoundSourcePtr(), 8000);
    EXPECT_TRUE(none->IsInvalid());
    EXPECT_EQ(none->GetLength(), 0);
    EXPECT_EQ(none->GetPosition(), 0);
    std::vector<std::int32_t> out(5, 9);
    none->Read(out.data(), 5);
    EXPECT_EQ(out, std::vector<std::int32_t>(5, 0));
}

TEST(ResamplerTest, VeryHighRatesStillPassTheBand) {
    // From about 20 times the output rate the usual margin of 3/63 of the band would leave a
    // cut-off near or below zero: a muted or inverted output. Half the band is kept at least.
    for (std::int32_t from : {160000, 176400, 192000}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(1000, from, from, 300000), from, 8000, 7500);
        const double level = 20 * std::log10(ToneAmplitude(out, 1000, 8000, 500, 7500) / 300000);
        EXPECT_GT(level, -5.0) << from;
        EXPECT_LT(level, 0.1) << from;
    }
}

TEST(ResamplerTest, PositionLengthAndSeekAgree) {
    struct Row {
        std::int32_t from;
        std::int32_t to;
    } rows[] = {{44100, 8000}, {8000, 11025}, {8000, 44100}, {48000, 8000}};
    for (const Row& row : rows) {
        const std::vector<std::int32_t> input = Sine(700, row.from, 3 * row.from, 200000);
        auto source = MakeVectorSource(input, row.from);
        auto resampler = MakeCounted<LResampler>(source, row.to);
        const ResampleRatio ratio = FindResampleRatio(row.from, row.to);
        const std::int64_t length = std::int64_t{3 * row.from} * ratio.phases / ratio.step;
        EXPECT_EQ(resampler->GetLength(), length);
        EXPECT_EQ(resampler->GetPosition(), 0);

        const std::vector<std::int32_t> straight = ReadAll(*resampler, 2 * row.to, 997);
        EXPECT_EQ(resampler->GetPosition(), 2 * row.to);

        for (std::int32_t target : {0, 1, row.to / 3, row.to + 17}) {
            resampler->Seek(target);
            EXPECT_EQ(resampler->GetPosition(), target) << row.from << " -> " << row.to;
            std::vector<std::int32_t> again(200);
            resampler->Read(again.data(), 200);
            EXPECT_EQ(resampler->GetPosition(), target + 200);
            // After a seek the filter sees real history rather than the lead-in silence; past
            // the first 31 input frames the output is the same up to rounding.
            const std::size_t from = target == 0 ? 40 : 0;
            for (std::size_t i = from; i < again.size(); ++i) {
                ASSERT_NEAR(again[i], straight[target + i], 40)
                    << row.from << " -> " << row.to << " at " << target + i;
            }
        }
    }
}

TEST(ResamplerTest, SeekToZeroAsksTheUpstreamForTheLeadIn) {
    auto source = MakeCounted<VectorSource>(Sine(700, 44100, 44100, 200000), 44100, 1);
    auto resampler = MakeCounted<LResampler>(LSoundSourcePtr(source), 8000);
    resampler->Seek(0);
    EXPECT_EQ(source->position, -31 + 63 + 8192);
    // The upstream gives silence before its start, so the output equals a fresh start.
    auto fresh =
        MakeCounted<LResampler>(MakeVectorSource(Sine(700, 44100, 44100, 200000), 44100), 8000);
    EXPECT_EQ(ReadAll(*resampler, 3000), ReadAll(*fresh, 3000));
}

TEST(ResamplerTest, ProcessPassesEqualRates) {
    auto source = MakeVectorSource({}, 8000);
    LSoundSourcePtr out;
    LSampleRateProcess(8000).Create(out, source);
    EXPECT_EQ(out, source);
    LSampleRateProcess(11025).Create(out, source);
    ASSERT_NE(out, source);
    EXPECT_EQ(out->sampleRate, 11025);
}

}  // namespace
