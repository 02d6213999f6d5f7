// The telephone high-pass filter: its coefficient, its response, state per channel and reset.
#include "audio/dsp/LHighPassFilter.h"

#include <gtest/gtest.h>

#include <complex>
#include <numbers>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

LCountedPtr<LHighPassFilter> MakeHighPass(std::vector<std::int32_t> samples, std::int32_t rate,
                                          std::int32_t cutoff, std::uint8_t channels = 1) {
    return MakeCounted<LHighPassFilter>(MakeVectorSource(std::move(samples), rate, channels),
                                        cutoff);
}

TEST(HighPassFilterTest, Coefficients) {
    struct Row {
        std::int32_t cutoff;
        std::int32_t rate;
        std::int32_t coefficient;
    } rows[] = {
        {300, 8000, 53},    // (1 - exp(-0.23562)) * 256 = 53.6
        {21, 8000, 4},      // the smallest cut-off the play process applies
        {1500, 8000, 177},  // the largest on the settings sheet
        {300, 44100, 10},  {0, 8000, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MakeHighPass({}, row.rate, row.cutoff)->coefficient, row.coefficient)
            << row.cutoff << " Hz at " << row.rate;
    }
}

TEST(HighPassFilterTest, DoublesASmallPeakBoundOnly) {
    auto source = MakeVectorSource({}, 8000);
    source->peakBound = 0x100000;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x200000);
    source->peakBound = 0x100001;
    EXPECT_EQ(MakeCounted<LHighPassFilter>(source, 300)->peakBound, 0x100001);
}

TEST(HighPassFilterTest, FollowsTheOnePoleRecurrence) {
    // k = 53: y = x - (s >> 8), then s += y * k, with an arithmetic shift of negative states.
    const std::vector<std::int32_t> input = {100000, 100000, -50000, -900000, 7, 0};
    auto filter = MakeHighPass(input, 8000, 300);
    std::vector<std::int32_t> out(input.size());
    filter->Read(out.data(), static_cast<std::int32_t>(out.size()));
    const std::vector<std::int32_t> expected = {100000, 79297, -87120, -919083, 171203, 135752};
    EXPECT_EQ(out, expected);
}

TEST(HighPassFilterTest, RemovesDcAndLowHumButKeepsSpeech) {
    // 5 s at 8 kHz: a DC offset, 50 Hz hum and a 1 kHz tone.
    const std::int32_t frames = 40000;
    std::vector<std::int32_t> input = Sine(1000, 8000, frames, 100000);
    const std::vector<std::int32_t> hum = Sine(50, 8000, frames, 100000);
    for (std::int32_t f = 0; f < frames; ++f) {
        input[f] += hum[f] + 200000;
    }
    auto filter = MakeHighPass(input, 8000, 300);
    const std::vector<std::int32_t> out = ReadAll(*filter, frames, 1000);
    // The second half, after the state has settled; 50 Hz and 1 kHz fit it in whole periods.
    // With k = 53 / 256 the filter is (1 - z^-1) / (1 - (1 - k) z^-1).
    const double pole = 1 - 53.0 / 256;
    const auto response = [pole](double frequency) {
        const std::complex<double> z = std::polar(1.0, -2 * std::numbers::pi * frequency / 8000);
        return std::abs((1.0 - z) / (1.0 - pole * z));
    };
    EXPECT_NEAR(ToneAmplitude(out, 1000, 8000, 20000, 40000), 100000 * response(1000), 500);
    EXPECT_NEAR(ToneAmplitude(out, 50, 8000, 20000, 40000), 100000 * response(50), 500);
    EXPECT_LT(response(50), 0.25);
    double mean = 0;
    for (std::int32_t f = 20000; f < frames; ++f) {
        mean += out[f];
    }
    EXPECT_LT(std::abs(mean / 20000), 300);
}

TEST(HighPassFilterTest, KeepsOneStatePerChannelAndSeekClearsIt) {
    // Left carries a DC offset, right silence: right must stay silent.
    std::vector<std::int32_t> stereo(2 * 4000);
    for (std::size_t f = 0; f < 4000; ++f) {
        stereo[2 * f] = 300000;
    }
    auto filter = MakeHighPass(stereo, 8000, 300, 2);
    std::vector<std::int32_t> out = ReadAll(*filter, 4000, 999);
    for (std::size_t f = 0; f < 4000; ++f) {
        ASSERT_EQ(out[2 * f + 1], 0) << f;
    }
    EXPECT_LT(std::abs(out[2 * 3999]), 100);  // the offset has been followed away
    filter->Seek(100);
    std::int32_t again[2];
    filter->Read(again, 1);
    EXPECT_EQ(again[0], 300000);  // fresh state: the first sample passes whole
}

TEST(HighPassFilterTest, InvalidFilterReadsSilenceAndIgnoresSeek) {
    auto filter = MakeCounted<LHighPassFilter>(LSoundSourcePtr(), 300);
    EXPECT_TRUE(filter->IsInvalid());
    std::vector<std::int32_t> out(10, 77);
    filter->Read(out.data(), 10);
    filter->Seek(5);
    EXPECT_EQ(out, std::vector<std::int32_t>(10, 0));
}

}  // namespace
