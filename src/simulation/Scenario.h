// Scenario files: a call told as timed steps, one a line, "TIME ACTION ARGS" with the time in
// seconds from the start, for the headless simulation and the desktop program's simulated line.
// '#' starts a comment; arguments with spaces go in double quotes.
//
//   ring NUMBER ["NAME"] | ring blocked|out-of-area|unknown|unavailable
//   answer-far | hangup-far | busy | fax | digits DIGITS
//   say FILE.wav | say-text "TEXT" | near-say FILE.wav | near-say-text "TEXT" | silence-far
//   user record|hold|stop|record-toggle|hold-toggle
//   set KEY VALUE                          (a key of the "settings" section)
//   modem stall|resume|garbage|vanish|return  (what the modem peer does, when there is one)
//   expect recordings N | expect log "TEXT" | expect heard "PROMPT" | expect beeps N
//   expect mode idle|record|hold | expect call idle|offering|dialing|connected|busy|disconnected
//   expect popups N | expect length N SECONDS
//   quit
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "recorder/AppState.h"
#include "recorder/CallCommands.h"
#include "telephony/providers/simulated/SimulatedLine.h"

// What a step does: one value for each action word.
enum class ScenarioAction {
    Ring,
    AnswerFar,
    HangupFar,
    Busy,
    Fax,
    Digits,
    Say,
    SayText,
    NearSay,
    NearSayText,
    SilenceFar,
    User,
    Set,
    Modem,
    Expect,
    Quit,
};

// What a "modem" step makes the modem peer do.
enum class ModemFault { Stall, Resume, Garbage, Vanish, Return };

// What an "expect" step checks: one value for each word after "expect".
enum class Expectation { Recordings, Log, Heard, Beeps, Mode, Call, Popups, Length };

struct ScenarioStep {
    double time = 0;  // seconds from the start
    int lineNumber = 0;
    ScenarioAction action = ScenarioAction::Quit;
    std::vector<std::string> args;  // the words after the action word, as written
    // What the words stand for, parsed with the step where its action has them.
    SimulatedCallerId callerId;                               // ring
    CallCommand command = CallCommand::Stop;                  // user
    ModemFault fault = ModemFault::Stall;                     // modem
    Expectation expectation = Expectation::Recordings;        // expect
    CallMode mode = CallMode::Idle;                           // expect mode
    SimulatedCallState callState = SimulatedCallState::Idle;  // expect call
};

// Steps in time order (steps at the same time keep their file order), or an error naming the
// line number and the reason.
struct ParsedScenario {
    std::vector<ScenarioStep> steps;
    std::optional<std::string> error;
};

ParsedScenario ParseScenario(const std::string& text);

// The words scenario files use for an action and for a call mode.
const char* ScenarioActionWord(ScenarioAction action);
const char* CallModeWord(CallMode mode);
