// quillon-tool level: levels one WAV file the way the background queue does.
#include <chrono>
#include <cstdio>

#include "audio/level/LevelFile.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"
#include "tool/ToolOutput.h"

namespace {

std::string Decibels(double level) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", level);
    return text;
}

}  // namespace

int RunLevelCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || args.size() > 2) {
        return UsageError(err, "level takes an input file and an optional output file");
    }
    const std::string& input = args[0];
    const std::string& output = args.size() == 2 ? args[1] : args[0];
    // Without OUT the input is replaced, so it is checked as an output too.
    const std::optional<std::string> target = OutputTarget(output, err);
    if (!target) {
        return kToolFailed;
    }
    LStopEvent neverStop;
    LevelReadings readings;
    const auto start = std::chrono::steady_clock::now();
    const LevelResult result = LevelWaveFile(input, *target, neverStop, &readings);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    switch (result) {
        case LevelResult::Levelled: {
            char seconds[32];
            std::snprintf(seconds, sizeof seconds, "%.3f s", took.count());
            out << "input level:  " << Decibels(readings.input) << "\n"
                << "output level: " << Decibels(readings.output) << "\n"
                << "time:         " << seconds << "\n";
            return kToolOk;
        }
        case LevelResult::NotAudio:
            return ReportUnreadableInput(input, "a WAV file", err);
        case LevelResult::Changed:
            err << "quillon-tool: " << input << " changed while it was levelled; it was kept\n";
            return kToolFailed;
        case LevelResult::Failed:
        case LevelResult::Stopped:
            break;
    }
    err << "quillon-tool: levelling " << input << " failed; " << output << " was not changed\n";
    return kToolFailed;
}
