// The call recorder on a line that only notes what it is asked: announcements, recording with
// its tone, the stop and hold checks, on-hold rotation, digits, caller ID, hand-on of files.
#include "recorder/RecorderLine.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "FakeLine.h"
#include "audio/files/WaveWriters.h"
#include "base/IniFile.h"
#include "support/TempDir.h"

namespace {

struct Window : MainWindowNotify {
    void OnLevelMessage(std::int8_t level) override { levels.push_back(level); }
    void OnCallerIdMessage(const std::string& text) override { popups.push_back(text); }
    void OnCallEndedMessage() override { ++ended; }
    std::vector<int> levels;
    std::vector<std::string> popups;
    int ended = 0;
};

// Prompt lengths in frames, so a play shows which prompt it was.
constexpr int kStart = 1000;
constexpr int kEnd = 2000;
constexpr int kHold1 = 3000;
constexpr int kHold2 = 4000;
constexpr int kHold3 = 5000;

class RecorderLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.dataFolder = dir.Path() + "/";
        app.settingsFile = app.dataFolder + "settings.ini";
        app.recordingsFolder = app.dataFolder + "Recordings/";
        app.logsFolder = app.dataFolder + "Logs/";
        ::mkdir(app.recordingsFolder.c_str(), 0700);
        ::mkdir(app.logsFolder.c_str(), 0700);
        app.mainWindow = &window;
        app.levelQueue = [this](const std::string& path) { queued.push_back(path); };
        MakePrompt("Start Prompt", kStart);
        MakePrompt("End Prompt", kEnd);
        MakePrompt("On-Hold 1", kHold1);
        MakePrompt("On-Hold 2", kHold2);
        MakePrompt("On-Hold 3", kHold3);
        auto handler = std::make_unique<RecorderLine>(app);
        recorder = handler.get();
        line.SetStandingHandler(std::move(handler));
    }

    void MakePrompt(const std::string& name, int frames) {
        LSoundSinkPtr writer = CreateWaveWriter(app.dataFolder + name + ".wav", 8000, 0, 16, 1);
        std::vector<std::int32_t> samples(static_cast<std::size_t>(frames), 1000 * 16);
        writer->Write(samples.data(), frames);
    }
    void Set(const char* key, const char* value) {
        ASSERT_TRUE(WriteProfileString(app.settingsFile, "settings", key, value));
    }
    static std::string Play(int frames) { return "play " + std::to_string(frames); }
    static std::string RecordOp() { return "record 600000 -127 36000000"; }

    TempDir dir;
    AppState app;
    Window window;
    std::vector<std::string> queued;
    FakeLine line;
    RecorderLine* recorder = nullptr;
};

TEST_F(RecorderLineTest, RecordWithBothAnnouncementsTonesAndHandOn) {
    app.callMode = CallMode::Record;
    line.Connect();
    EXPECT_EQ(line.Take(), std::vector<std::string>{Play(kStart)});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::StartPrompt);

    line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{RecordOp()});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::Recording);
    std::string file = recorder->CurrentFile();
    EXPECT_EQ(file.rfind(app.recordingsFolder, 0), 0u);
    EXPECT_EQ(file.substr(file.size() - 4), ".wav");

    // Tones one interval in, then every interval after the one that sounded.
    for (std::int32_t position : {0, 149999, 150000, 299999, 300500, 450499, 450500}) {
        line.Send([position](LTapiCallHandler& h) { h.OnRecordProgress(position); });
    }
    EXPECT_EQ(line.Take(), (std::vector<std::string>{"beep", "beep", "beep"}));
    line.Send([](LTapiCallHandler& h) { h.OnGenerateDone(); });  // changes nothing
    EXPECT_TRUE(line.Take().empty());
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-20); });
    EXPECT_EQ(window.levels, std::vector<int>{-20});

    app.callMode = CallMode::Idle;  // Record pressed again
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-20); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{Play(kEnd)});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::EndPrompt);
    line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{"drop"});
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
    app.callMode = CallMode::Record;
    line.Connect();
    EXPECT_EQ(line.Take(), std::vector<std::string>{RecordOp()});
    line.Send([](LTapiCallHandler& h) { h.OnRecordProgress(19999); });
    EXPECT_TRUE(line.Take().empty());
    line.Send([](LTapiCallHandler& h) { h.OnRecordProgress(20000); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{"beep"});

    Set("recordtone", "false");
    line.End();
    app.callMode = CallMode::Record;
    line.Connect();
    EXPECT_EQ(line.Take(), std::vector<std::string>{RecordOp()});
    line.Send([](LTapiCallHandler& h) { h.OnRecordProgress(36000000 - 1); });
    EXPECT_TRUE(line.Take().empty());
}

