// Process-wide application state: the resolved folders and settings file, the main window and
// the user's call mode. One instance for the process.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/TempFiles.h"
#include "settings/Folders.h"

// What the call recorder tells the main window while one is registered: the level for the
// meter (message 1027), caller ID to flash (1028), the end of a call (1029), and a problem the
// user must know of (a call not recorded as asked). The desktop window implements it; headless
// runs put a stand-in in its place. The rest is for watchers that print what happens (the
// window has no use for it): the caller ID of each call as the caller log gets it, and each
// recording file as it starts and once it is finished and handed on.
class MainWindowNotify {
public:
    virtual ~MainWindowNotify() = default;
    virtual void OnLevelMessage(std::int8_t level) = 0;
    virtual void OnCallerIdMessage(const std::string& text) = 0;
    virtual void OnCallEndedMessage() = 0;
    virtual void OnProblemMessage(const std::string& text) = 0;
    virtual void OnIncomingCall(const std::string& /*number*/, const std::string& /*name*/) {}
    virtual void OnRecordingStarted(const std::string& /*path*/) {}
    virtual void OnRecordingFinished(const std::string& /*path*/) {}
};

// The longest one recording file runs (1/10,000 s): an hour. A longer call goes on in a new
// file.
inline constexpr std::int32_t kMaximumRecordingLength = 36000000;

// What the user has asked the recorder to do with the line.
enum class CallMode : int { Idle = 0, Record = 1, Hold = 2 };

struct AppState : ProgramFolders {
    MainWindowNotify* mainWindow = nullptr;  // set while the main window exists
    CallMode callMode = CallMode::Idle;
    // The length at which a recording goes on in a new file; shorter only in tests, which
    // cannot wait an hour.
    std::int32_t maximumRecordingLength = kMaximumRecordingLength;
    // Hands a file (a prompt) to the background level queue; empty when there is none.
    std::function<void(const std::string& path)> levelQueue;
    // Hands a finished recording to the background queue, which checks it for sound and levels
    // it too when `level`; empty when there is none.
    std::function<void(const std::string& path, bool level)> recordingQueue;
};

// Hands the finished recording `path` to the background queue, levelled when the "recordalc"
// setting says so.
void QueueRecording(const AppState& app, const std::string& path);

AppState& App();

// Resolves the folders and the settings file as a normal run does at start.
void ResolveAppFolders(AppState& app);

// The start of a normal run (the desktop program, `quillon-tool watch`): the folders resolved,
// the recordings and logs folders made (private to the user) where the installation has not
// made them, as recordings made into a missing folder would be lost without a word; then what
// an earlier run that was killed left behind is removed.
void PrepareAppFolders(AppState& app);

// Removes the temporaries `which` names from the folders a run writes them to: beside the folder
// registration, the settings, prompts and level queue, and the recordings being levelled; and
// the temporary folder.
void RemoveTemporariesOf(const AppState& app, TempSweep which);
