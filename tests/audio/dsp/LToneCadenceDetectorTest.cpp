// The cadence tone detector: pass-through to its sink, detection of loud periodic tones, the
// loudness floor, irregular sound, and the one-time poll.
#include "audio/dsp/LToneCadenceDetector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "audio/dsp/TestSources.h"

namespace {

class VectorSink : public LSoundSink {
public:
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        written.insert(written.end(), buffer, buffer + frames * channels);
        position += frames;
    }
    std::vector<std::int32_t> written;
};

// `seconds` of a 425 Hz tone switched on for `onMs` out of every `periodMs` (all on when the
// period is 0), at 8 kHz.
std::vector<std::int32_t> Cadence(int seconds, double amplitude, int onMs, int periodMs) {
    std::vector<std::int32_t> tone = Sine(425, 8000, seconds * 8000, amplitude);
    if (periodMs > 0) {
        for (std::size_t i = 0; i < tone.size(); ++i) {
            if ((i / 8) % periodMs >= static_cast<std::size_t>(onMs)) {
                tone[i] = 0;
            }
        }
    }
    return tone;
}

// Feeds the audio in buffers of 800 frames (as the recorder delivers it) and returns the flag.
std::uint8_t Detect(const std::vector<std::int32_t>& audio) {
    std::uint8_t flag = 0;
    auto detector = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(), &flag);
    for (std::size_t at = 0; at < audio.size(); at += 800) {
        detector->Write(audio.data() + at,
                        static_cast<std::int32_t>(std::min<std::size_t>(800, audio.size() - at)));
    }
    return flag;
}

TEST(ToneCadenceDetectorTest, PassesEveryBufferUntouchedAndTakesTheSinkFormat) {
    auto sink = MakeCounted<VectorSink>();
    sink->sampleRate = 16000;
    std::uint8_t flag = 0;
    auto detector = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(sink), &flag);
    EXPECT_EQ(detector->sampleRate, 16000);
    EXPECT_EQ(detector->blockFrames, 400);
    const std::vector<std::int32_t> audio = Noise(5000, 300000);
    detector->Write(audio.data(), 3000);
    detector->Write(audio.data() + 3000, 2000);
    EXPECT_EQ(sink->written, audio);
    EXPECT_EQ(detector->position, 5000);

    auto alone = MakeCounted<LToneCadenceDetector>(LSoundSinkPtr(), &flag);
    EXPECT_EQ(alone->sampleRate, 8000);
    EXPECT_EQ(alone->channels, 1);
    EXPECT_EQ(alone->blockFrames, 200);
}

TEST(ToneCadenceDetectorTest, FindsLoudPeriodicTones) {
    struct Row {
        const char* name;
        int onMs;
        int periodMs;
    } rows[] = {
        {"steady tone", 0, 0},
        {"1.5 s cadence", 400, 1500},
        {"2 s cadence", 1000, 2000},
        {"1.3 s cadence", 300, 1300},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(Detect(Cadence(16, 30000, row.onMs, row.periodMs)), kCadenceFound) << row.name;
    }
}

TEST(ToneCadenceDetectorTest, IgnoresQuietTones) {
    // Block peaks of 16,384 and below never count, however regular.
    for (int period : {0, 1500}) {
        EXPECT_EQ(Detect(Cadence(16, 16384, 500, period)), 0) << period;
    }
}

TEST(ToneCadenceDetectorTest, IgnoresIrregularSound) {
    // Bursts of speech-like length at irregular gaps.
    std::vector<std::int32_t> audio;
    const int lengths[] = {700, 300, 1200, 450,  250, 900, 1600,
                           350, 800, 500,  1100, 200, 650, 1400};
    bool on = true;
    for (int repeat = 0; repeat < 2; ++repeat) {
        for (int ms : lengths) {
            const std::vector<std::int32_t> part =
                on ? Sine(300 + ms / 4, 8000, ms * 8, 30000) : std::vector<std::int32_t>(ms * 8, 0);
            audio.insert(audio.end(), part.begin(), part.end());
            on = !on;
        }
    }
    EXPECT_EQ(Detect(audio), 0);
}

TEST(ToneCadenceDetectorTest, PollReportsOnce) {
    std::uint8_t flag = 0;
    EXPECT_FALSE(PollCadenceFlag(flag));
    flag |= kCadenceFound;
    EXPECT_TRUE(PollCadenceFlag(flag));
    EXPECT_EQ(flag, kCadenceFound | kCadenceReported);
    EXPECT_FALSE(PollCadenceFlag(flag));
    flag = 0;  // a new recording
    EXPECT_FALSE(PollCadenceFlag(flag));
}

}  // namespace
