// The program's call handler.
#include "recorder/RecorderLine.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "audio/dsp/PlayChain.h"
#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "base/PosixFile.h"
#include "recorder/CallerLog.h"
#include "recorder/ProblemTexts.h"
#include "recorder/RecordingFiles.h"
#include "settings/SettingsKeys.h"
#include "telephony/LTelephoneLine.h"

const char* RecorderOperationName(RecorderLine::Operation operation) {
    switch (operation) {
        case RecorderLine::Operation::None:
            return "none";
        case RecorderLine::Operation::StartPrompt:
            return "start prompt";
        case RecorderLine::Operation::EndPrompt:
            return "end prompt";
        case RecorderLine::Operation::Recording:
            return "recording";
        case RecorderLine::Operation::OnHold:
            return "on hold";
    }
    return "unknown";
}

std::ostream& operator<<(std::ostream& out, RecorderLine::Operation operation) {
    return out << RecorderOperationName(operation);
}

RecorderLine::RecorderLine(AppState& state, std::string name)
    : app(state), lineName(std::move(name)) {}

void RecorderLine::SetOperation(Operation next) {
    operation = next;
    if (operation != Operation::Recording) {
        writer.Release();
    }
}

void RecorderLine::Drop() {
    if (line) {
        line->Drop();
    }
    writer.Release();
}

void RecorderLine::Release() {
    SetOperation(Operation::None);
    Drop();
}

bool RecorderLine::ReleaseIfFarEndGone() {
    if (operation == Operation::None || !line || !line->IsFarEndGone()) {
        return false;
    }
    story.Note(CallEventKind::FarEndHungUp, recordedFrames);
    Release();
    return true;
}

void RecorderLine::OnLineService(bool inService) {
    TellProblem(app, LineServiceText(inService));
}

void RecorderLine::SendLevel(std::int8_t level) {
    if (app.mainWindow) {
        app.mainWindow->OnLevelMessage(level);
    }
}

bool RecorderLine::OfferCall(std::uint32_t ringCount) {
    if (ringCount != kCallerIdRing) {
        return false;
    }
    std::string number = line ? line->callerNumber : "";
    std::string name = line ? line->callerName : "";
    if ((!number.empty() || !name.empty()) && ReadSetting(app.settingsFile, settings::kCidFlash) &&
        app.mainWindow) {
        app.mainWindow->OnCallerIdMessage("Incoming call\r\n" + number + "\r\n" + name);
    }
    AppendLogEntry(app.logsFolder, "Incoming call " + number + " " + name);
    if (app.mainWindow) {
        app.mainWindow->OnIncomingCall(number, name);
    }
    return false;  // the program never answers a call itself
}

void RecorderLine::Start() {
    switch (app.callMode) {
        case CallMode::Record:
            BeginRecording();
            break;
        case CallMode::Hold:
            NextOnHoldFile();
            break;
        case CallMode::Idle:
            Drop();
            break;
    }
}

void RecorderLine::OnDigit(char digit) {
    story.Note(CallEventKind::Digit, recordedFrames, std::string(1, digit));
    if (operation == Operation::OnHold && digit == '9') {
        Drop();
    }
}

void RecorderLine::OnPlayDone() {
    if (ReleaseIfFarEndGone()) {
        return;
    }
    switch (operation) {
        case Operation::StartPrompt: {
            const std::int32_t played = promptFrames;
            StartRecordingProper();
            // It ended as the recording began: it counts back from the recording's start.
            story.Note(CallEventKind::Announcement, -played,
                       PromptEventText(PromptFile({}, PromptSlot::StartPrompt), played));
            break;
        }
        case Operation::EndPrompt:
            story.Note(CallEventKind::EndAnnouncement, recordedFrames,
                       PromptEventText(PromptFile({}, PromptSlot::EndPrompt), promptFrames));
            Start();
            break;
        case Operation::OnHold:
            NextOnHoldFile();
            break;
        default:
            Drop();
            break;
    }
}

void RecorderLine::OnRecordDone() {
    if (writer) {
        // The line has let go of the file: its length is final.
        recordedFrames = writer->position;
    }
    if (writer && writer->HasFailed()) {
        const std::string text = WriteFailureText(writer->error);
        story.Note(CallEventKind::Ended, recordedFrames, text);
        TellProblem(app, text);
        Release();
    } else if (writer && app.callMode == CallMode::Record &&
               FramesToTime(writer->position, writer->sampleRate) >= app.maximumRecordingLength) {
        StartRecordingProper(true);  // the caller hears nothing of it
    } else {
        if (operation == Operation::Recording) {
            story.Note(CallEventKind::Ended, recordedFrames, kEndedBySilenceText);
        }
        Drop();
    }
}

void RecorderLine::OnRecordProgress(std::int32_t position) {
    recordedFrames = TimeToFrames(position, kLineRate);
    if (position >= nextTone) {
        if (line) {
            line->Beep();
        }
        story.Note(CallEventKind::Tone, recordedFrames);
        nextTone = position + toneInterval;
    }
    StopCheck();
}

void RecorderLine::OnRecordLevel(std::int8_t level) {
    SendLevel(level);
    StopCheck();
}

void RecorderLine::OnPlayProgress(std::int32_t) {
    if (!ReleaseIfFarEndGone()) {
        HoldCheck();
    }
}

void RecorderLine::OnPlayLevel(std::int8_t level) {
    SendLevel(level);
    if (!ReleaseIfFarEndGone()) {
        HoldCheck();
    }
}

void RecorderLine::OnRemoteHangUp() {
    story.Note(CallEventKind::FarEndHungUp, recordedFrames);
    Release();
}

