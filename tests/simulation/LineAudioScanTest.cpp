// Finding prompts and beeps in a line's audio as it comes, holding only a little of it.
#include "simulation/LineAudioScan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr std::size_t kRate = 8000;

// Noise-like sound of `frames` frames; each seed gives another.
std::vector<std::int16_t> Sound(std::size_t frames, std::uint32_t seed) {
    std::vector<std::int16_t> samples(frames);
    for (std::int16_t& sample : samples) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<std::int16_t>(static_cast<std::int32_t>(seed >> 16) % 6000);
    }
    return samples;
}

std::vector<std::int16_t> Beep() {  // 40 ms of 1 kHz
    std::vector<std::int16_t> samples(kRate / 25);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * 1000 * i / kRate));
    }
    return samples;
}

std::vector<std::pair<std::int64_t, std::string>> Found(const std::vector<HeardSound>& heard) {
    std::vector<std::pair<std::int64_t, std::string>> found;
    for (const HeardSound& sound : heard) {
        found.emplace_back(sound.frame, sound.what);
    }
    return found;
}

TEST(LineAudioScanTest, AudioScannedAsItComesGivesWhatTheWholeGivesAndLittleIsHeld) {
    // A pauses for 0.3 s after 1.5 s.
    std::vector<std::int16_t> a = Sound(3 * kRate, 1);
    std::fill(a.begin() + kRate * 3 / 2, a.begin() + kRate * 9 / 5, 0);
    const std::vector<PromptSound> prompts{{"A", a}, {"B", Sound(kRate, 2)}};
    // Two and a half minutes of rounds, half a second apart: A whole, a beep, B cut short, a beep,
    // a sound that starts no prompt.
    std::vector<std::int16_t> audio;
    auto add = [&](const std::vector<std::int16_t>& sound, std::size_t length) {
        audio.insert(audio.end(), sound.begin(), sound.begin() + std::ptrdiff_t(length));
        audio.resize(audio.size() + kRate / 2);
    };
    for (std::uint32_t round = 0; round < 20; ++round) {
        add(prompts[0].samples, 3 * kRate);
        add(Beep(), Beep().size());
        add(prompts[1].samples, kRate * 3 / 4);
        add(Beep(), Beep().size());
        add(Sound(kRate, 3 + round), kRate);
    }
    const std::vector<HeardSound> whole = ScanLineAudio(audio, prompts);
    ASSERT_EQ(whole.size(), 80u);
    EXPECT_EQ(Found({whole.begin(), whole.begin() + 4}),
              (decltype(Found(whole)){{0, "A"}, {28000, "beep"}, {32320, "B"}, {42320, "beep"}}));
    LineAudioScanner scanner(prompts);
    std::size_t held = 0;
    for (std::size_t at = 0; at < audio.size(); at += kRate) {
        scanner.Add(audio.data() + at, std::min(kRate, audio.size() - at));
        held = std::max(held, scanner.HeldFrames());
    }
    scanner.Finish();
    EXPECT_EQ(Found(scanner.Heard()), Found(whole));
    EXPECT_LT(held, 3 * kRate);
}

}  // namespace
