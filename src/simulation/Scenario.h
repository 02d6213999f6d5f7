// Scenario files: a call told as timed steps, one a line, "TIME ACTION ARGS" with the time in
// seconds from the start, for the headless simulation and the desktop program's simulated line.
// '#' starts a comment; arguments with spaces go in double quotes.
//
//   ring NUMBER ["NAME"] | ring blocked|out-of-area|unknown|unavailable
//   answer-far | hangup-far | busy | fax | digits DIGITS
//   say FILE.wav | say-text "TEXT" | near-say FILE.wav | near-say-text "TEXT" | silence-far
//   user record|hold|stop|record-toggle|hold-toggle
//   set KEY VALUE                          (a key of the "settings" section)
//   expect recordings N | expect log "TEXT" | expect heard "PROMPT" | expect beeps N
//   expect mode idle|record|hold | expect call idle|offering|dialing|connected|busy|disconnected
//   expect popups N | expect length N SECONDS
//   quit
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ScenarioStep {
    double time = 0;  // seconds from the start
    int lineNumber = 0;
    std::string action;
    std::vector<std::string> args;
};

// Steps in time order (steps at the same time keep their file order), or an error naming the
// line number and the reason.
struct ParsedScenario {
    std::vector<ScenarioStep> steps;
    std::optional<std::string> error;
};

ParsedScenario ParseScenario(const std::string& text);
