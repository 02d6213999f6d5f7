// The check of a finished recording for sound: silent and nearly silent lines are found, a call
// with long pauses is not, and short recordings are not judged.
#include "audio/level/SilenceCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "audio/files/WaveTestFiles.h"
#include "support/TempDir.h"

namespace {

constexpr int kRate = 8000;
constexpr int kBlock = kRate * kSilenceBlockMs / 1000;

// A 16-bit sample of a sine at `dbfs` (its RMS against full scale) at sample `i`.
double Sine(double dbfs, std::size_t i, double hz = 440) {
    return 32768 * std::sqrt(2.0) * std::pow(10, dbfs / 20) * std::sin(i * 2 * M_PI * hz / kRate);
}

// Line noise of about -65 dBFS: uniform in +-32, from a fixed generator.
double Noise(std::size_t i) {
    const std::uint32_t x = static_cast<std::uint32_t>(i) * 1103515245u + 12345u;
    return static_cast<int>((x >> 16) % 65) - 32;
}

std::string File(double seconds, const std::function<double(std::size_t)>& sample) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(sample(i)));
    }
    return Pcm16File(1, kRate, samples);
}

// Noise with a -20 dBFS tone in the first `blocks` blocks of each 500 (10 s).
std::function<double(std::size_t)> TonesOnNoise(std::size_t blocks) {
    return [blocks](std::size_t i) {
        return Noise(i) + (i % (500 * kBlock) < blocks * kBlock ? Sine(-20, i) : 0);
    };
}

TEST(SilenceCheckTest, SilentAndNearlySilentRecordingsHoldNoSoundACallWithPausesDoes) {
    const std::tuple<const char*, std::string, SilenceVerdict> rows[] = {
        {"digital silence", File(10, [](std::size_t) { return 0; }), SilenceVerdict::NoSound},
        {"line noise with a few tones (4.8 %)", File(20, TonesOnNoise(24)),
         SilenceVerdict::NoSound},
        {"line noise with tones in 5 % of the blocks", File(20, TonesOnNoise(25)),
         SilenceVerdict::Sound},
        // Quiet speech (-40 dBFS, syllables at 4 Hz) 1.2 s in every 4 s, over the line's noise.
        {"a call with long pauses",
         File(60,
              [](std::size_t i) {
                  const double envelope = std::fabs(std::sin(i * 2 * M_PI * 2 / kRate));
                  return Noise(i) + (i % (4 * kRate) < 1.2 * kRate ? envelope * Sine(-37, i) : 0);
              }),
         SilenceVerdict::Sound},
        {"shorter than 5 s", File(4.99, [](std::size_t) { return 0; }), SilenceVerdict::TooShort},
        {"not a WAV file", "RIFF", SilenceVerdict::Unreadable},
    };
    TempDir dir;
    for (const auto& [name, content, verdict] : rows) {
        WriteFile(dir / "call.wav", content);
        EXPECT_EQ(CheckSilence(dir / "call.wav"), verdict) << name;
    }
}

}  // namespace
