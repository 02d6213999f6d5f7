// The call recorder on a line that only notes what it is asked.
#include "recorder/RecorderLine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "base/IniFile.h"
#include "support/TempAppState.h"
#include "telephony/LTelephoneLine.h"

namespace {

// A telephone line that notes what its handler asks and fires events through its own dispatch.
class FakeLine : public LTelephoneLine {
public:
    void GenerateDigits(const char*) override { ops.push_back("digits"); }
    void BlindTransfer(const char*) override { ops.push_back("transfer"); }
    void Drop() override { ops.push_back("drop"); }
    void Beep() override { ops.push_back("beep"); }
    void Play(LSoundSourcePtr& source) override {
        ops.push_back("play " + std::to_string(source->GetLength()));
        played = source;
    }
    void Record(LSoundSinkPtr& sink, std::int32_t silenceLimit, std::int8_t threshold,
                std::int32_t maximumLength) override {
        ops.push_back("record " + std::to_string(silenceLimit) + " " + std::to_string(threshold) +
                      " " + std::to_string(maximumLength));
        recording = sink;
    }
    void Listen(std::int32_t, std::int8_t, std::int32_t) override { ops.push_back("listen"); }
    void StopAudio() override {
        ops.push_back("stop");
        recording.Release();
    }
    bool IsRecording() override { return static_cast<bool>(recording); }
    bool IsFarEndGone() override { return farEndGone; }

    // Events reach the handler as the line sends them; the standing handler takes the call.
    using LTelephoneLine::Connected;
    using LTelephoneLine::Fire;
    void End() {
        recording.Release();
        CallEnded();
    }
    // Operations asked for since the last call, then forgotten.
    std::vector<std::string> Take() { return std::exchange(ops, {}); }
    std::vector<std::string> ops;
    LSoundSourcePtr played;
    LSoundSinkPtr recording;
    bool farEndGone = false;
};

struct Window : MainWindowNotify {
    void OnLevelMessage(std::int8_t level) override { levels.push_back(level); }
    void OnCallerIdMessage(const std::string& text) override { popups.push_back(text); }
    void OnCallEndedMessage() override { ++ended; }
    void OnProblemMessage(const std::string& text) override { problems.push_back(text); }
    void OnIncomingCall(const std::string& number, const std::string& name) override {
        incoming.push_back(number + "|" + name);
    }
    void OnRecordingStarted(const std::string& path) override { started.push_back(path); }
    void OnRecordingFinished(const std::string& path) override { finished.push_back(path); }
    std::vector<int> levels;
    std::vector<std::string> popups, problems, incoming, started, finished;
    int ended = 0;
};

using Ops = std::vector<std::string>;
using Files = std::vector<std::string>;
using Event = void (*)(LTapiCallHandler&);

// Prompt lengths in frames, so a play shows which prompt it was.
constexpr int kStart = 1000, kEnd = 2000, kHold1 = 3000, kHold2 = 4000, kHold3 = 5000;
const std::string kRecord = "record 600000 -127 36000000";

std::string Play(int frames) {
    return "play " + std::to_string(frames);
}

const Event kPlayDone = [](LTapiCallHandler& h) { h.OnPlayDone(); };
const Event kRecordDone = [](LTapiCallHandler& h) { h.OnRecordDone(); };

class RecorderLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.mainWindow = &window;
        // Recordings not to be levelled are only checked for sound.
        app.recordingQueue = [this](const std::string& path, bool level) {
            queued.push_back(level ? path : "check " + path);
        };
        int frames = 0;  // kStart for the first prompt, up to kHold3 for the last
        for (PromptSlot slot : kPromptSlots) {
            Write(CreateWaveWriter(PromptFile(app.dataFolder, slot), 8000, 0, 16, 1),
                  frames += 1000);
        }
        auto handler = std::make_unique<RecorderLine>(app, "Kitchen line");
        recorder = handler.get();
        line.SetStandingHandler(std::move(handler));
    }
    static void Write(const LSoundSinkPtr& sink, int frames) {
        const std::vector<std::int32_t> samples(static_cast<std::size_t>(frames), 16000);
        sink->Write(samples.data(), frames);
    }
    void Set(const char* key, const char* value) {
        ASSERT_TRUE(WriteProfileString(app.settingsFile, "settings", key, value));
    }
    // Connects a call in `mode`; the operations that asked for.
    Ops Connect(CallMode mode) {
        app.callMode = mode;
        line.Connected();
        return line.Take();
    }
    // Sends `event` to the recorder; the operations it asked for.
    Ops Send(Event event) {
        line.Fire(event);
        return line.Take();
    }
    // The line lets go of the file before it tells that the recording has ended.
    Ops RecordDone() {
        line.recording.Release();
        return Send(kRecordDone);
    }
    void RecordProgress(std::int32_t position) {
        line.Fire([position](LTapiCallHandler& h) { h.OnRecordProgress(position); });
    }
    std::string Log() const { return ReadFolder(app.logsFolder); }

    TempDir dir;
    AppState app = TempAppState(dir);
    Window window;
    Files queued;
    FakeLine line;
    RecorderLine* recorder = nullptr;
};

