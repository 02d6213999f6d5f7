// The sample-rate converter: ratio, table gain, conversion quality, channels, seek and length.
#include "audio/dsp/LResampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

TEST(ResamplerTest, RatioSearchAndTableGain) {
    // 44,100 / 8,000 = 5.5125 ~ 215/39 within 0.001; 1 -> 1,000 is far too small a ratio for a
    // fraction below 256.
    const std::tuple<std::int32_t, std::int32_t, int, int> ratios[] = {
        {44100, 8000, 39, 215}, {8000, 11025, 40, 29}, {8000, 44100, 11, 2},
        {48000, 8000, 1, 6},    {8000, 8000, 1, 1},    {1, 1000, 1, 0}};
    for (auto [in, out, phases, step] : ratios) {
        const ResampleRatio ratio = FindResampleRatio(in, out);
        EXPECT_EQ(ratio.phases, phases) << in << " -> " << out;
        EXPECT_EQ(ratio.step, step) << in << " -> " << out;
    }
    // Every phase of the table has unity gain (65,536).
    for (auto [in, out] : {std::pair{44100, 8000}, {8000, 44100}, {8000, 11025}, {48000, 8000}}) {
        const LResampleTable table = MakeResampleTable(in, out, 63);
        ASSERT_EQ(table.coefficients.size(), static_cast<std::size_t>(table.phases) * 63);
        for (int p = 0; p < table.phases; ++p) {
            const auto row = table.coefficients.begin() + p * 63;
            EXPECT_NEAR(std::accumulate(row, row + 63, std::int64_t{0}), 65536, 700)
                << in << " -> " << out << " phase " << p;
        }
    }
}

std::vector<std::int32_t> Convert(std::vector<std::int32_t> samples, std::int32_t from,
                                  std::int32_t to, std::int32_t frames, std::uint8_t channels = 1) {
    auto resampler =
        MakeCounted<LResampler>(MakeVectorSource(std::move(samples), from, channels), to);
    EXPECT_FALSE(resampler->IsInvalid());
    return ReadAll(*resampler, frames, 1000);
}

TEST(ResamplerTest, KeepsToneLevelAndChannelsAtAnyScaleAndAttenuatesAboveTheNewBand) {
    // 2/11 makes 8,000 Hz into 44,000 Hz: 440 Hz reads as 441 Hz at 44.1 kHz.
    const std::vector<std::int32_t> up =
        Convert(Sine(440, 8000, 16000, 300000), 8000, 44100, 80000);
    EXPECT_NEAR(ToneAmplitude(up, 441, 44100, 1000, 79000) / 300000, 1.0, 0.005);
    // Down to 8 kHz, everything above the new band loses 40 dB.
    for (double frequency : {4100.0, 4500.0, 5000.0, 6000.0, 8000.0, 11025.0, 15000.0, 20000.0}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(frequency, 44100, 44100, 400000), 44100, 8000, 7500);
        EXPECT_LT(20 * std::log10(Rms(out, 200, 7300) / (400000 / std::sqrt(2.0))), -40.0)
            << frequency;
    }
    // 215/39 makes 44,100 Hz into 7,999.5 Hz: 1 kHz reads as 1,000.06 Hz at 8 kHz. Internally
    // input is scaled down by up to 16 bits and back; beyond 2^30 the output scales up.
    for (double amplitude : {1000.0, 524288.0, 8'000'000.0, 1'500'000'000.0}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(1000, 44100, 44100, amplitude), 44100, 8000, 7000);
        EXPECT_NEAR(ToneAmplitude(out, 1000.06, 8000, 1000, 7000) / amplitude, 1.0, 0.01)
            << amplitude;
    }
    // From about 20 times the output rate the usual margin of 3/63 of the band would leave a
    // cut-off near or below zero: a muted or inverted output. Half the band is kept at least.
    for (std::int32_t from : {160000, 176400, 192000}) {
        const std::vector<std::int32_t> out =
            Convert(Sine(1000, from, from, 300000), from, 8000, 7500);
        const double level = 20 * std::log10(ToneAmplitude(out, 1000, 8000, 500, 7500) / 300000);
        EXPECT_GT(level, -5.0) << from;
        EXPECT_LT(level, 0.1) << from;
    }
    // Stereo channels stay apart; more channels and a bad target rate are invalid.
    const std::vector<std::int32_t> out =
        Convert(Stereo(Sine(500, 44100, 44100, 100000), Sine(1500, 44100, 44100, 200000)), 44100,
                8000, 7000, 2);
    EXPECT_NEAR(ToneAmplitude(out, 500, 8000, 1000, 7000, 2, 0), 100000, 1000);
    EXPECT_NEAR(ToneAmplitude(out, 1500, 8000, 1000, 7000, 2, 1), 200000, 2000);
    // Three channels read silence, not stale buffers; a bad target rate becomes 44,100 Hz.
    auto three = MakeCounted<LResampler>(MakeVectorSource(Noise(1000, 100000, 3), 44100, 3), 8000);
    EXPECT_TRUE(three->IsInvalid());
    EXPECT_EQ(ReadAll(*three, 100), std::vector<std::int32_t>(300, 0));
    auto bad = MakeCounted<LResampler>(MakeVectorSource({1, 2}, 8000), 0);
    EXPECT_EQ(std::tuple(bad->IsInvalid(), bad->sampleRate), std::tuple(true, 44100));
}

TEST(ResamplerTest, PositionLengthAndSeekAgree) {
    // Length: the upstream's 3 s at the ratio found, e.g. 132,300 * 39 / 215 frames.
    for (auto [from, to, length] :
         {std::tuple{44100, 8000, 23998}, {8000, 11025, 33103}, {48000, 8000, 24000}}) {
        auto resampler =
            MakeCounted<LResampler>(MakeVectorSource(Sine(700, from, 3 * from, 200000), from), to);
        EXPECT_EQ(resampler->GetLength(), length);
        EXPECT_EQ(resampler->GetPosition(), 0);
        const std::vector<std::int32_t> straight = ReadAll(*resampler, 2 * to, 997);
        EXPECT_EQ(resampler->GetPosition(), 2 * to);
        for (std::int32_t target : {0, 1, to / 3, to + 17}) {
            resampler->Seek(target);
            EXPECT_EQ(resampler->GetPosition(), target) << from << " -> " << to;
            const std::vector<std::int32_t> again = ReadAll(*resampler, 200);
            EXPECT_EQ(resampler->GetPosition(), target + 200);
            // A seek to 0 reads the upstream's silence before its start as a fresh start does;
            // elsewhere real history takes the place of that silence, changing only the rounding.
            for (std::size_t i = 0; i < again.size(); ++i) {
                ASSERT_NEAR(again[i], straight[target + i], target == 0 ? 0 : 40)
                    << from << " -> " << to << " at " << target + i;
            }
        }
    }
}

}  // namespace
