// What a running program holds besides its windows: the telephone line with its call recorder,
// the background level queue, and the periodic auto-delete of old recordings. The desktop
// program and the headless simulation build the same session, so both behave alike.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <memory>
#include <optional>

#include "audio/devices/DeviceClock.h"
#include "audio/level/LLevelQueue.h"
#include "recorder/AppState.h"
#include "recorder/CallCommands.h"
#include "telephony/LTapiLine.h"

class RecorderSession {
public:
    // The first auto-delete pass runs this long after the start, then every hour.
    static constexpr int kFirstAutoDeleteMs = 12000;
    static constexpr int kAutoDeleteIntervalMs = 3600000;

    // Takes the application state's folders as they are; installs the default prompts where
    // missing and connects the level queue, whose word of a recording without sound is told
    // (TellProblem) on this thread's event loop. Tick counts of the line come from `clock`.
    explicit RecorderSession(AppState& app, DeviceClock& clock = SystemDeviceClock());
    // Shuts down if that has not happened yet.
    ~RecorderSession();
    RecorderSession(const RecorderSession&) = delete;
    RecorderSession& operator=(const RecorderSession&) = delete;

    // Opens the line device of the "device" setting with a fresh call recorder. At start-up a
    // device that is not voice capable gives way to the first one that is (written back to
    // "device"). Returns false when the device opened is still not voice capable: the caller
    // warns the user ("No TAPI Devices"); the device is opened all the same.
    bool OpenLine(bool startUp);
    // From now on OpenLine opens `device` as it is, in place of the "device" setting, which
    // keeps its value (a line chosen for one run on the command line).
    void UseLineDevice(std::uint32_t device) { lineDevice = device; }
    // The line device OpenLine opened last.
    std::uint32_t OpenedDevice() const { return openedDevice; }
    // False when the line could not be taken (see RunCallCommand).
    bool Command(CallCommand command);
    // Schedules the auto-delete: once after 12 s, then hourly.
    void StartAutoDelete();
    // One auto-delete pass; returns the files deleted.
    std::vector<std::string> AutoDelete();
    // The ordered end: call mode idle, the call dropped, the level queue stopped (5 s at most),
    // "Quillon Recorder Exit" in the caller log.
    void Shutdown();

    LTapiLine& Line() { return line; }
    LLevelQueue& Queue() { return queue; }
    // Tells at once what the level queue's worker has handed over and not yet been told (a run
    // that ends waits for it so).
    void TellQueueReports();

private:
    AppState& app;
    LLevelQueue queue;
    LTapiLine line;
    QTimer autoDeleteTimer;
    QObject inbox;  // what the level queue's worker hands over to this thread
    std::optional<std::uint32_t> lineDevice;
    std::uint32_t openedDevice = 0;
    bool shutDown = false;
};
