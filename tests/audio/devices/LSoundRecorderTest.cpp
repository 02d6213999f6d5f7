// The sound recorder on a virtual device and a test clock: block sizes, levels, voice operation,
// the maximum length, and notifications on the owner's thread only.
#include "audio/devices/LSoundRecorder.h"

#include <gtest/gtest.h>

#include <climits>

#include "DeviceEvents.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/TestSources.h"
#include "support/QtTestApp.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;
constexpr std::int16_t kLoud = 8000;

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
    // The input holds `peak` on its first `channels` channels from frame `from` until frame `to`
    // of the device, and is silent otherwise.
    void Feed(std::int16_t peak, std::int64_t from = 0, std::int64_t to = INT64_MAX,
              int channels = 2) {
        device->SetInputGenerator([=, this](std::int16_t* samples, std::int32_t frames,
                                            const WavePcmFormat& format, std::int64_t) {
            for (std::int32_t f = 0; f < frames; ++f, ++frame) {
                for (int c = 0; c < format.channels; ++c) {
                    bool on = frame >= from && frame < to && c < channels;
                    samples[f * format.channels + c] = on ? peak : 0;
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
    const std::tuple<int, int, int> rows[] = {
        {8000, 1, 800}, {44100, 2, 4410}, {100, 1, 20}, {96000, 1, 8192}};
    for (auto [rate, channels, frames] : rows) {
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
    Feed(32767, 0, INT64_MAX, 1);
    Start(kRecorderStartWriting, 0, -127, 0, 8000, 2);
    Run(100);
    const LLevelReport& report = recorder.GetLevelReport();
    EXPECT_EQ(std::tuple(int{report.channels}, int{report.level[0]}, int{report.level[1]}),
              std::tuple(2, 12, -127));
    EXPECT_EQ(events.levels.back(), 12);
}

TEST_F(RecorderTest, VoiceOperationKeepsTheLookBackAndCutsLongSilence) {
    Feed(kLoud, 8000, 32000);  // 3 s from a block boundary, 1 s in
    auto sink = Start(0, 20000, -30, 0);
    EXPECT_EQ(events.log, std::vector<std::string>{"waiting"});
    Run(1100);
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
    // Sound that starts in the middle of a block brings no look-back.
    Feed(kLoud, frame + 400);
    Run(100);
    EXPECT_EQ(sink->position, 28000 + 800);
    EXPECT_EQ(std::tuple(sink->samples[28399], sink->samples[28400]), std::tuple(0, kLoud * 16));
}

TEST_F(RecorderTest, MaximumLengthStopsAfterTheBlockThatPassesIt) {
    Feed(kLoud);
    auto sink = Start(kRecorderStartWriting, 0, -127, 600000);
    Run(60000);
    EXPECT_TRUE(recorder.IsActive());
    Run(100);
    EXPECT_FALSE(recorder.IsActive());
    EXPECT_EQ(events.log.back(), "stopped");
    EXPECT_EQ(sink->position, 601 * 800);
    EXPECT_EQ(sink->refCount, 1);  // the recorder let go of it
}

TEST_F(RecorderTest, StopKeepsATwentiethOfASecondAfterTheLastSoundAndRestartDiscardsTheTake) {
    Feed(kLoud, 0, 8000);
    auto sink = Start(kRecorderStartWriting, 600000, -30, 0);
    Run(3000);
    EXPECT_EQ(sink->position, 24000);
    recorder.Stop();
    EXPECT_EQ(sink->position, 8400);  // the last loud block ended at 1 s
    Feed(kLoud);
    sink = Start(kRecorderStartWriting, 20000, -30, 0);
    Run(500);
    recorder.Restart();
    EXPECT_EQ(std::tuple(sink->position, recorder.GetState()),
              std::tuple(0, LSoundRecorder::kWaiting));
    EXPECT_EQ(events.positions.back(), 0);
    Run(100);
    EXPECT_EQ(recorder.GetState(), LSoundRecorder::kWriting);
}

TEST_F(RecorderTest, BlocksOfAnEarlierTakeAreIgnoredAndOneOpenedStoppedWaitsForItsInput) {
    Feed(kLoud);
    auto first = Start(kRecorderStartWriting, 0, -127, 0);
    clock.Advance(300 * kMs);  // three blocks posted, not yet delivered
    auto second = Start(kRecorderOpenStopped, 0, -127, 0);
    DeliverPostedEvents();
    EXPECT_TRUE(first->samples.empty());
    Run(500);
    EXPECT_EQ(second->position, 0);
    recorder.StartInput();
    Run(200);
    EXPECT_EQ(second->position, 1600);
}

TEST_F(RecorderTest, StartFailsCleanlyWithoutADeviceOrSink) {
    auto invalid = MakeCounted<TestSink>();
    invalid->flags |= kSoundInvalid;
    EXPECT_FALSE(recorder.Start(invalid, 0, 0, -127, 0));
    recorder.device = static_cast<std::int8_t>(registration.InputId() + 1);
    EXPECT_FALSE(recorder.Start(MakeCounted<TestSink>(), 0, 0, -127, 0));
    EXPECT_FALSE(recorder.IsActive());
    recorder.Stop();  // idle: nothing happens
    EXPECT_TRUE(events.log.empty());
}

}  // namespace
