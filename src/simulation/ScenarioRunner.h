// Runs a scenario against a running session on a simulated line: each step at its time on the
// line's clock, the user's actions through the caller's hands (the desktop program presses its
// real buttons, the headless run calls the session), and the expectations checked as they come.
// Ends with a summary of what happened: recordings, caller log, what was heard on the line,
// notifications.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "recorder/AppState.h"
#include "recorder/RecorderSession.h"
#include "simulation/LineAudioScan.h"
#include "simulation/Scenario.h"
#include "telephony/providers/simulated/SimulatedLine.h"

// Counts what the call recorder told the main window (a headless stand-in fills it in).
struct WindowNotifications {
    int levels = 0;
    std::vector<std::string> popups;
    int callsEnded = 0;
    std::vector<std::string> problems;
};

// The main window's place in a headless run: it only counts.
class HeadlessWindow : public MainWindowNotify {
public:
    void OnLevelMessage(std::int8_t) override { ++counts.levels; }
    void OnCallerIdMessage(const std::string& text) override { counts.popups.push_back(text); }
    void OnCallEndedMessage() override { ++counts.callsEnded; }
    void OnProblemMessage(const std::string& text) override { counts.problems.push_back(text); }
    WindowNotifications counts;
};

class ScenarioRunner {
public:
    // `user` performs the commands of "user ..." steps; `notifications` may be null when nobody
    // counts them.
    ScenarioRunner(AppState& app, RecorderSession& session, std::shared_ptr<SimulatedLine> line,
                   std::function<void(CallCommand command)> user,
                   const WindowNotifications* notifications, std::ostream& out);

    // Relative audio file names of "say" and "near-say" steps are taken from this folder.
    void SetBaseFolder(const std::string& folder) { baseFolder = folder; }

    // Runs the steps on the current thread's event loop until "quit" or the last step: then the
    // call is dropped, what the level queue holds is levelled, and the summary is printed.
    // Returns true when every expectation held.
    bool Run(const std::vector<ScenarioStep>& steps);

    // After Run: what was heard on the line, and the recordings made (full paths, by name).
    const std::vector<HeardSound>& Heard() const { return heard; }
    std::vector<std::string> Recordings() const;
    // Seconds on the line's clock since the run started.
    double Elapsed() const;

private:
    // The audio sent down the line during one off-hook stretch of the line.
    struct CaptureSegment {
        std::int64_t originNs = 0;          // clock time when the line went off hook
        std::vector<std::int16_t> samples;  // filled in once the line is back on hook
    };

    // Speaks the texts of "say-text" steps into files before the clock starts counting, so
    // speaking takes no time on the line.
    bool PrepareSpeech();
    std::string AudioFile(const ScenarioStep& step) const;
    void Poll();
    void Perform(const ScenarioStep& step);
    void Expect(const ScenarioStep& step);
    // Whether the expectation of `step` holds; `got` says what was found instead.
    bool Check(const ScenarioStep& step, std::string& got);
    bool CheckLength(const ScenarioStep& step, std::string& got) const;
    void CollectCapture();
    void ScanHeard();
    void BeginFinish();
    void Finish();
    void PrintSummary();
    std::vector<std::string> LogEntries() const;

    AppState& app;
    RecorderSession& session;
    std::shared_ptr<SimulatedLine> line;
    std::function<void(CallCommand)> user;
    const WindowNotifications* notifications;
    std::ostream& out;
    std::string baseFolder = ".";
    std::string speechFolder;
    std::vector<std::string> speechFiles;  // by step index

    std::vector<ScenarioStep> steps;
    std::size_t next = 0;
    std::int64_t startNs = 0;
    std::int64_t finishDeadlineNs = 0;
    enum class Phase { Running, Ending, Done } phase = Phase::Running;
    int failures = 0;  // expectations that failed and steps that could not be done
    int checks = 0;    // expectations checked
    int checksFailed = 0;
    std::vector<PromptSound> prompts;
    std::vector<CaptureSegment> captures;
    bool wasOffHook = false;
    std::vector<HeardSound> heard;  // frames counted from the run's start
    QTimer poll;
};
