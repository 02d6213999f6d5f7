// Runs a scenario against a running session on a simulated line: each step at its time on the
// line's clock, the user's actions through the caller's hands (the desktop program presses its
// real buttons, the headless run calls the session), and the expectations checked as they come.
// It wakes for the next step, for the line's changes and once a second of line time to scan what
// was sent down the line. Ends with a summary of what happened: recordings, caller log, what
// was heard on the line, notifications.
#pragma once

#include <QEventLoop>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "recorder/AppState.h"
#include "recorder/RecorderSession.h"
#include "simulation/LineAudioScan.h"
#include "simulation/ModemPeer.h"
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

    ~ScenarioRunner();

    // The modem peer "modem" steps act on; without one they cannot be done.
    void SetModemPeer(std::shared_ptr<ModemPeer> peer) { modemPeer = std::move(peer); }
    // Relative audio file names of "say" and "near-say" steps are taken from this folder.
    void SetBaseFolder(const std::string& folder) { baseFolder = folder; }
    // The line runs on `clock`, which the run moves on itself, 10 ms at a time once the program
    // has done what it can: as fast as the machine allows, and the same under any load.
    void StepClock(TestClock& clock) { steppedClock = &clock; }

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
    // Wakes the run at a time on the line's clock.
    class Alarm;

    // Speaks the texts of "say-text" steps into files before the clock starts counting, so
    // speaking takes no time on the line.
    bool PrepareSpeech();
    std::string AudioFile(const ScenarioStep& step) const;
    // Does what is due, then sets the alarm for what comes next.
    void Poll();
    void PostPoll();
    void Perform(const ScenarioStep& step);
    bool ActOnModem(ModemFault fault);
    void Expect(const ScenarioStep& step);
    // Whether the expectation of `step` holds; `got` says what was found instead.
    bool Check(const ScenarioStep& step, std::string& got);
    bool CheckLength(const ScenarioStep& step, std::string& got) const;
    // Scans what the line captured since the last look, a scanner for each off-hook stretch.
    void CollectCapture();
    void EndCaptureScan();
    // Adds what the present scanner found, counted from the run's start.
    void AddHeard(std::vector<HeardSound>& into) const;
    void ScanHeard();
    void BeginFinish();
    void Finish();
    void PrintSummary();
    std::vector<std::string> LogEntries() const;

    AppState& app;
    RecorderSession& session;
    std::shared_ptr<SimulatedLine> line;
    std::shared_ptr<ModemPeer> modemPeer;
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
    std::optional<LineAudioScanner> scanner;  // while the line is off hook
    std::int64_t scanFrom = 0;                // line frame of the scanner's first sample
    std::int64_t scanTo = 0;                  // line frame after what it has been given
    std::vector<HeardSound> heardBefore;      // in stretches that ended
    std::vector<HeardSound> heard;            // frames counted from the run's start
    std::unique_ptr<QObject> inbox;           // wake-ups posted to the run's thread
    std::shared_ptr<Alarm> alarm;
    TestClock* steppedClock = nullptr;
    QEventLoop* eventLoop = nullptr;  // while Run waits in it
};