TEST_F(RecorderLineTest, RecordWithBothAnnouncementsTonesAndHandOn) {
    EXPECT_EQ(Connect(CallMode::Record), Ops{Play(kStart)});
    EXPECT_EQ(Send(kPlayDone), Ops{kRecord});
    EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::Recording);
    std::string file = recorder->CurrentFile();
    EXPECT_TRUE(file.starts_with(app.recordingsFolder) && file.ends_with(".wav")) << file;
    EXPECT_EQ(window.started, Files{file});
    // Tones one interval in, then every interval after the one that sounded.
    for (std::int32_t position : {0, 149999, 150000, 299999, 300500, 450499, 450500}) {
        RecordProgress(position);
    }
    EXPECT_EQ(line.Take(), (Ops{"beep", "beep", "beep"}));
    EXPECT_TRUE(Send([](LTapiCallHandler& h) { h.OnGenerateDone(); }).empty());
    EXPECT_TRUE(Send([](LTapiCallHandler& h) { h.OnDigit('9'); }).empty());  // not on hold
    line.Fire([](LTapiCallHandler& h) { h.OnRecordLevel(-20); });
    EXPECT_EQ(window.levels, std::vector<int>{-20});
    app.callMode = CallMode::Idle;  // Record pressed again
    EXPECT_EQ(Send([](LTapiCallHandler& h) { h.OnRecordLevel(-20); }), Ops{Play(kEnd)});
    EXPECT_EQ(Send(kPlayDone), Ops{"drop"});
    EXPECT_TRUE(queued.empty());  // only once the call has ended
    EXPECT_TRUE(window.finished.empty());
    app.callMode = CallMode::Record;
    line.End();
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_EQ(window.ended, 1);
    EXPECT_EQ(queued, Files{file});
    EXPECT_EQ(window.finished, Files{file});
    EXPECT_TRUE(recorder->CurrentFile().empty());
    EXPECT_TRUE(window.problems.empty());
}

TEST_F(RecorderLineTest, TheCallsEventsAreJournalledAsTheyHappenAndWrittenIntoTheRecording) {
    std::strcpy(line.callerNumber, "5551234");
    std::strcpy(line.callerName, "SMITH J");
    Connect(CallMode::Record);
    Send(kPlayDone);
    const std::string file = recorder->CurrentFile();
    RecordProgress(150000);  // a tone at 15 s
    RecordProgress(200000);
    line.Fire([](LTapiCallHandler& h) { h.OnDigit('5'); });
    app.callMode = CallMode::Hold;
    RecordProgress(200000);
    Send(kPlayDone);  // the end announcement, then the first on-hold file
    using Row = std::tuple<std::int64_t, CallEventKind, std::string>;
    std::vector<Row> expected{{-kStart, CallEventKind::Announcement, "Start Prompt.wav, 0.12 s"},
                              {120000, CallEventKind::Tone, ""},
                              {160000, CallEventKind::Digit, "5"},
                              {160000, CallEventKind::EndAnnouncement, "End Prompt.wav, 0.25 s"},
                              {160000, CallEventKind::HoldStarted, ""},
                              {160000, CallEventKind::OnHoldFile, "On-Hold 1.wav"}};
    const auto rows = [](const RecordingInfo& info) {
        std::vector<Row> got;
        for (const CallEvent& event : info.events) {
            EXPECT_GT(event.time, 0);
            got.emplace_back(event.frame, event.kind, event.text);
        }
        return got;
    };
    // Until the recording is finished its story is in the journal beside it, which a crash keeps.
    const RecordingInfo journal = ReadJournal(JournalPath(file)).value();
    EXPECT_EQ(rows(journal), expected);
    Send([](LTapiCallHandler& h) { h.OnRemoteHangUp(); });
    line.End();
    expected.emplace_back(160000, CallEventKind::FarEndHungUp, "");
    const RecordingInfo info = ReadRecordingInfo(file).value();
    EXPECT_EQ(rows(info), expected);
    EXPECT_EQ(std::tie(info.caller, info.line, info.eventRate),
              std::make_tuple(std::string("5551234 SMITH J"), std::string("Kitchen line"), 8000u));
    EXPECT_EQ(journal.date, info.date);
    // The date is the start of the recording, as its name has it too.
    std::string named = info.date;
    std::replace(named.begin() + 11, named.end(), ':', '-');
    EXPECT_TRUE(std::filesystem::path(file).filename().string().starts_with(named)) << info.date;
    EXPECT_FALSE(std::filesystem::exists(JournalPath(file)));
    EXPECT_EQ(queued, Files{file});
}

