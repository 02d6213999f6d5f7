// Finding prompts and beeps in a line's audio as it comes, holding only a little of it.
#include "simulation/LineAudioScan.h"

#include <gtest/gtest.h>

#include "audio/dsp/TestSources.h"

namespace {

constexpr std::size_t kRate = 8000;

// Noise of `frames` frames as 16-bit samples; each seed gives another.
std::vector<std::int16_t> Sound(std::size_t frames, std::uint32_t seed) {
    const std::vector<std::int32_t> noise = Noise(std::int32_t(frames), 6000, 1, seed);
    return {noise.begin(), noise.end()};
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
    const std::vector<std::int32_t> beep = Sine(1000, kRate, kRate / 25, 8000);  // 40 ms, 1 kHz
    std::vector<std::int16_t> audio;
    auto add = [&](const auto& sound, std::size_t length) {
        audio.insert(audio.end(), sound.begin(), sound.begin() + std::ptrdiff_t(length));
        audio.resize(audio.size() + kRate / 2);
    };
    for (std::uint32_t round = 0; round < 20; ++round) {
        add(prompts[0].samples, 3 * kRate);
        add(beep, beep.size());
        add(prompts[1].samples, kRate * 3 / 4);
        add(beep, beep.size());
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
