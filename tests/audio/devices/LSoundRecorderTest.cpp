// The sound recorder on a virtual device and a test clock: block sizes, levels, voice operation,
// the maximum length, and notifications on the owner's thread only.
#include "audio/devices/LSoundRecorder.h"

#include <gtest/gtest.h>

#include <thread>

#include "DeviceEvents.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/TestSources.h"
#include "support/QtTestApp.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtTestApp();
        recorder.device = static_cast<std::int8_t>(registration.InputId());
        recorder.target = &events;
    }

    // Runs `milliseconds` of input and delivers the blocks that arrived.
    void Run(std::int64_t milliseconds) {
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            DeliverPostedEvents();
        }
    }
    // The input plays `signal` on every channel, from the first frame of the device on.
    void Feed(std::function<std::int16_t(std::int64_t frame, int channel)> signal) {
        device->SetInputGenerator([this, signal](std::int16_t* samples, std::int32_t frames,
                                                 const WavePcmFormat& format, std::int64_t) {
            for (std::int32_t f = 0; f < frames; ++f, ++frame) {
                for (int c = 0; c < format.channels; ++c) {
                    samples[f * format.channels + c] = signal(frame, c);
                }
            }
        });
    }
    // Starts recording into a new sink of 8,000 Hz mono unless told otherwise.
    LCountedPtr<TestSink> Start(std::uint16_t options, std::int32_t silenceLimit,
                                std::int8_t soundLevel, std::int32_t maxLength,
                                std::int32_t rate = 8000, std::uint8_t channels = 1) {
        auto sink = MakeCounted<TestSink>(rate, channels);
        EXPECT_TRUE(recorder.Start(sink, options, silenceLimit, soundLevel, maxLength));
        return sink;
    }

    TestClock clock;
    std::shared_ptr<VirtualWaveDevice> device = std::make_shared<VirtualWaveDevice>("in", clock);
    WaveDeviceRegistration registration{device};
    std::int64_t frame = 0;
    DeviceEvents events;
    LSoundRecorder recorder;
};

TEST_F(RecorderTest, BlocksAreATenthOfASecondWithinLimits) {
    for (auto [rate, channels, frames] :
         {std::tuple{8000, 1, 800}, {44100, 2, 4410}, {100, 1, 20}, {96000, 1, 8192}}) {
        auto sink = Start(kRecorderStartWriting, 0, -127, 0, rate, std::uint8_t(channels));
        Run(250);
        recorder.Stop();
        ASSERT_FALSE(sink->writes.empty()) << rate;
        EXPECT_EQ(sink->writes[0], frames) << rate;
    }
}

TEST_F(RecorderTest, LevelsRunFromSilenceToTwelveDecibels) {
    // One 16-bit step is 20 log10(2^-13) = -78.3 dB; -3.0103 rounds away from zero to -3.
    for (auto [peak, level] :
         {std::pair{0, -127}, {32767 * 16, 12}, {131072, 0}, {16, -78}, {92682, -3}}) {
        EXPECT_EQ(LSoundRecorder::PeakLevel(peak), level) << peak;
    }
    Feed([](std::int64_t, int channel) -> std::int16_t { return channel == 0 ? 32767 : 0; });
    Start(kRecorderStartWriting, 0, -127, 0, 8000, 2);
    Run(100);
    const LLevelReport& report = recorder.GetLevelReport();
    EXPECT_EQ(std::tuple(int{report.channels}, int{report.level[0]}, int{report.level[1]}),
              std::tuple(2, 12, -127));
    EXPECT_EQ(events.levels.back(), 12);
}

TEST_F(RecorderTest, VoiceOperationKeepsTheLookBackAndCutsLongSilence) {
    // 1 s of silence, 3 s of loud sound from a block boundary, then silence.
    Feed([](std::int64_t f, int) -> std::int16_t { return (f >= 8000 && f < 32000) ? 8000 : 0; });
    auto sink = Start(0, 20000, -30, 0);
    EXPECT_EQ(events.log, std::vector<std::string>{"waiting"});
    Run(1000);
    EXPECT_TRUE(sink->samples.empty());
    Run(100);
    // The first loud block brings the second half of the quiet block before it.
    EXPECT_EQ(sink->writes, (std::vector<std::int32_t>{400, 800}));
    EXPECT_EQ(events.log.back(), "writing");
    Run(2900);
    EXPECT_EQ(sink->position, 1200 + 29 * 800);
    // Silence is written until it has lasted longer than 2 s, then cut back to 0.45 s.
    Run(2000);
    EXPECT_EQ(events.log.back(), "writing");
    Run(100);
    EXPECT_EQ(events.log.back(), "waiting");
    EXPECT_EQ(sink->position, 24400 + 3600);
    EXPECT_EQ(events.positions.back(), 35000);
    Run(1000);
    EXPECT_EQ(sink->position, 24400 + 3600);
    EXPECT_TRUE(events.onOwnerThread);
}

