// Scenario files: a call told as timed steps.
#include "simulation/Scenario.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

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

bool OneOf(const std::string& word, std::initializer_list<const char*> choices) {
    return std::any_of(choices.begin(), choices.end(),
                       [&](const char* choice) { return word == choice; });
}

// Why the arguments of `action` are not acceptable; nothing when they are.
std::optional<std::string> CheckStep(const std::string& action,
                                     const std::vector<std::string>& args) {
    auto arity = [&](std::size_t low, std::size_t high,
                     const char* what) -> std::optional<std::string> {
        if (args.size() < low || args.size() > high) {
            return action + " takes " + what;
        }
        return std::nullopt;
    };
    if (OneOf(action, {"answer-far", "hangup-far", "busy", "fax", "silence-far", "quit"})) {
        return arity(0, 0, "no arguments");
    }
    if (OneOf(action, {"say", "say-text", "near-say", "near-say-text", "digits"})) {
        return arity(1, 1, "one argument");
    }
    if (action == "ring") {
        return arity(1, 2, "a number or a withheld kind, and a name");
    }
    if (action == "set") {
        return arity(2, 2, "a key and a value");
    }
    if (action == "user") {
        if (auto problem = arity(1, 1, "one action")) {
            return problem;
        }
        if (!OneOf(args[0], {"record", "hold", "stop", "record-toggle", "hold-toggle"})) {
            return "unknown user action '" + args[0] + "'";
        }
        return std::nullopt;
    }
    if (action == "expect") {
        if (args.empty()) {
            return "expect needs what to check";
        }
        const std::string& what = args[0];
        double seconds = 0;
        if (OneOf(what, {"recordings", "beeps", "popups"})) {
            return args.size() == 2 && IsCount(args[1])
                       ? std::nullopt
                       : std::optional<std::string>("expect " + what + " takes a count");
        }
        if (OneOf(what, {"log", "heard"})) {
            return args.size() == 2
                       ? std::nullopt
                       : std::optional<std::string>("expect " + what + " takes a text");
        }
        if (what == "mode") {
            return args.size() == 2 && OneOf(args[1], {"idle", "record", "hold"})
                       ? std::nullopt
                       : std::optional<std::string>("expect mode takes idle, record or hold");
        }
        if (what == "call") {
            return args.size() == 2 && OneOf(args[1], {"idle", "offering", "dialing", "connected",
                                                       "busy", "disconnected"})
                       ? std::nullopt
                       : std::optional<std::string>("expect call takes a call state");
        }
        if (what == "length") {
            return args.size() == 3 && IsCount(args[1]) && IsSeconds(args[2], seconds)
                       ? std::nullopt
                       : std::optional<std::string>(
                             "expect length takes a recording number and "
                             "seconds");
        }
        return "unknown expectation '" + what + "'";
    }
    return "unknown action '" + action + "'";
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
        step.action = (*words)[1];
        step.args.assign(words->begin() + 2, words->end());
        if (std::optional<std::string> problem = CheckStep(step.action, step.args)) {
            return fail(*problem);
        }
        parsed.steps.push_back(std::move(step));
    }
    std::stable_sort(parsed.steps.begin(), parsed.steps.end(),
                     [](const ScenarioStep& a, const ScenarioStep& b) { return a.time < b.time; });
    return parsed;
}