TEST_F(RecorderLineTest, ToneIntervalsAreRaisedToTwoSecondsToneOffMeansNoneAndNoEndPromptDrops) {
    Set("recordtoneinterval", "0:00:01");
    Set("startprompt", "false");
    Set("recordalc", "false");
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
    // No end prompt goes straight to the mode's next step; no levelling queues nothing.
    Set("endprompt", "false");
    app.callMode = CallMode::Idle;
    RecordProgress(100);
    EXPECT_EQ(line.Take(), Ops{"drop"});
    line.End();
    EXPECT_EQ(queued.size(), 2u);
    EXPECT_TRUE(queued[0].starts_with("check ") && queued[1].starts_with("check "));
}

TEST_F(RecorderLineTest, AFarEndThatHasGoneGetsTheCallReleasedAndNothingMoreStarts) {
    Set("startprompt", "false");
    Connect(CallMode::Record);
    std::string file = recorder->CurrentFile();
    // The line has ended the recording when it reports the hang-up; it is handed on as ever.
    EXPECT_EQ(Send([](LTapiCallHandler& h) { h.OnRemoteHangUp(); }), Ops{"drop"});
    line.End();
    EXPECT_EQ(queued, Files{file});
    // Gone while a prompt plays: its next report or its end releases the call, nothing follows.
    Set("startprompt", "true");
    for (CallMode mode : {CallMode::Record, CallMode::Hold}) {
        for (Event event : {kPlayDone, +[](LTapiCallHandler& h) { h.OnPlayProgress(100); },
                            +[](LTapiCallHandler& h) { h.OnPlayLevel(-9); }}) {
            Connect(mode);
            line.farEndGone = true;
            EXPECT_EQ(Send(event), Ops{"drop"}) << int(mode);
            line.End();
            line.farEndGone = false;
        }
    }
    EXPECT_EQ(queued, Files{file});
}

