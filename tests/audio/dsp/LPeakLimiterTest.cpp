// The look-ahead peak limiter: every sample within the limit and quiet audio untouched.
#include "audio/dsp/LPeakLimiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

// Five seconds sweeping 100 Hz to 3 kHz with the amplitude swelling from 10% to 16 times the
// limit, with sudden full bursts on the way.
std::vector<std::int32_t> LoudChirp(std::int32_t rate) {
    std::vector<std::int32_t> out(5 * rate);
    double phase = 0;
    for (std::size_t f = 0; f < out.size(); ++f) {
        const double t = static_cast<double>(f) / out.size();
        phase += 2 * std::numbers::pi * (100 + 2900 * t) / rate;
        const bool burst = (f / (rate / 7)) % 5 == 2;
        out[f] = static_cast<std::int32_t>((burst ? 8e6 : kPlayerPeakLimit * (0.1 + 16 * t)) *
                                           std::sin(phase));
    }
    return out;
}

std::int32_t Loudest(const std::vector<std::int32_t>& samples) {
    return std::abs(std::ranges::max(samples, {}, [](std::int32_t x) { return std::abs(x); }));
}

LCountedPtr<LPeakLimiter> MakeLimiter(std::vector<std::int32_t> samples, std::int32_t rate,
                                      std::uint8_t channels, std::int32_t sourceBound,
                                      std::int32_t limit = kPlayerPeakLimit) {
    auto source = MakeVectorSource(std::move(samples), rate, channels);
    source->peakBound = sourceBound;
    return MakeCounted<LPeakLimiter>(source, limit);
}

TEST(PeakLimiterTest, KeepsEverySampleWithinTheLimitBringsALoudToneToItAndLetsQuietAudioPass) {
    for (std::int32_t rate : {8000, 44100}) {
        const std::vector<std::int32_t> chirp = LoudChirp(rate);
        // In stereo the right channel is loud where the left is quiet.
        const std::vector<std::int32_t> reversed(chirp.rbegin(), chirp.rend());
        for (const auto& [channels, samples] :
             {std::pair{1, chirp}, {2, Stereo(chirp, reversed)}}) {
            auto limiter = MakeLimiter(samples, rate, channels, 8'000'000);
            EXPECT_EQ(limiter->peakBound, kPlayerPeakLimit);
            EXPECT_LE(Loudest(ReadAll(*limiter, 5 * rate, 1234)), kPlayerPeakLimit)
                << rate << " Hz, " << channels << " ch";
        }
    }
    // A source claiming any magnitude still gets the limit asked for, not a 22-bit one.
    auto any = MakeLimiter(Sine(300, 8000, 8000, 3'000'000), 8000, 1, 0x7FFFFFFF);
    EXPECT_EQ(any->peakBound, kPlayerPeakLimit);
    EXPECT_LE(Loudest(ReadAll(*any, 8000)), kPlayerPeakLimit);
    // Limits beyond 22 bits are held to the largest the gain arithmetic takes.
    EXPECT_EQ(MakeLimiter({}, 8000, 1, 0x7FFFFFFF, 0x7FFFFFFF)->peakBound, 0x3FFFFF);
    // A steady loud tone is brought to the limit; quiet audio passes untouched.
    auto loud =
        MakeLimiter(Sine(400, 8000, 16000, 2 * kPlayerPeakLimit), 8000, 1, 4 * kPlayerPeakLimit);
    EXPECT_NEAR(ToneAmplitude(ReadAll(*loud, 16000), 400, 8000, 2000, 14000), kPlayerPeakLimit,
                kPlayerPeakLimit * 0.01);
    const std::vector<std::int32_t> input = Noise(20000, kPlayerPeakLimit, 2);
    auto quiet = MakeLimiter(input, 11025, 2, 0x200000);
    EXPECT_EQ(quiet->blockLength, 315);
    EXPECT_EQ(ReadAll(*quiet, 20000, 777), input);
}

}  // namespace
