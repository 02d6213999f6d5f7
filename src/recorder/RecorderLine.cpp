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

RecorderLine::RecorderLine(AppState& state) : app(state) {}

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
    Release();
    return true;
}

void RecorderLine::OnLineService(bool inService) {
    TellProblem(LineServiceText(inService));
}

void RecorderLine::TellProblem(const std::string& text) {
    if (app.mainWindow) {
        app.mainWindow->OnProblemMessage(text);
    }
    AppendLogEntry(app.logsFolder, text);
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
    if (operation == Operation::OnHold && digit == '9') {
        Drop();
    }
}

void RecorderLine::OnPlayDone() {
    if (ReleaseIfFarEndGone()) {
        return;
    }
    switch (operation) {
        case Operation::StartPrompt:
            StartRecordingProper();
            break;
        case Operation::EndPrompt:
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
    if (writer && writer->HasFailed()) {
        TellProblem(WriteFailureText(writer->error));
        Release();
    } else if (writer && app.callMode == CallMode::Record &&
               FramesToTime(writer->position, writer->sampleRate) >= app.maximumRecordingLength) {
        StartRecordingProper();  // the caller hears nothing of it
    } else {
        Drop();
    }
}

void RecorderLine::OnRecordProgress(std::int32_t position) {
    if (position >= nextTone) {
        if (line) {
            line->Beep();
        }
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

void RecorderLine::StartRecordingProper() {
    HandOnRecording();
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    // A recordings folder that has gone is made again, private to the user.
    ::mkdir(app.recordingsFolder.c_str(), 0700);
    currentFile = UniqueRecordingPath(RecordingPath(
        app.recordingsFolder, local, line ? line->callerNumber : "", line ? line->callerName : ""));
    LSoundSinkPtr created = CreateWaveWriter(currentFile, kLineRate, 0, kLineBits, 1);
    if (created->HasFailed()) {
        currentFile.clear();
        TellProblem(CreateFailureText(created->error));
        Release();
        return;
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
    Start();
}

void RecorderLine::NextOnHoldFile() {
    // Any stored value names one of the files, and the next one is stored as 0 to 2.
    const std::int32_t n = ReadSetting(app.settingsFile, settings::kHoldNo);
    const int index = (n % kOnHoldFiles + kOnHoldFiles) % kOnHoldFiles;
    WriteSetting(app.settingsFile, settings::kHoldNo, (index + 1) % kOnHoldFiles);
    SetOperation(Operation::OnHold);
    PlayPrompt(OnHoldSlot(index + 1));
}

void RecorderLine::HandOnRecording() {
    writer.Release();  // the file is finished before anyone takes it
    if (currentFile.empty()) {
        return;
    }
    if (ReadSetting(app.settingsFile, settings::kRecordAlc) && app.levelQueue) {
        app.levelQueue(currentFile);
    }
    if (app.mainWindow) {
        app.mainWindow->OnRecordingFinished(currentFile);
    }
    currentFile.clear();
}

void RecorderLine::PlayPrompt(PromptSlot slot) {
    LSoundSourcePtr source = OpenWaveFile(PromptFile(app.dataFolder, slot));
    LSoundSourcePtr chain =
        BuildPlayChain(source, ReadSetting(app.settingsFile, settings::kAudioHighPass),
                       ReadSetting(app.settingsFile, settings::kAudioCompressorThres),
                       ReadSetting(app.settingsFile, settings::kAudioGain));
    if (!chain) {
        // A call must not be recorded when its announcement cannot be played.
        TellProblem(PromptFailureText(slot));
        Release();
        return;
    }
    if (line) {
        line->Play(chain);
    }
}
