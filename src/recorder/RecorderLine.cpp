// The program's call handler.
#include "recorder/RecorderLine.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "audio/dsp/PlayChain.h"
#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveWriters.h"
#include "recorder/CallerLog.h"
#include "recorder/RecordingFiles.h"
#include "settings/SettingsKeys.h"
#include "telephony/LTelephoneLine.h"

RecorderLine::RecorderLine(AppState& state) : app(state) {}

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
    if (ringCount != 2) {
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
    if (operation == kOnHold && digit == '9') {
        Drop();
    }
}

void RecorderLine::OnPlayDone() {
    switch (operation) {
        case kStartPrompt:
            StartRecordingProper();
            break;
        case kEndPrompt:
            Start();
            break;
        case kOnHold:
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
        operation = kStartPrompt;
        PlayPrompt("Start Prompt");
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
    operation = kRecording;
    LSoundSinkPtr writer = CreateWaveWriter(currentFile, kLineRate, 0, kLineBits, 1);
    if (line) {
        line->Record(writer, kRecordSilenceLimit, kRecordThreshold, kRecordMaximumLength);
    }
    // The line holds its own reference to the writer.
}

void RecorderLine::StopCheck() {
    if (operation != kRecording || app.callMode == CallMode::Record) {
        return;
    }
    if (ReadSetting(app.settingsFile, settings::kEndPrompt)) {
        operation = kEndPrompt;
        PlayPrompt("End Prompt");
    } else {
        Start();
    }
}

void RecorderLine::HoldCheck() {
    if (operation != kOnHold || app.callMode == CallMode::Hold) {
        return;
    }
    if (line) {
        line->StopAudio();
    }
    Start();
}

void RecorderLine::NextOnHoldFile() {
    std::int32_t n = ReadSetting(app.settingsFile, settings::kHoldNo);
    WriteSetting(app.settingsFile, settings::kHoldNo, (n + 1) % 3);
    operation = kOnHold;
    // A negative stored value still names one of the three files.
    PlayPrompt("On-Hold " + std::to_string(((n % 3) + 3) % 3 + 1));
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

void RecorderLine::PlayPrompt(const std::string& name) {
    LSoundSourcePtr source = OpenWaveFile(app.dataFolder + name + ".wav");
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
