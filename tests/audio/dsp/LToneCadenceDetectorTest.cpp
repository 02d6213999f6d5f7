// The cadence tone detector: pass-through, the one-time poll and loud periodic tones only.
#include "audio/dsp/LToneCadenceDetector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

// `seconds` of a 425 Hz tone switched on for `onMs` out of every `periodMs` (all on when the
// period is 0), at 8 kHz.
std::vector<std::int32_t> Cadence(double amplitude, int onMs, int periodMs) {
    std::vector<std::int32_t> tone = Sine(425, 8000, 16 * 8000, amplitude);
    for (std::size_t i = 0; periodMs > 0 && i < tone.size(); ++i) {
        tone[i] = (i / 8) % periodMs < static_cast<std::size_t>(onMs) ? tone[i] : 0;
    }
    return tone;
}

// Bursts of speech-like length at irregular gaps.
std::vector<std::int32_t> Speech() {
    std::vector<std::int32_t> audio;
    const int lengths[] = {700, 300, 1200, 450,  250, 900, 1600,
                           350, 800, 500,  1100, 200, 650, 1400};
    for (int i = 0; i < 28; ++i) {
        const int ms = lengths[i % 14];  // on and off in turn
        const std::vector<std::int32_t> part = i % 2 == 0 ? Sine(300 + ms / 4, 8000, ms * 8, 30000)
                                                          : std::vector<std::int32_t>(ms * 8);
        audio.insert(audio.end(), part.begin(), part.end());
    }
    return audio;
}

TEST(ToneCadenceDetectorTest, PassesEveryBufferOnReportsOnceAndFindsLoudPeriodicTonesOnly) {
    auto sink = MakeCounted<TestSink>(16000);
    std::uint8_t flag = 0;
    auto detector = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(sink), &flag);
    EXPECT_EQ(std::pair(detector->sampleRate, detector->blockFrames), std::pair(16000, 400));
    const std::vector<std::int32_t> audio = Noise(5000, 300000);
    detector->Write(audio.data(), 3000);
    detector->Write(audio.data() + 3000, 2000);
    EXPECT_EQ(sink->samples, audio);
    EXPECT_EQ(detector->position, 5000);
    // Alone it takes telephone line audio.
    EXPECT_EQ(MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(), &flag)->blockFrames, 200);
    // A found tone is reported once, until a new recording clears the flag.
    flag = 0;
    EXPECT_FALSE(PollCadenceFlag(flag));
    flag |= kCadenceFound;
    EXPECT_TRUE(PollCadenceFlag(flag));
    EXPECT_EQ(flag, kCadenceFound | kCadenceReported);
    EXPECT_FALSE(PollCadenceFlag(flag));
    // Block peaks of 16,384 and below never count, however regular.
    const std::tuple<const char*, std::vector<std::int32_t>, std::uint8_t> rows[] = {
        {"steady tone", Cadence(30000, 0, 0), kCadenceFound},
        {"2 s cadence", Cadence(30000, 1000, 2000), kCadenceFound},
        {"1.3 s cadence", Cadence(30000, 300, 1300), kCadenceFound},
        {"quiet cadence", Cadence(16384, 500, 1500), 0},
        {"speech", Speech(), 0},
    };
    for (const auto& [name, input, found] : rows) {
        // In buffers of 800 frames, as the recorder delivers them.
        flag = 0;
        detector = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(), &flag);
        for (std::size_t at = 0; at < input.size(); at += 800) {
            detector->Write(input.data() + at, static_cast<std::int32_t>(
                                                   std::min<std::size_t>(800, input.size() - at)));
        }
        EXPECT_EQ(flag, found) << name;
    }
}

}  // namespace
