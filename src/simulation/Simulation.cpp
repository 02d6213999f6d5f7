// A whole run of the program without its windows, on a simulated line of its own.
#include "simulation/Simulation.h"

#include <optional>

#include "recorder/CallerLog.h"
#include "recorder/RecorderSession.h"
#include "telephony/LineProviders.h"

namespace {

constexpr char kSimulationProvider[] = "Simulation";

}  // namespace

SimulationResult RunSimulation(AppState& app, const std::vector<ScenarioStep>& steps,
                               const SimulationOptions& options, std::ostream& out) {
    SimulationResult result;
    TestClock stepped;
    std::optional<RealTimeClock> realTime;
    if (options.speed > 0) {
        realTime.emplace(options.speed);
    }
    DeviceClock& clock = realTime ? static_cast<DeviceClock&>(*realTime) : stepped;
    std::shared_ptr<SimulatedLine> line = SimulatedLine::Create(clock);
    LineProviderRegistration provider(kSimulationProvider,
                                      [line] { return line->CreateProvider(); });
    LineProvidersInUse active({kSimulationProvider});

    HeadlessWindow window;
    app.mainWindow = &window;
    {
        RecorderSession session(app, clock);
        result.started = session.OpenLine(true);
        if (result.started) {
            AppendLogEntry(app.logsFolder, "Quillon Recorder Run");
            session.StartAutoDelete();
            if (options.prepare) {
                options.prepare(app);
            }
            ScenarioRunner runner(
                app, session, line, [&session](CallCommand command) { session.Command(command); },
                &window.counts, out);
            runner.SetBaseFolder(options.baseFolder);
            if (!realTime) {
                runner.StepClock(stepped);
            }
            result.held = runner.Run(steps);
            result.recordings = runner.Recordings();
            result.heard = runner.Heard();
        }
        app.mainWindow = nullptr;
        session.Shutdown();
    }
    result.notifications = window.counts;
    return result;
}
