// Call audio on the simulated line: playing to the call, recording it with the silence split,
// the trims at the end of a recording, the exchange's tone after the far end went away, and the
// recording tone.
#include <gtest/gtest.h>

#include "LineTestBench.h"
#include "TestAudio.h"
#include "audio/dsp/LToneCadenceDetector.h"

namespace {

constexpr std::int8_t kEverything = -127;
constexpr std::int32_t kHour = 36000000;

class LineAudioTest : public SimulatedLineBench {
protected:
    // Far-party speech for `seconds`, then silence.
    void FarPartySpeaks(int seconds) {
        simulated->SetFarPartyAudio(MakeCounted<GeneratedSource>(
            8000, 1, seconds * 8000, [](std::int32_t f, int) { return Noise(f); }));
    }
    LCountedPtr<MemorySink> sink = MakeCounted<MemorySink>();
};

TEST_F(LineAudioTest, ShortSilenceLimitsAreRaisedAndSplitWithTheLine) {
    OpenLine({.recordDone = [] {}});
    AnswerCall();
    FarPartySpeaks(2);
    LSoundSinkPtr recording = sink;
    std::int64_t start = NowMs();
    line.Record(recording, 5000, -40, 0);
    EXPECT_EQ(line.GetExtraSilence(), 400u);
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: record done"); }, 5000));
    // The recorder gives up 0.4 s into the silence; the line 0.4 s later still.
    EXPECT_NEAR(NowMs() - start, 2900, 20);
    EXPECT_FALSE(line.IsRecording());
}

TEST_F(LineAudioTest, LongSilenceLimitsLeaveTheRecorderSixSeconds) {
    OpenLine({.recordDone = [] {}});
    AnswerCall();
    FarPartySpeaks(2);
    LSoundSinkPtr recording = sink;
    std::int64_t start = NowMs();
    line.Record(recording, 600000, -40, kHour);
    EXPECT_EQ(line.GetExtraSilence(), 54000u);
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: record done"); }, 70000));
    // About a minute of silence: the recorder's 6 s, then the line's 54 s.
    EXPECT_NEAR(NowMs() - start, 62100, 20);
    // The recorder cut the silence down to what it keeps.
    EXPECT_LT(sink->position, 8000 * 3);
}

TEST_F(LineAudioTest, StoppingARecordingCutsItsLastTenthsAndAHangUpItsLastSeconds) {
    struct Row {
        const char* name;
        std::int64_t recordMs;
        bool farEndHangsUp;
        std::int32_t expectedFrames;
    } rows[] = {
        {"0.3 s stopped", 300, false, 2400},
        {"10 s stopped", 10000, false, 80000 - 3200},
        {"10 s ended by the far end", 10000, true, 80000 - 36000},
        {"3 s ended by the far end", 3000, true, 24000},
    };
    OpenLine({.remoteHangUp = [] {}});
    for (const Row& row : rows) {
        log.clear();
        AnswerCall();
        FarPartySpeaks(60);
        auto memory = MakeCounted<MemorySink>();
        LSoundSinkPtr recording = memory;
        line.Record(recording, 600000, kEverything, kHour);
        Run(row.recordMs);
        EXPECT_TRUE(line.IsRecording()) << row.name;
        if (row.farEndHangsUp) {
            ASSERT_TRUE(simulated->FarPartyHangsUp());
            DeliverPostedEvents();
            EXPECT_TRUE(Logged("standing: remote hang-up")) << row.name;
        } else {
            line.StopAudio();
        }
        EXPECT_FALSE(line.IsRecording()) << row.name;
        EXPECT_EQ(memory->position, row.expectedFrames) << row.name;
        // Nothing more arrives once stopped.
        Run(300);
        EXPECT_EQ(memory->position, row.expectedFrames) << row.name;
        EXPECT_FALSE(Logged("standing: record done")) << row.name;
        line.Drop();
        Run(200);
        ASSERT_EQ(simulated->State(), SimulatedCallState::Idle) << row.name;
    }
}

TEST_F(LineAudioTest, AfterTheFarEndWentTheRecordingListensForTheExchangeTone) {
    LSoundSinkPtr recording;
    OpenLine({.start =
                  [&] {
                      LSoundSourcePtr prompt = MakeCounted<GeneratedSource>(
                          8000, 1, 16000, [](std::int32_t f, int) { return Noise(f); });
                      line.Play(prompt);
                  },
              .playDone =
                  [&] {
                      recording = sink;
                      line.Record(recording, 600000, kEverything, kHour);
                  }});
    AnswerCall();
    Run(500);
    // The far end hangs up while the prompt plays: the prompt goes on.
    ASSERT_TRUE(simulated->FarPartyHangsUp());
    DeliverPostedEvents();
    EXPECT_NE(line.GetLineStatus() & LTapiLine::kFarEndGone, 0);
    EXPECT_EQ(line.GetPlayMode(), LTapiLine::PlayMode::Playing);
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: play done"); }, 60000));
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    ASSERT_TRUE(line.IsRecording());
    EXPECT_NE(dynamic_cast<LToneCadenceDetector*>(recording.Get()), nullptr);

    // The exchange's tone ends the recording, reported once, without its last 4.5 s.
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: remote hang-up"); }, 20000));
    EXPECT_FALSE(line.IsRecording());
    EXPECT_EQ(line.GetToneStatus(), kCadenceFound | kCadenceReported);
    Run(500);
    EXPECT_EQ(CountLogged("standing: remote hang-up"), 1);
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    EXPECT_EQ(log.back(), "standing: call ended");
    EXPECT_LT(sink->position, 8000 * 10);
}

TEST_F(LineAudioTest, ACadenceFromAFarPartyStillThereIsNotTakenForTheExchange) {
    OpenLine();
    AnswerCall();
    simulated->SetFarPartyAudio(MakeCounted<GeneratedSource>(
        8000, 1, 8000 * 60, [](std::int32_t f, int) { return CadencedTone(f, 425, 750, 1500); }));
    LSoundSinkPtr recording = sink;
    line.Record(recording, 600000, kEverything, kHour);
    EXPECT_EQ(recording.Get(), sink.Get());
    Run(15000);
    EXPECT_TRUE(line.IsRecording());
    EXPECT_FALSE(Logged("standing: remote hang-up"));
    EXPECT_EQ(sink->position, 8000 * 15);
}

TEST_F(LineAudioTest, PlayConvertsToTelephoneAudioAndReportsProgress) {
    LoggingHandler* handler = nullptr;
    OpenLine({.playDone = [] {}});
    handler = static_cast<LoggingHandler*>(line.StandingHandler());
    AnswerCall();
    // One second of 16 kHz stereo.
    LSoundSourcePtr source = MakeCounted<GeneratedSource>(
        16000, 2, 16000, [](std::int32_t f, int) { return CadencedTone(f / 2, 500, 1000, 1000); });
    line.Play(source);
    EXPECT_EQ(source->sampleRate, 8000);
    EXPECT_EQ(source->channels, 1);
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: play done"); }, 60000));
    EXPECT_EQ(handler->lastPlayPosition, 10000);
    EXPECT_GT(handler->playLevels, 0);
    std::size_t span = AudibleSpan(simulated->Capture());
    EXPECT_NEAR(static_cast<double>(span), 8000.0, 40.0);
}

TEST_F(LineAudioTest, APlayThatCannotStartEndsAtOnce) {
    OpenLine({.playDone = [] {}});
    AnswerCall();
    LSoundSourcePtr invalid =
        MakeCounted<GeneratedSource>(8000, 1, 100, [](std::int32_t, int) { return 0; });
    invalid->flags |= kSoundInvalid;
    line.Play(invalid);
    EXPECT_TRUE(Logged("standing: play done"));
    EXPECT_EQ(line.GetPlayMode(), LTapiLine::PlayMode::Idle);
}

TEST_F(LineAudioTest, TheRecordingToneIsAShortBurstOnTheLine) {
    OpenLine({.generateDone = [] {}});
    AnswerCall();
    Run(1000);
    line.Beep();
    Run(100);
    EXPECT_TRUE(Logged("standing: generate done"));
    std::vector<std::int16_t> capture = simulated->Capture();
    EXPECT_NEAR(static_cast<double>(AudibleSpan(capture)), 320.0, 2.0);  // 40 ms
    // It sounds where the beep was asked for, a second into the call.
    auto first = std::find_if(capture.begin(), capture.end(),
                              [](std::int16_t s) { return std::abs(s) > 100; });
    EXPECT_NEAR(static_cast<double>(first - capture.begin()), 8000.0, 8.0);
    // Audio goes on: a recording is not stopped by a beep.
    EXPECT_EQ(simulated->State(), SimulatedCallState::Connected);
}

TEST_F(LineAudioTest, ListeningWithNoTimeEndsAtOnce) {
    OpenLine();
    AnswerCall();
    // The default handler drops the call when listening ends.
    line.Listen(0, kEverything, 0);
    EXPECT_EQ(line.GetPendingRequest(), LTapiLine::PendingRequest::Drop);
    EXPECT_EQ(line.GetRecordMode(), LTapiLine::RecordMode::Idle);
}

TEST_F(LineAudioTest, ListeningEndsWhenTheExchangeToneIsHeard) {
    OpenLine({.remoteHangUp = [] {}});
    AnswerCall();
    line.Listen(0, kEverything, kHour);
    EXPECT_EQ(line.GetRecordMode(), LTapiLine::RecordMode::Listening);
    simulated->SetFarPartyAudio(MakeCounted<GeneratedSource>(
        8000, 1, 8000 * 60, [](std::int32_t f, int) { return CadencedTone(f, 425, 750, 1500); }));
    ASSERT_TRUE(RunUntil([&] { return Logged("standing: remote hang-up"); }, 20000));
    EXPECT_EQ(line.GetRecordMode(), LTapiLine::RecordMode::Idle);
    EXPECT_EQ(CountLogged("standing: remote hang-up"), 1);
}

}  // namespace
