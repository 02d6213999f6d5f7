// quillon-tool simulate: runs a scenario against the call recorder on a simulated line, with
// everything the desktop program builds but the windows.
#include <sys/stat.h>

#include <QCoreApplication>
#include <filesystem>

#include "base/PosixFile.h"
#include "base/TempFiles.h"
#include "simulation/Simulation.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"
#include "tool/ToolEventLoop.h"
#include "tool/ToolOptions.h"

namespace {

// A data folder of its own for the run: DIR when given, else a temporary one that goes at the
// end (a signal's end included) unless it is to be kept.
class RunFolder {
public:
    RunFolder(const std::string& given, bool keep) : keep(keep || !given.empty()) {
        if (!given.empty()) {
            path = std::filesystem::absolute(given).string();
            std::filesystem::create_directories(path, error);
        } else {
            path = CreateUniqueFolder(TemporaryFolder(), "simulate");
        }
    }
    ~RunFolder() {
        if (!keep && !path.empty()) {
            std::filesystem::remove_all(path, error);
        }
    }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    std::string path;
    bool keep;
    std::error_code error;
};

}  // namespace

int RunSimulateCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    EnsureToolApplication();
    ToolOptions options;
    if (auto problem =
            ParseToolOptions(args, {"--speed", "--data", "--line"}, {"--keep"}, options)) {
        return UsageError(err, *problem);
    }
    if (options.positional.size() != 1) {
        return UsageError(err, "simulate needs one SCENARIO file");
    }
    std::optional<std::int32_t> speed = ParseIntOption(options.Value("--speed", "1"), 1, 1000);
    if (!speed) {
        return UsageError(err, "--speed takes a whole number from 1 to 1000");
    }
    SimulationOptions run;
    if (!ModemPeerNamed(options.Value("--line", kSimulatedLineWord), run.modem)) {
        return UsageError(err, std::string("--line takes ") + kSimulatedLineWord + ", " +
                                   kConexantModemWord + " or " + kUsrModemWord);
    }
    const std::string& scenarioFile = options.positional[0];
    // A FIFO or device would keep the read waiting: only a regular file is read.
    const std::optional<std::string> text = ReadWholeFile(scenarioFile);
    if (!text) {
        return ReportUnreadableInput(scenarioFile, "a scenario file", err);
    }
    ParsedScenario scenario = ParseScenario(*text);
    if (scenario.error) {
        err << "quillon-tool: " << scenarioFile << ": " << *scenario.error << "\n";
        return kToolUsage;
    }

    // SIGTERM and SIGINT end the run in order, so that its temporary folder goes too: they end
    // the event loop the run waits in, and every loop after it at once.
    ToolStopSignals stopSignals([] { QCoreApplication::exit(); });
    RunFolder folder(options.Value("--data", ""), options.Has("--keep"));
    if (folder.path.empty()) {
        err << "quillon-tool: cannot make a data folder for the run\n";
        return kToolFailed;
    }
    out << "Data folder: " << folder.path << "/" << (folder.keep ? "" : " (removed at the end)")
        << "\n"
        << std::flush;
    AppState app;
    app.dataFolder = folder.path + "/";
    app.settingsFile = app.dataFolder + "settings.ini";
    app.recordingsFolder = app.dataFolder + "Recordings/";
    app.logsFolder = app.dataFolder + "Logs/";
    ::mkdir(app.recordingsFolder.c_str(), 0700);
    ::mkdir(app.logsFolder.c_str(), 0700);
    // What an earlier run on the folder that was killed left behind.
    RemoveTemporariesOf(app, TempSweep::Ended);

    run.speed = *speed;
    run.baseFolder = std::filesystem::absolute(scenarioFile).parent_path().string();
    SimulationResult result = RunSimulation(app, scenario.steps, run, out);
    if (stopSignals.Caught()) {
        err << "quillon-tool: the run was stopped by a signal\n";
        return kToolFailed;
    }
    if (!result.started) {
        err << "quillon-tool: the simulated line did not open\n";
        return kToolFailed;
    }
    return result.held ? kToolOk : kToolFailed;
}
