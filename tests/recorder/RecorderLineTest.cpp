// The call recorder on a line that only notes what it is asked.
#include "recorder/RecorderLine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "FakeLine.h"
#include "audio/files/WaveWriters.h"
#include "base/IniFile.h"
#include "support/TempAppState.h"

namespace {

struct Window : MainWindowNotify {
    void OnLevelMessage(std::int8_t level) override { levels.push_back(level); }
    void OnCallerIdMessage(const std::string& text) override { popups.push_back(text); }
    void OnCallEndedMessage() override { ++ended; }
    std::vector<int> levels;
    std::vector<std::string> popups;
    int ended = 0;
};

using Ops = std::vector<std::string>;

// Prompt lengths in frames, so a play shows which prompt it was.
constexpr int kStart = 1000, kEnd = 2000, kHold1 = 3000, kHold2 = 4000, kHold3 = 5000;
const std::string kRecord = "record 600000 -127 36000000";

std::string Play(int frames) {
    return "play " + std::to_string(frames);
}

class RecorderLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.mainWindow = &window;
        app.levelQueue = [this](const std::string& path) { queued.push_back(path); };
        for (auto [name, frames] : {std::pair{"Start Prompt", kStart},
                                    {"End Prompt", kEnd},
                                    {"On-Hold 1", kHold1},
                                    {"On-Hold 2", kHold2},
                                    {"On-Hold 3", kHold3}}) {
            LSoundSinkPtr writer = CreateWaveWriter(app.dataFolder + name + ".wav", 8000, 0, 16, 1);
            std::vector<std::int32_t> samples(static_cast<std::size_t>(frames), 16000);
            writer->Write(samples.data(), frames);
        }
        auto handler = std::make_unique<RecorderLine>(app);
        recorder = handler.get();
        line.SetStandingHandler(std::move(handler));
    }
    void Set(const char* key, const char* value) {
        ASSERT_TRUE(WriteProfileString(app.settingsFile, "settings", key, value));
    }
    // Connects a call in `mode`; the operations that asked for.
    Ops Connect(CallMode mode) {
        app.callMode = mode;
        line.Connect();
        return line.Take();
    }
    void PlayDone() {
        line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    }
    void RecordProgress(std::int32_t position) {
        line.Send([position](LTapiCallHandler& h) { h.OnRecordProgress(position); });
    }

    TempDir dir;
    AppState app = TempAppState(dir);
    Window window;
    std::vector<std::string> queued;
    FakeLine line;
    RecorderLine* recorder = nullptr;
};

TEST_F(RecorderLineTest, RecordWithBothAnnouncementsTonesAndHandOn) {
    EXPECT_EQ(Connect(CallMode::Record), Ops{Play(kStart)});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::StartPrompt);

    PlayDone();
    EXPECT_EQ(line.Take(), Ops{kRecord});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::Recording);
    std::string file = recorder->CurrentFile();
    EXPECT_EQ(file.rfind(app.recordingsFolder, 0), 0u);
    EXPECT_TRUE(file.ends_with(".wav"));

    // Tones one interval in, then every interval after the one that sounded.
    for (std::int32_t position : {0, 149999, 150000, 299999, 300500, 450499, 450500}) {
        RecordProgress(position);
    }
    EXPECT_EQ(line.Take(), (Ops{"beep", "beep", "beep"}));
    line.Send([](LTapiCallHandler& h) { h.OnGenerateDone(); });
    EXPECT_TRUE(line.Take().empty());
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-20); });
    EXPECT_EQ(window.levels, std::vector<int>{-20});

    app.callMode = CallMode::Idle;  // Record pressed again
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-20); });
    EXPECT_EQ(line.Take(), Ops{Play(kEnd)});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::EndPrompt);
    PlayDone();
    EXPECT_EQ(line.Take(), Ops{"drop"});
    EXPECT_TRUE(queued.empty());  // only once the call has ended

    app.callMode = CallMode::Record;
    line.End();
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_EQ(window.ended, 1);
    EXPECT_EQ(queued, std::vector<std::string>{file});
    EXPECT_TRUE(recorder->CurrentFile().empty());
}

