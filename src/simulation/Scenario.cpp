// Scenario files: a call told as timed steps.
#include "simulation/Scenario.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <sstream>

#include "base/AsciiText.h"

namespace {

// Splits a line into words; double quotes group words (a quote inside is written \").
std::optional<std::vector<std::string>> Words(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            break;
        }
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    ++i;
                }
                word += line[i++];
            }
            if (i == line.size()) {
                return std::nullopt;  // unclosed quote
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                word += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

bool IsCount(const std::string& text) {
    return !text.empty() && text.size() < 9 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsSeconds(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && value >= 0 && value < 1e7;
}

// A word of the scenario language and what it stands for.
template <class Value>
struct Word {
    const char* word;
    Value value;
};

template <class Value, std::size_t N>
std::optional<Value> Lookup(const Word<Value> (&words)[N], const std::string& word) {
    for (const Word<Value>& entry : words) {
        if (word == entry.word) {
            return entry.value;
        }
    }
    return std::nullopt;
}

template <class Value, std::size_t N>
const char* WordFor(const Word<Value> (&words)[N], Value value) {
    for (const Word<Value>& entry : words) {
        if (entry.value == value) {
            return entry.word;
        }
    }
    return "";
}

// Each action with the number of words it takes ("expect" checks its own beyond the first).
struct ActionSyntax {
    Word<ScenarioAction> name;
    std::size_t fewest;
    std::size_t most;
    const char* arity;  // the error when their number is wrong, after the action word
};
constexpr std::size_t kAnyNumber = SIZE_MAX;
constexpr ActionSyntax kActions[] = {
    {{"ring", ScenarioAction::Ring}, 1, 2, "takes a number or a withheld kind, and a name"},
    {{"answer-far", ScenarioAction::AnswerFar}, 0, 0, "takes no arguments"},
    {{"hangup-far", ScenarioAction::HangupFar}, 0, 0, "takes no arguments"},
    {{"busy", ScenarioAction::Busy}, 0, 0, "takes no arguments"},
    {{"fax", ScenarioAction::Fax}, 0, 0, "takes no arguments"},
    {{"digits", ScenarioAction::Digits}, 1, 1, "takes one argument"},
    {{"say", ScenarioAction::Say}, 1, 1, "takes one argument"},
    {{"say-text", ScenarioAction::SayText}, 1, 1, "takes one argument"},
    {{"near-say", ScenarioAction::NearSay}, 1, 1, "takes one argument"},
    {{"near-say-text", ScenarioAction::NearSayText}, 1, 1, "takes one argument"},
    {{"silence-far", ScenarioAction::SilenceFar}, 0, 0, "takes no arguments"},
    {{"user", ScenarioAction::User}, 1, 1, "takes one action"},
    {{"set", ScenarioAction::Set}, 2, 2, "takes a key and a value"},
    {{"modem", ScenarioAction::Modem}, 1, 1, "takes one action"},
    {{"expect", ScenarioAction::Expect}, 1, kAnyNumber, "needs what to check"},
    {{"quit", ScenarioAction::Quit}, 0, 0, "takes no arguments"},
};

constexpr Word<CallCommand> kUserActions[] = {
    {"record", CallCommand::Record},
    {"hold", CallCommand::Hold},
    {"stop", CallCommand::Stop},
    {"record-toggle", CallCommand::RecordToggle},
    {"hold-toggle", CallCommand::HoldToggle},
};

constexpr Word<ModemFault> kModemFaults[] = {
    {"stall", ModemFault::Stall},     {"resume", ModemFault::Resume},
    {"garbage", ModemFault::Garbage}, {"vanish", ModemFault::Vanish},
    {"return", ModemFault::Return},
};

constexpr Word<CallMode> kModes[] = {
    {"idle", CallMode::Idle},
    {"record", CallMode::Record},
    {"hold", CallMode::Hold},
};

// Written in any letter case, as networks and people spell them.
constexpr Word<SimulatedCallerId::Kind> kWithheldKinds[] = {
    {"blocked", SimulatedCallerId::Kind::Blocked},
    {"out-of-area", SimulatedCallerId::Kind::OutOfArea},
    {"unknown", SimulatedCallerId::Kind::Unknown},
    {"unavailable", SimulatedCallerId::Kind::Unavailable},
};

constexpr SimulatedCallState kCallStates[] = {
    SimulatedCallState::Idle,      SimulatedCallState::Offering, SimulatedCallState::Dialing,
    SimulatedCallState::Connected, SimulatedCallState::Busy,     SimulatedCallState::Disconnected,
};

// What the words after "expect <what>" are.
enum class ExpectedWords { Count, Text, Mode, CallState, RecordingLength };
struct ExpectationSyntax {
    Word<Expectation> name;
    ExpectedWords words;
    const char* takes;
};
constexpr ExpectationSyntax kExpectations[] = {
    {{"recordings", Expectation::Recordings}, ExpectedWords::Count, "a count"},
    {{"beeps", Expectation::Beeps}, ExpectedWords::Count, "a count"},
    {{"popups", Expectation::Popups}, ExpectedWords::Count, "a count"},
    {{"log", Expectation::Log}, ExpectedWords::Text, "a text"},
    {{"heard", Expectation::Heard}, ExpectedWords::Text, "a text"},
    {{"mode", Expectation::Mode}, ExpectedWords::Mode, "idle, record or hold"},
    {{"call", Expectation::Call}, ExpectedWords::CallState, "a call state"},
    {{"length", Expectation::Length},
     ExpectedWords::RecordingLength,
     "a recording number and seconds"},
};

SimulatedCallerId CallerIdOf(const std::vector<std::string>& args) {
    SimulatedCallerId id;
    for (const Word<SimulatedCallerId::Kind>& kind : kWithheldKinds) {
        if (EqualsNoCase(args[0], kind.word)) {
            id.kind = kind.value;
            return id;
        }
    }
    id.number = args[0];
    id.name = args.size() > 1 ? args[1] : "";
    return id;
}

// Whether the words after "expect <what>" fit it; fills in the mode or call state they name.
bool ParseExpectedWords(ExpectedWords words, ScenarioStep& step) {
    const std::vector<std::string>& args = step.args;
    double seconds = 0;
    switch (words) {
        case ExpectedWords::Count:
            return args.size() == 2 && IsCount(args[1]);
        case ExpectedWords::Text:
            return args.size() == 2;
        case ExpectedWords::Mode: {
            const std::optional<CallMode> mode =
                args.size() == 2 ? Lookup(kModes, args[1]) : std::nullopt;
            step.mode = mode.value_or(CallMode::Idle);
            return mode.has_value();
        }
        case ExpectedWords::CallState:
            for (SimulatedCallState state : kCallStates) {
                if (args.size() == 2 && args[1] == SimulatedCallStateName(state)) {
                    step.callState = state;
                    return true;
                }
            }
            return false;
        case ExpectedWords::RecordingLength:
            return args.size() == 3 && IsCount(args[1]) && IsSeconds(args[2], seconds);
    }
    return false;
}

// Parses the words of `step` (its action word is `word`); why they are not acceptable, or
// nothing when they are.
std::optional<std::string> ParseStep(const std::string& word, ScenarioStep& step) {
    const auto* syntax = std::find_if(std::begin(kActions), std::end(kActions),
                                      [&](const ActionSyntax& a) { return word == a.name.word; });
    if (syntax == std::end(kActions)) {
        return "unknown action '" + word + "'";
    }
    step.action = syntax->name.value;
    const std::vector<std::string>& args = step.args;
    if (args.size() < syntax->fewest || args.size() > syntax->most) {
        return word + " " + syntax->arity;
    }
    switch (step.action) {
        case ScenarioAction::Ring:
            step.callerId = CallerIdOf(args);
            return std::nullopt;
        case ScenarioAction::User:
            if (std::optional<CallCommand> command = Lookup(kUserActions, args[0])) {
                step.command = *command;
                return std::nullopt;
            }
            return "unknown user action '" + args[0] + "'";
        case ScenarioAction::Modem:
            if (std::optional<ModemFault> fault = Lookup(kModemFaults, args[0])) {
                step.fault = *fault;
                return std::nullopt;
            }
            return "unknown modem action '" + args[0] + "'";
        case ScenarioAction::Expect: {
            const auto* expectation =
                std::find_if(std::begin(kExpectations), std::end(kExpectations),
                             [&](const ExpectationSyntax& e) { return args[0] == e.name.word; });
            if (expectation == std::end(kExpectations)) {
                return "unknown expectation '" + args[0] + "'";
            }
            step.expectation = expectation->name.value;
            if (!ParseExpectedWords(expectation->words, step)) {
                return "expect " + args[0] + " takes " + expectation->takes;
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

}  // namespace

ParsedScenario ParseScenario(const std::string& text) {
    ParsedScenario parsed;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        auto fail = [&](const std::string& reason) {
            parsed.steps.clear();
            parsed.error = "line " + std::to_string(number) + ": " + reason;
            return parsed;
        };
        std::optional<std::vector<std::string>> words = Words(line);
        if (!words) {
            return fail("a quoted text is not closed");
        }
        if (words->empty()) {
            continue;
        }
        ScenarioStep step;
        step.lineNumber = number;
        if (!IsSeconds((*words)[0], step.time)) {
            return fail("'" + (*words)[0] + "' is not a time in seconds");
        }
        if (words->size() < 2) {
            return fail("a time needs an action");
        }
        step.args.assign(words->begin() + 2, words->end());
        if (std::optional<std::string> problem = ParseStep((*words)[1], step)) {
            return fail(*problem);
        }
        parsed.steps.push_back(std::move(step));
    }
    std::stable_sort(parsed.steps.begin(), parsed.steps.end(),
                     [](const ScenarioStep& a, const ScenarioStep& b) { return a.time < b.time; });
    return parsed;
}

const char* ScenarioActionWord(ScenarioAction action) {
    for (const ActionSyntax& syntax : kActions) {
        if (syntax.name.value == action) {
            return syntax.name.word;
        }
    }
    return "";
}

const char* CallModeWord(CallMode mode) {
    return WordFor(kModes, mode);
}