TEST_F(RecorderLineTest,
       HoldPlaysTheEndPromptThenTheOnHoldFilesInTurnFromAnyStoredNumberUntilANine) {
    Set("startprompt", "false");
    Connect(CallMode::Record);
    app.callMode = CallMode::Hold;
    RecordProgress(100);
    EXPECT_EQ(line.Take(), Ops{Play(kEnd)});
    // Prompts play through the telephone play process of the moment: 6 dB is about twice as loud.
    std::int32_t plain[64], louder[64];
    line.played->Read(plain, 64);
    Set("audiogain", "6dB");
    EXPECT_EQ(Send(kPlayDone), Ops{Play(kHold1)});
    line.played->Read(louder, 64);
    EXPECT_NEAR(static_cast<double>(louder[32]) / plain[32], 1.995, 0.01);
    for (int expected : {kHold2, kHold3, kHold1}) {
        EXPECT_EQ(Send(kPlayDone), Ops{Play(expected)});
        EXPECT_EQ(recorder->GetOperation(), RecorderLine::Operation::OnHold);
    }
    EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""), "1");
    // Play reports while the mode is still hold change nothing.
    EXPECT_TRUE(Send([](LTapiCallHandler& h) { h.OnPlayProgress(5000); }).empty());
    EXPECT_TRUE(Send([](LTapiCallHandler& h) { h.OnPlayLevel(-30); }).empty());
    // A nine drops the call on hold; other keys do nothing.
    for (char digit : {'1', '0', '#', '*'}) {
        line.Fire([digit](LTapiCallHandler& h) { h.OnDigit(digit); });
    }
    EXPECT_TRUE(line.Take().empty());
    EXPECT_EQ(Send([](LTapiCallHandler& h) { h.OnDigit('9'); }), Ops{"drop"});
    line.End();
    // Any stored number names a file (the first below), and the next one is stored as 0 to 2.
    const std::tuple<std::int64_t, int, int> rows[] = {{2, kHold3, 0},
                                                       {-1, kHold3, 0},
                                                       {-2, kHold2, 2},
                                                       {INT32_MAX, kHold2, 2},
                                                       {INT32_MIN, kHold2, 2}};
    for (auto [stored, plays, next] : rows) {
        Set("holdno", std::to_string(stored).c_str());
        EXPECT_EQ(Connect(CallMode::Hold), Ops{Play(plays)}) << stored;
        EXPECT_EQ(ReadProfileString(app.settingsFile, "settings", "holdno", ""),
                  std::to_string(next))
            << stored;
        line.End();
    }
}

TEST_F(RecorderLineTest, RecordWhileHoldingStartsANewFileAndQueuesThePreviousOne) {
    Set("endprompt", "false");
    Connect(CallMode::Record);
    Send(kPlayDone);
    std::string first = recorder->CurrentFile();
    app.callMode = CallMode::Hold;
    EXPECT_EQ(Send([](LTapiCallHandler& h) { h.OnRecordLevel(-10); }), Ops{Play(kHold1)});
    app.callMode = CallMode::Record;
    EXPECT_EQ(Send([](LTapiCallHandler& h) { h.OnPlayProgress(100); }),
              (Ops{"stop", Play(kStart)}));
    EXPECT_TRUE(queued.empty());
    EXPECT_EQ(Send(kPlayDone), Ops{kRecord});
    EXPECT_EQ(queued, Files{first});
    // Started within the same second, the second recording still gets a name of its own.
    EXPECT_NE(recorder->CurrentFile(), first);
}

TEST_F(RecorderLineTest, ALongCallGoesOnInANewFileAtTheMaximumLengthAndASilenceEndsIt) {
    Set("startprompt", "false");
    app.maximumRecordingLength = 10000;  // a second
    const Ops record{"record 600000 -127 10000"};
    EXPECT_EQ(Connect(CallMode::Record), record);
    std::string first = recorder->CurrentFile();
    Write(line.recording, 8000);
    EXPECT_EQ(RecordDone(), record);
    EXPECT_EQ(queued, Files{first});
    EXPECT_NE(recorder->CurrentFile(), first);
    Write(line.recording, 7999);  // short of it: the line ended the recording on silence
    RecordProgress(7000);         // a digit in the silence the line then cuts off
    line.Fire([](LTapiCallHandler& h) { h.OnDigit('5'); });
    line.recording->Truncate(3000);
    EXPECT_EQ(RecordDone(), Ops{"drop"});
    line.End();
    // The two files name each other, and the second keeps the call's info.
    const std::string second = queued.back();
    const RecordingInfo info1 = ReadRecordingInfo(first).value();
    const RecordingInfo info2 = ReadRecordingInfo(second).value();
    EXPECT_EQ(info1.events.back(),
              (CallEvent{8000, info1.events.back().time, CallEventKind::ContinuesIn,
                         std::filesystem::path(second).filename()}));
    EXPECT_EQ(info2.events.front(),
              (CallEvent{0, info2.events.front().time, CallEventKind::ContinuedFrom,
                         std::filesystem::path(first).filename()}));
    // The cut keeps the events noted before it.
    ASSERT_EQ(info2.events.size(), 3u);
    EXPECT_EQ(info2.events[1], (CallEvent{5600, info2.events[1].time, CallEventKind::Digit, "5"}));
    EXPECT_EQ(info2.events.back(),
              (CallEvent{3000, info2.events.back().time, CallEventKind::Ended, "a long silence"}));
    EXPECT_EQ(OpenWaveFile(second)->GetLength(), 3000);
    EXPECT_EQ(std::tie(info1.caller, info1.date, info1.line),
              std::tie(info2.caller, info2.date, info2.line));
}

