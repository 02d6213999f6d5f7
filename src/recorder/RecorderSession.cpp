// What a running program holds besides its windows.
#include "recorder/RecorderSession.h"

#include <QCoreApplication>

#include "audio/files/RecordingInfo.h"
#include "recorder/CallerLog.h"
#include "recorder/DefaultPrompts.h"
#include "recorder/ProblemTexts.h"
#include "recorder/RecorderLine.h"
#include "recorder/RecordingFiles.h"
#include "settings/SettingsKeys.h"
#include "telephony/LineDeviceSelection.h"

RecorderSession::RecorderSession(AppState& state, DeviceClock& clock)
    : app(state), queue(state.dataFolder), line(clock) {
    InstallDefaultPrompts(app.dataFolder);
    app.levelQueue = [this](const std::string& path) { queue.Add(path); };
    app.recordingQueue = [this](const std::string& path, bool level) {
        queue.Add(path, level ? LLevelQueue::Work::Level : LLevelQueue::Work::Check);
    };
    queue.CheckRecordingsIn(app.recordingsFolder, [this](const std::string& path) {
        // Read here, before levelling replaces the file.
        const std::string caller = ReadRecordingInfo(path).value_or(RecordingInfo{}).caller;
        QMetaObject::invokeMethod(
            &inbox, [this, caller] { TellProblem(app, NoSoundText(caller)); },
            Qt::QueuedConnection);
    });
    QObject::connect(&autoDeleteTimer, &QTimer::timeout, [this] {
        AutoDelete();
        autoDeleteTimer.start(kAutoDeleteIntervalMs);
    });
}

RecorderSession::~RecorderSession() {
    Shutdown();
}

bool RecorderSession::OpenLine(bool startUp) {
    std::uint32_t device = lineDevice.value_or(
        static_cast<std::uint32_t>(ReadSetting(app.settingsFile, settings::kDevice)));
    bool voice = false;
    if (startUp && !lineDevice) {
        LineDeviceChoice choice = ChooseLineDevice(app.settingsFile);
        device = choice.device;
        voice = choice.voiceCapable;
    } else {
        voice = LTapiLine::IsVoiceLine(device);
    }
    line.SetStandingHandler(std::make_unique<RecorderLine>(app, LTapiLine::GetLineName(device)));
    line.Open(device, 0);
    openedDevice = device;
    return voice;
}

bool RecorderSession::Command(CallCommand command) {
    return RunCallCommand(command, app, line);
}

void RecorderSession::TellQueueReports() {
    QCoreApplication::sendPostedEvents(&inbox, QEvent::MetaCall);
}

void RecorderSession::StartAutoDelete() {
    autoDeleteTimer.start(kFirstAutoDeleteMs);
}

std::vector<std::string> RecorderSession::AutoDelete() {
    return DeleteOldRecordings(app.recordingsFolder, ReadDeleteFileDays(app.settingsFile),
                               CurrentFileTimeHigh());
}

void RecorderSession::Shutdown() {
    if (shutDown) {
        return;
    }
    shutDown = true;
    autoDeleteTimer.stop();
    app.callMode = CallMode::Idle;
    line.Drop();
    queue.Stop();
    app.levelQueue = nullptr;
    app.recordingQueue = nullptr;
    AppendLogEntry(app.logsFolder, "Quillon Recorder Exit");
}