TEST_F(RecorderTest, SoundStartingMidBlockBringsNoLookBack) {
    Feed([](std::int64_t f, int) -> std::int16_t { return f >= 8400 ? 8000 : 0; });
    auto sink = Start(0, 20000, -30, 0);
    Run(1100);
    EXPECT_EQ(sink->writes, std::vector<std::int32_t>{800});
    EXPECT_EQ(sink->samples[399], 0);
    EXPECT_EQ(sink->samples[400], 8000 * 16);
}

TEST_F(RecorderTest, MaximumLengthStopsAfterTheBlockThatPassesIt) {
    Feed([](std::int64_t, int) -> std::int16_t { return 1000; });
    auto sink = Start(kRecorderStartWriting, 0, -127, 600000);
    Run(60000);
    EXPECT_TRUE(recorder.IsActive());
    Run(100);
    EXPECT_FALSE(recorder.IsActive());
    EXPECT_EQ(events.log.back(), "stopped");
    EXPECT_EQ(sink->position, 601 * 800);
    EXPECT_TRUE(events.onOwnerThread);
    EXPECT_EQ(sink->refCount, 1);  // the recorder let go of it
}

TEST_F(RecorderTest, StopKeepsATwentiethOfASecondAfterTheLastSound) {
    Feed([](std::int64_t f, int) -> std::int16_t { return f < 8000 ? 8000 : 0; });
    auto sink = Start(kRecorderStartWriting, 600000, -30, 0);
    Run(3000);
    EXPECT_EQ(sink->position, 24000);
    recorder.Stop();
    EXPECT_EQ(sink->position, 8400);  // the last loud block ended at 1 s
}

TEST_F(RecorderTest, RestartDiscardsTheTakeAndWaits) {
    Feed([](std::int64_t, int) -> std::int16_t { return 8000; });
    auto sink = Start(kRecorderStartWriting, 20000, -30, 0);
    Run(500);
    recorder.Restart();
    EXPECT_EQ(sink->position, 0);
    EXPECT_EQ(recorder.GetState(), LSoundRecorder::kWaiting);
    EXPECT_EQ(events.positions.back(), 0);
    Run(100);
    EXPECT_EQ(recorder.GetState(), LSoundRecorder::kWriting);
}

TEST_F(RecorderTest, OpenedStoppedRecordsOnlyOnceItsInputIsStarted) {
    Feed([](std::int64_t, int) -> std::int16_t { return 8000; });
    auto sink = Start(kRecorderOpenStopped, 0, -127, 0);
    Run(500);
    EXPECT_EQ(sink->position, 0);
    recorder.StartInput();
    Run(200);
    EXPECT_EQ(sink->position, 1600);
}

TEST_F(RecorderTest, BlocksOfAnEarlierTakeAreIgnored) {
    Feed([](std::int64_t, int) -> std::int16_t { return 8000; });
    auto first = Start(kRecorderStartWriting, 0, -127, 0);
    clock.Advance(300 * kMs);  // three blocks posted, not yet delivered
    auto second = Start(kRecorderStartWriting, 0, -127, 0);
    DeliverPostedEvents();
    EXPECT_TRUE(first->samples.empty());
    EXPECT_TRUE(second->samples.empty());
    Run(100);
    EXPECT_EQ(second->position, 800);
}

TEST_F(RecorderTest, StartFailsCleanlyWithoutADeviceOrSink) {
    auto invalid = MakeCounted<TestSink>();
    invalid->flags |= kSoundInvalid;
    EXPECT_FALSE(recorder.Start(LSoundSinkPtr(), 0, 0, -127, 0));
    EXPECT_FALSE(recorder.Start(invalid, 0, 0, -127, 0));
    recorder.device = static_cast<std::int8_t>(registration.InputId() + 1);
    EXPECT_FALSE(recorder.Start(MakeCounted<TestSink>(), 0, 0, -127, 0));
    EXPECT_TRUE(events.log.empty());
    EXPECT_FALSE(recorder.IsActive());
    recorder.Stop();  // idle: nothing happens
    EXPECT_TRUE(events.log.empty());
}

}  // namespace
