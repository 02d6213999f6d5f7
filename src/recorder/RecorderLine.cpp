// The program's call handler.
#include "recorder/RecorderLine.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <ostream>

#include "audio/dsp/PlayChain.h"
#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "recorder/CallerLog.h"
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
}

void RecorderLine::Drop() {
    if (line) {
        line->Drop();
    }
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
    Drop();
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
    HoldCheck();
}

void RecorderLine::OnPlayLevel(std::int8_t level) {
    SendLevel(level);
    HoldCheck();
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
    currentFile = UniqueRecordingPath(RecordingPath(
        app.recordingsFolder, local, line ? line->callerNumber : "", line ? line->callerName : ""));
    toneInterval = ReadSetting(app.settingsFile, settings::kRecordTone)
                       ? std::max(ReadSetting(app.settingsFile, settings::kRecordToneInterval),
                                  settings::kMinRecordToneInterval)
                       : kNoToneInterval;
    nextTone = toneInterval;
    SetOperation(Operation::Recording);
    LSoundSinkPtr writer = CreateWaveWriter(currentFile, kLineRate, 0, kLineBits, 1);
    if (line) {
        line->Record(writer, kRecordSilenceLimit, kRecordThreshold, kRecordMaximumLength);
    }
    // The line holds its own reference to the writer.
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
    std::int32_t n = ReadSetting(app.settingsFile, settings::kHoldNo);
    WriteSetting(app.settingsFile, settings::kHoldNo, (n + 1) % kOnHoldFiles);
    SetOperation(Operation::OnHold);
    // A negative stored value still names one of the files.
    PlayPrompt(OnHoldSlot((n % kOnHoldFiles + kOnHoldFiles) % kOnHoldFiles + 1));
}

void RecorderLine::HandOnRecording() {
    if (currentFile.empty()) {
        return;
    }
    if (ReadSetting(app.settingsFile, settings::kRecordAlc) && app.levelQueue) {
        app.levelQueue(currentFile);
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
        Drop();  // a missing or unreadable prompt ends the call
        return;
    }
    if (line) {
        line->Play(chain);
    }
}