TEST_F(RecorderLineTest, CallerIdOnTheSecondRingOnlyNeverAnsweredAndNotSentWithoutAWindow) {
    std::strcpy(line.callerNumber, "5551234");
    std::strcpy(line.callerName, "SMITH J");
    for (std::uint32_t ring = 1; ring <= 4; ++ring) {
        EXPECT_FALSE(recorder->OfferCall(ring));
    }
    EXPECT_EQ(window.popups, Files{"Incoming call\r\n5551234\r\nSMITH J"});
    std::string log = Log();
    EXPECT_NE(log.find(" Incoming call 5551234 SMITH J"), std::string::npos);
    EXPECT_EQ(log.find("Incoming call", log.find("Incoming call") + 1), std::string::npos);
    // Without caller ID: no popup, still a log line; no popup either when switched off.
    line.callerNumber[0] = line.callerName[0] = '\0';
    recorder->OfferCall(2);
    std::strcpy(line.callerNumber, "5550000");
    Set("cidflash", "false");
    recorder->OfferCall(2);
    EXPECT_EQ(window.popups.size(), 1u);
    // Every second ring's caller ID as the log has it, popup or not.
    EXPECT_EQ(window.incoming, (Files{"5551234|SMITH J", "|", "5550000|"}));
    log = Log();
    EXPECT_NE(log.find(" Incoming call  \r\n"), std::string::npos);
    EXPECT_NE(log.find(" Incoming call 5550000 "), std::string::npos);
    // Idle calls are dropped, and nothing is sent without a main window.
    app.mainWindow = nullptr;
    Set("cidflash", "true");
    EXPECT_EQ(Connect(CallMode::Idle), Ops{"drop"});
    line.Fire([](LTapiCallHandler& h) { h.OnPlayLevel(-5); });
    recorder->OfferCall(2);
    line.End();
    EXPECT_TRUE(window.levels.empty() && window.popups.size() == 1 && window.ended == 0 &&
                window.incoming.size() == 3);
}

TEST_F(RecorderLineTest, WhatKeepsACallFromBeingRecordedIsToldAndTheCallReleased) {
    const auto told = [this](const std::string& text) {
        return !window.problems.empty() && window.problems.back() == text &&
               Log().find(text) != std::string::npos;
    };
    // A missing prompt: which one, and that the call was not recorded.
    std::filesystem::remove(app.dataFolder + "Start Prompt.wav");
    EXPECT_EQ(Connect(CallMode::Record), Ops{"drop"});
    EXPECT_TRUE(told("Call not recorded: \"Start Prompt.wav\" could not be played"));
    line.End();
    EXPECT_TRUE(queued.empty());
    EXPECT_TRUE(std::filesystem::is_empty(app.recordingsFolder));
    // A failed write ends the recording, which is handed on as after any call.
    Set("startprompt", "false");
    for (auto [error, text] :
         {std::pair{ENOSPC, "Recording stopped: the disk is full (No space left on device)"},
          {EDQUOT, "Recording stopped: the disk is full (Disk quota exceeded)"},
          {EIO, "Recording stopped: the recording could not be written (Input/output error)"}}) {
        queued.clear();
        Connect(CallMode::Record);
        line.recording->SetError(error);
        EXPECT_EQ(RecordDone(), Ops{"drop"});
        EXPECT_TRUE(told(text)) << text;
        line.End();
        EXPECT_EQ(queued.size(), 1u);
    }
    // A recordings folder that has gone is made again; one that cannot be made is told.
    std::filesystem::remove_all(app.recordingsFolder);
    EXPECT_EQ(Connect(CallMode::Record), Ops{kRecord});
    EXPECT_EQ(FileMode(app.recordingsFolder), 0700u);
    line.End();
    queued.clear();
    app.recordingsFolder = dir / "gone/Recordings/";
    EXPECT_EQ(Connect(CallMode::Record), Ops{"drop"});
    EXPECT_TRUE(
        told("Recording not started: the file could not be created (No such file or "
             "directory)"));
    line.End();
    EXPECT_TRUE(queued.empty());
}

}  // namespace