TEST_F(RecorderLineTest, NoEndPromptGoesStraightToTheModesNextStep) {
    Set("startprompt", "false");
    Set("endprompt", "false");
    app.callMode = CallMode::Record;
    line.Connect();
    line.Take();
    app.callMode = CallMode::Idle;
    line.Send([](LTapiCallHandler& h) { h.OnRecordProgress(100); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{"drop"});
}

TEST_F(RecorderLineTest, FarEndHangingUpLeavesTheLineToEndTheRecording) {
    Set("startprompt", "false");
    app.callMode = CallMode::Record;
    line.Connect();
    line.Take();
    std::string file = recorder->CurrentFile();
    line.Send([](LTapiCallHandler& h) { h.OnRemoteHangUp(); });
    EXPECT_TRUE(line.Take().empty());
    line.End();
    EXPECT_EQ(queued, std::vector<std::string>{file});
}

TEST_F(RecorderLineTest, HoldWhileRecordingPlaysTheEndPromptThenTheOnHoldFilesInTurn) {
    Set("startprompt", "false");
    app.callMode = CallMode::Record;
    line.Connect();
    line.Take();
    app.callMode = CallMode::Hold;
    line.Send([](LTapiCallHandler& h) { h.OnRecordProgress(100); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{Play(kEnd)});
    for (int expected : {kHold1, kHold2, kHold3, kHold1}) {
        line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
        EXPECT_EQ(line.Take(), std::vector<std::string>{Play(expected)});
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
    app.callMode = CallMode::Record;
    line.Connect();
    line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    line.Take();
    std::string first = recorder->CurrentFile();
    app.callMode = CallMode::Hold;
    line.Send([](LTapiCallHandler& h) { h.OnRecordLevel(-10); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{Play(kHold1)});
    app.callMode = CallMode::Record;
    line.Send([](LTapiCallHandler& h) { h.OnPlayProgress(100); });
    EXPECT_EQ(line.Take(), (std::vector<std::string>{"stop", Play(kStart)}));
    EXPECT_TRUE(queued.empty());
    line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{RecordOp()});
    EXPECT_EQ(queued, std::vector<std::string>{first});
    // Both recordings started within one second with the same caller ID: the second gets a
    // name of its own instead of emptying the first.
    std::string second = recorder->CurrentFile();
    EXPECT_NE(second, first);
    if (second.substr(0, second.size() - 8) == first.substr(0, first.size() - 4)) {
        EXPECT_EQ(second.substr(second.size() - 8), " (2).wav");
    }
}

TEST_F(RecorderLineTest, NineDuringHoldDropsOtherDigitsAndOtherTimesDoNot) {
    app.callMode = CallMode::Hold;
    line.Connect();
    line.Take();
    for (char digit : {'1', '0', '#', '*'}) {
        line.Send([digit](LTapiCallHandler& h) { h.OnDigit(digit); });
    }
    EXPECT_TRUE(line.Take().empty());
    line.Send([](LTapiCallHandler& h) { h.OnDigit('9'); });
    EXPECT_EQ(line.Take(), std::vector<std::string>{"drop"});

    line.End();
    app.callMode = CallMode::Record;
    line.Connect();
    line.Take();
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
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(app.logsFolder)) {
        log += ReadFile(entry.path());
    }
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
    log.clear();
    for (const auto& entry : std::filesystem::directory_iterator(app.logsFolder)) {
        log += ReadFile(entry.path());
    }
    EXPECT_NE(log.find(" Incoming call  \r\n"), std::string::npos);
    EXPECT_NE(log.find(" Incoming call 5550000 "), std::string::npos);
}

TEST_F(RecorderLineTest, RecordingIsNamedByTimeAndCallerNumber) {
    Set("startprompt", "false");
    std::strcpy(line.callerNumber, "5551234");
    app.callMode = CallMode::Record;
    line.Connect();
    std::string name = recorder->CurrentFile().substr(app.recordingsFolder.size());
    // yyyy-mm-dd hh-mm-ss 5551234.wav
    ASSERT_EQ(name.size(), 31u) << name;
    EXPECT_EQ(name.substr(19), " 5551234.wav");
    EXPECT_EQ(name[4], '-');
    EXPECT_EQ(name[10], ' ');
    EXPECT_EQ(name[13], '-');
}

TEST_F(RecorderLineTest, MissingStartPromptDropsTheCallAndRecordsNothing) {
    std::filesystem::remove(app.dataFolder + "Start Prompt.wav");
    app.callMode = CallMode::Record;
    line.Connect();
    EXPECT_EQ(line.Take(), std::vector<std::string>{"drop"});
    line.End();
    EXPECT_TRUE(queued.empty());
    EXPECT_TRUE(std::filesystem::is_empty(app.recordingsFolder));
}

TEST_F(RecorderLineTest, IdleCallsAreDroppedAndNothingIsSentWithoutAMainWindow) {
    app.mainWindow = nullptr;
    app.callMode = CallMode::Idle;
    line.Connect();
    EXPECT_EQ(line.Take(), std::vector<std::string>{"drop"});
    line.Send([](LTapiCallHandler& h) { h.OnPlayLevel(-5); });
    std::strcpy(line.callerNumber, "5551234");
    recorder->OfferCall(2);
    line.End();
    EXPECT_TRUE(window.levels.empty());
    EXPECT_TRUE(window.popups.empty());
    EXPECT_EQ(window.ended, 0);
}

TEST_F(RecorderLineTest, PromptsPlayThroughTheTelephonePlayProcessOfTheMoment) {
    app.callMode = CallMode::Hold;
    line.Connect();
    std::int32_t plain[64];
    line.played->Read(plain, 64);
    Set("audiogain", "6dB");
    line.Send([](LTapiCallHandler& h) { h.OnPlayDone(); });
    std::int32_t louder[64];
    line.played->Read(louder, 64);
    // 6 dB is about twice the amplitude.
    EXPECT_NEAR(static_cast<double>(louder[32]) / plain[32], 1.995, 0.01);
}

}  // namespace
