// The look-ahead peak limiter: every sample within the limit, quiet audio untouched, and the
// process's pass-through on sources that cannot exceed the limit.
#include "audio/dsp/LPeakLimiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

// Five seconds sweeping 100 Hz to 3 kHz with the amplitude swelling from 10% to 16 times the
// limit, with sudden full bursts on the way.
std::vector<std::int32_t> LoudChirp(std::int32_t rate) {
    const std::int32_t frames = 5 * rate;
    std::vector<std::int32_t> out(frames);
    double phase = 0;
    for (std::int32_t f = 0; f < frames; ++f) {
        const double t = static_cast<double>(f) / frames;
        phase += 2 * std::numbers::pi * (100 + 2900 * t) / rate;
        double amplitude = kPlayerPeakLimit * (0.1 + 16 * t);
        if ((f / (rate / 7)) % 5 == 2) {
            amplitude = 8'000'000;
        }
        out[f] = static_cast<std::int32_t>(amplitude * std::sin(phase));
    }
    return out;
}

TEST(PeakLimiterTest, KeepsEveryOutputSampleWithinTheLimit) {
    for (std::int32_t rate : {8000, 44100}) {
        for (std::uint8_t channels : {1, 2}) {
            std::vector<std::int32_t> chirp = LoudChirp(rate);
            std::vector<std::int32_t> samples(chirp.size() * channels);
            for (std::size_t f = 0; f < chirp.size(); ++f) {
                for (int c = 0; c < channels; ++c) {
                    samples[f * channels + c] = c == 0 ? chirp[f] : -chirp[f];
                }
            }
            auto source = MakeVectorSource(samples, rate, channels);
            source->peakBound = 8'000'000;
            auto limiter = MakeCounted<LPeakLimiter>(source, kPlayerPeakLimit);
            EXPECT_EQ(limiter->peakBound, kPlayerPeakLimit);
            const std::vector<std::int32_t> out =
                ReadAll(*limiter, static_cast<std::int32_t>(chirp.size()), 1234);
            std::int32_t loudest = 0;
            for (std::int32_t x : out) {
                loudest = std::max(loudest, std::abs(x));
            }
            EXPECT_LE(loudest, kPlayerPeakLimit) << rate << " Hz, " << int{channels} << " ch";
            EXPECT_GT(loudest, kPlayerPeakLimit * 9 / 10);  // limited, not muted
        }
    }
}

TEST(PeakLimiterTest, BringsASteadyLoudToneToTheLimit) {
    auto source = MakeVectorSource(Sine(400, 8000, 16000, 2 * kPlayerPeakLimit), 8000);
    source->peakBound = 4 * kPlayerPeakLimit;
    auto limiter = MakeCounted<LPeakLimiter>(source, kPlayerPeakLimit);
    const std::vector<std::int32_t> out = ReadAll(*limiter, 16000);
    EXPECT_NEAR(ToneAmplitude(out, 400, 8000, 2000, 14000), kPlayerPeakLimit,
                kPlayerPeakLimit * 0.01);
}

TEST(PeakLimiterTest, QuietAudioPassesUntouched) {
    const std::vector<std::int32_t> input = Noise(20000, kPlayerPeakLimit, 2);
    auto source = MakeVectorSource(input, 11025, 2);
    source->peakBound = 0x200000;
    auto limiter = MakeCounted<LPeakLimiter>(source, kPlayerPeakLimit);
    EXPECT_EQ(limiter->blockLength, 315);
    EXPECT_EQ(ReadAll(*limiter, 20000, 777), input);
}

TEST(PeakLimiterTest, HonoursTheLimitWhatEverTheSourceBound) {
    // A source that claims any magnitude still gets the limit asked for, not a 22-bit one.
    auto source = MakeVectorSource(Sine(300, 8000, 8000, 3'000'000), 8000);
    source->peakBound = 0x7FFFFFFF;
    auto limiter = MakeCounted<LPeakLimiter>(source, kPlayerPeakLimit);
    EXPECT_EQ(limiter->peakBound, kPlayerPeakLimit);
    for (std::int32_t x : ReadAll(*limiter, 8000)) {
        ASSERT_LE(std::abs(x), kPlayerPeakLimit);
    }
    // Limits beyond 22 bits are held to the largest the gain arithmetic takes.
    EXPECT_EQ(MakeCounted<LPeakLimiter>(source, 0x7FFFFFFF)->peakBound, 0x3FFFFF);
}

TEST(PeakLimiterTest, ProcessPassesSourcesThatCannotExceedTheLimit) {
    struct Row {
        std::int32_t peakBound;
        bool creates;
    } rows[] = {
        {kPlayerPeakLimit, false}, {kPlayerPeakLimit - 1, false}, {kPlayerPeakLimit + 1, true}};
    for (const Row& row : rows) {
        auto source = MakeVectorSource({}, 8000);
        source->peakBound = row.peakBound;
        LSoundSourcePtr out;
        LPeakLimiterProcess(kPlayerPeakLimit).Create(out, source);
        EXPECT_EQ(out != source, row.creates) << row.peakBound;
        EXPECT_EQ(out->peakBound, std::min(row.peakBound, kPlayerPeakLimit));
    }
}

}  // namespace