TEST_F(RecorderLineTest, ToneIntervalsBelowTwoSecondsAreRaisedAndToneOffMeansNone) {
    Set("recordtoneinterval", "0:00:01");
    Set("startprompt", "false");
    EXPECT_EQ(Connect(CallMode::Record), Ops{kRecord});
    RecordProgress(19999);
    EXPECT_TRUE(line.Take().empty());
    RecordProgress(20000);
    EXPECT_EQ(line.Take(), Ops{"beep"});

    Set("recordtone", "false");
    line.End();
    EXPECT_EQ(Connect(CallMode::Record), Ops{kRecord});
    RecordProgress(36000000 - 1);
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(RecorderLineTest, NoEndPromptGoesStraightToTheModesNextStepAndNoLevellingQueuesNothing) {
    Set("startprompt", "false");
    Set("endprompt", "false");
    Set("recordalc", "false");
    Connect(CallMode::Record);
    app.callMode = CallMode::Idle;
    RecordProgress(100);
    EXPECT_EQ(line.Take(), Ops{"drop"});
    line.End();
    EXPECT_TRUE(queued.empty());
}

TEST_F(RecorderLineTest, FarEndHangingUpLeavesTheLineToEndTheRecording) {
    Set("startprompt", "false");
    Connect(CallMode::Record);
    std::string file = recorder->CurrentFile();
    line.Send([](LTapiCallHandler& h) { h.OnRemoteHangUp(); });
    EXPECT_TRUE(line.Take().empty());
    line.End();
    EXPECT_EQ(queued, std::vector<std::string>{file});
}

TEST_F(RecorderLineTest, HoldWhileRecordingPlaysTheEndPromptThenTheOnHoldFilesInTurn) {
    Set("startprompt", "false");
    Connect(CallMode::Record);
    app.callMode = CallMode::Hold;
    RecordProgress(100);
    EXPECT_EQ(line.Take(), Ops{Play(kEnd)});
    for (int expected : {kHold1, kHold2, kHold3, kHold1}) {
        PlayDone();
        EXPECT_EQ(line.Take(), Ops{Play(expected)});
        EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::OnHold);
    }
    EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""), "1");
    // Play reports while the mode is still hold change nothing.
    line.Send([](LTapiCallHandler& h) { h.OnPlayProgress(5000); });
    line.Send([](LTapiCallHandler& h) { h.OnPlayLevel(-30); });
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(RecorderLineTest, RecordWhileHoldingStartsANewFileAndQueuesThePreviousOne) {
    Set("endprompt", "false");
    Connect(CallMode::Record);
    PlayDone();
    line.Take();
    std::string first = recorder->CurrentFile();
    app.callMode = CallMode::Hold;
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-10); });
    EXPECT_EQ(line.Take(), Ops{Play(kHold1)});
    app.callMode = CallMode::Record;
    line.Send([](LTapiCallHandler& h) { h.OnPlayProgress(100); });
    EXPECT_EQ(line.Take(), (Ops{"stop", Play(kStart)}));
    EXPECT_TRUE(queued.empty());
    PlayDone();
    EXPECT_EQ(line.Take(), Ops{kRecord});
    EXPECT_EQ(queued, std::vector<std::string>{first});
    // Started within the same second, the second recording still gets a name of its own.
    EXPECT_NE(recorder->CurrentFile(), first);
}

TEST_F(RecorderLineTest, NineDuringHoldDropsOtherDigitsAndOtherTimesDoNot) {
    EXPECT_EQ(Connect(CallMode::Hold), Ops{Play(kHold1)});
    for (char digit : {'1', '0', '#', '*'}) {
        line.Send([digit](LTapiCallHandler& h) { h.OnDigit(digit); });
    }
    EXPECT_TRUE(line.Take().empty());
    line.Send([](LTapiCallHandler& h) { h.OnDigit('9'); });
    EXPECT_EQ(line.Take(), Ops{"drop"});

    line.End();
    Connect(CallMode::Record);
    line.Send([](LTapiCallHandler& h) { h.OnDigit('9'); });
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(RecorderLineTest, CallerIdOnTheSecondRingOnlyAndNeverAnswered) {
    std::strcpy(line.callerNumber, "5551234");
    std::strcpy(line.callerName, "SMITH J");
    for (std::uint32_t ring = 1; ring <= 4; ++ring) {
        EXPECT_FALSE(recorder->OfferCall(ring));
    }
    EXPECT_EQ(window.popups, std::vector<std::string>{"Incoming call\r\n5551234\r\nSMITH J"});
    std::string log = ReadFolder(app.logsFolder);
    EXPECT_NE(log.find(" Incoming call 5551234 SMITH J"), std::string::npos);
    EXPECT_EQ(log.find("Incoming call", log.find("Incoming call") + 1), std::string::npos);

    // Without caller ID: no popup, still a log line; no popup either when switched off.
    line.callerNumber[0] = '\0';
    line.callerName[0] = '\0';
    recorder->OfferCall(2);
    std::strcpy(line.callerNumber, "5550000");
    Set("cidflash", "false");
    recorder->OfferCall(2);
    EXPECT_EQ(window.popups.size(), 1u);
    log = ReadFolder(app.logsFolder);
    EXPECT_NE(log.find(" Incoming call  \r\n"), std::string::npos);
    EXPECT_NE(log.find(" Incoming call 5550000 "), std::string::npos);
}

TEST_F(RecorderLineTest, MissingStartPromptDropsTheCallAndRecordsNothing) {
    std::filesystem::remove(app.dataFolder + "Start Prompt.wav");
    EXPECT_EQ(Connect(CallMode::Record), Ops{"drop"});
    line.End();
    EXPECT_TRUE(queued.empty());
    EXPECT_TRUE(std::filesystem::is_empty(app.recordingsFolder));
}

TEST_F(RecorderLineTest, IdleCallsAreDroppedAndNothingIsSentWithoutAMainWindow) {
    app.mainWindow = nullptr;
    EXPECT_EQ(Connect(CallMode::Idle), Ops{"drop"});
    line.Send([](LTapiCallHandler& h) { h.OnPlayLevel(-5); });
    std::strcpy(line.callerNumber, "5551234");
    recorder->OfferCall(2);
    line.End();
    EXPECT_TRUE(window.levels.empty());
    EXPECT_TRUE(window.popups.empty());
    EXPECT_EQ(window.ended, 0);
}

TEST_F(RecorderLineTest, PromptsPlayThroughTheTelephonePlayProcessOfTheMoment) {
    Connect(CallMode::Hold);
    std::int32_t plain[64];
    line.played->Read(plain, 64);
    Set("audiogain", "6dB");
    PlayDone();
    std::int32_t louder[64];
    line.played->Read(louder, 64);
    // 6 dB is about twice the amplitude.
    EXPECT_NEAR(static_cast<double>(louder[32]) / plain[32], 1.995, 0.01);
}

}  // namespace
