// Fuzzes the scenario file parser: any text is parsed into steps or refused with the number of
// one of its lines. Steps come in time order, and a scenario written back from them (quoted
// words, exact times) parses into the same steps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "simulation/Scenario.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string Quoted(const std::string& word) {
    std::string quoted = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string WrittenBack(const std::vector<ScenarioStep>& steps) {
    std::string text;
    for (const ScenarioStep& step : steps) {
        char time[32];
        std::snprintf(time, sizeof time, "%.17g", step.time);
        text += std::string(time) + " " + ScenarioActionWord(step.action);
        for (const std::string& arg : step.args) {
            text += " " + Quoted(arg);
        }
        text += "\n";
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const ParsedScenario parsed = ParseScenario(text);
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    if (parsed.error) {
        Check(parsed.steps.empty());
        const int line = std::atoi(parsed.error->c_str() + 5);
        Check(parsed.error->rfind("line ", 0) == 0 && line >= 1 && line <= lines);
        return 0;
    }
    for (std::size_t i = 0; i < parsed.steps.size(); ++i) {
        const ScenarioStep& step = parsed.steps[i];
        Check(step.lineNumber >= 1 && step.lineNumber <= lines);
        Check(step.time >= 0 && step.time < 1e7);
        if (i > 0) {
            const ScenarioStep& before = parsed.steps[i - 1];
            Check(before.time < step.time ||
                  (before.time == step.time && before.lineNumber < step.lineNumber));
        }
    }
    const ParsedScenario again = ParseScenario(WrittenBack(parsed.steps));
    Check(!again.error && again.steps.size() == parsed.steps.size());
    for (std::size_t i = 0; i < parsed.steps.size(); ++i) {
        const ScenarioStep& a = parsed.steps[i];
        const ScenarioStep& b = again.steps[i];
        Check(a.time == b.time && a.action == b.action && a.args == b.args);
    }
    return 0;
}