void RecorderLine::OnCallEnded() {
    app.callMode = CallMode::Idle;
    if (app.mainWindow) {
        app.mainWindow->OnCallEndedMessage();
    }
    HandOnRecording();
}

void RecorderLine::BeginRecording() {
    if (ReadSetting(app.settingsFile, settings::kStartPrompt)) {
        SetOperation(Operation::StartPrompt);
        PlayPrompt(PromptSlot::StartPrompt);
    } else {
        StartRecordingProper();
    }
}

void RecorderLine::StartRecordingProper(bool continues) {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    const std::string number = line ? line->callerNumber : "";
    const std::string name = line ? line->callerName : "";
    // A recordings folder that has gone is made again, private to the user.
    ::mkdir(app.recordingsFolder.c_str(), 0700);
    const std::string path =
        UniqueRecordingPath(RecordingPath(app.recordingsFolder, local, number, name));
    // LWaveWriter rewrites its header with fdatasync every 16 s of audio: a power cut loses at
    // most that much, and the sizes are mended at the next start.
    LSoundSinkPtr created = CreateWaveWriter(path, kLineRate, 0, kLineBits, 1);
    if (created->HasFailed()) {
        HandOnRecording();
        TellProblem(app, CreateFailureText(created->error));
        Release();
        return;
    }
    RecordingInfo info;
    const std::string previous = currentFile;
    if (continues) {
        story.Note(CallEventKind::ContinuesIn, recordedFrames, FileNameOf(path));
        info = story.Info();  // the same call: the same caller, start and line
        info.events.clear();
    } else {
        char date[20];
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
        info.caller = number + (number.empty() || name.empty() ? "" : " ") + name;
        info.date = date;
        info.line = lineName;
        info.eventRate = kLineRate;
    }
    HandOnRecording();
    currentFile = path;
    recordedFrames = 0;
    story.Begin(currentFile, std::move(info));
    if (continues) {
        story.Note(CallEventKind::ContinuedFrom, 0, FileNameOf(previous));
    }
    toneInterval = ReadSetting(app.settingsFile, settings::kRecordTone)
                       ? std::max(ReadSetting(app.settingsFile, settings::kRecordToneInterval),
                                  settings::kMinRecordToneInterval)
                       : kNoToneInterval;
    nextTone = toneInterval;
    SetOperation(Operation::Recording);
    writer = created;
    if (app.mainWindow) {
        app.mainWindow->OnRecordingStarted(currentFile);
    }
    if (line) {
        line->Record(created, kRecordSilenceLimit, kRecordThreshold, app.maximumRecordingLength);
    }
}

void RecorderLine::StopCheck() {
    if (operation != Operation::Recording || app.callMode == CallMode::Record) {
        return;
    }
    if (app.callMode == CallMode::Idle) {
        story.Note(CallEventKind::StoppedByUser, recordedFrames);
    }
    if (ReadSetting(app.settingsFile, settings::kEndPrompt)) {
        SetOperation(Operation::EndPrompt);
        PlayPrompt(PromptSlot::EndPrompt);
    } else {
        Start();
    }
}

void RecorderLine::HoldCheck() {
    if (operation != Operation::OnHold || app.callMode == CallMode::Hold) {
        return;
    }
    if (line) {
        line->StopAudio();
    }
    story.Note(CallEventKind::HoldEnded, recordedFrames);
    if (app.callMode == CallMode::Idle) {
        story.Note(CallEventKind::StoppedByUser, recordedFrames);
    }
    Start();
}

void RecorderLine::NextOnHoldFile() {
    // Any stored value names one of the files, and the next one is stored as 0 to 2.
    const std::int32_t n = ReadSetting(app.settingsFile, settings::kHoldNo);
    const int index = (n % kOnHoldFiles + kOnHoldFiles) % kOnHoldFiles;
    WriteSetting(app.settingsFile, settings::kHoldNo, (index + 1) % kOnHoldFiles);
    if (operation != Operation::OnHold) {
        story.Note(CallEventKind::HoldStarted, recordedFrames);
    }
    SetOperation(Operation::OnHold);
    const PromptSlot slot = OnHoldSlot(index + 1);
    if (PlayPrompt(slot)) {
        story.Note(CallEventKind::OnHoldFile, recordedFrames, PromptFile({}, slot));
    }
}

void RecorderLine::HandOnRecording() {
    writer.Release();  // the file is finished before anyone takes it
    if (currentFile.empty()) {
        return;
    }
    if (const std::string error = story.Finish(); !error.empty()) {
        TellProblem(app, InfoFailureText(error));
    }
    QueueRecording(app, currentFile);
    if (app.mainWindow) {
        app.mainWindow->OnRecordingFinished(currentFile);
    }
    currentFile.clear();
}

bool RecorderLine::PlayPrompt(PromptSlot slot) {
    LSoundSourcePtr source = OpenWaveFile(PromptFile(app.dataFolder, slot));
    LSoundSourcePtr chain =
        BuildPlayChain(source, ReadSetting(app.settingsFile, settings::kAudioHighPass),
                       ReadSetting(app.settingsFile, settings::kAudioCompressorThres),
                       ReadSetting(app.settingsFile, settings::kAudioGain));
    if (!chain) {
        // A call must not be recorded when its announcement cannot be played.
        TellProblem(app, PromptFailureText(slot));
        Release();
        return false;
    }
    if (line) {
        line->Play(chain);
    }
    promptFrames = chain->GetLength();  // at the line's rate once the line has converted it
    return true;
}
