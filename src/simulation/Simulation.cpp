// A whole run of the program without its windows, on a simulated line of its own.
#include "simulation/Simulation.h"

#include <iomanip>
#include <optional>

#include "base/TempFiles.h"
#include "recorder/CallerLog.h"
#include "recorder/RecorderSession.h"
#include "recorder/RecordingRecovery.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/modem/ModemLineProvider.h"

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
    // In real time the telephone side (the line, and the modem peer standing in for the modem)
    // runs on a clock of its own, so that what it costs is told apart from what the program does.
    std::optional<RealTimeClock> telephoneTime;
    if (realTime && options.modem) {
        telephoneTime.emplace(options.speed);
    }
    std::shared_ptr<SimulatedLine> line =
        SimulatedLine::Create(telephoneTime ? static_cast<DeviceClock&>(*telephoneTime) : clock);
    std::optional<ScratchFolder> portFolder;  // the modem port link and lock files
    std::shared_ptr<ModemPeer> peer;
    ModemLineOptions modem;
    if (options.modem) {
        portFolder.emplace("modem");
        // On the stepped clock the peer and the line hand bytes over explicitly.
        std::shared_ptr<PortHandOff> handOff;
        if (!realTime) {
            handOff = std::make_shared<PortHandOff>(clock);
        }
        peer = ModemPeer::Create(line, portFolder->path, *options.modem, handOff);
        if (!peer) {
            out << "No pseudo terminal for the modem\n";
            return result;
        }
        modem.ports = {peer->PortPath()};
        modem.handOffs[peer->PortPath()] = handOff;
        modem.clock = &clock;
        modem.lockFolder = portFolder->path;
    }
    LineProviderRegistration provider(kSimulationProvider, [line, &modem, &options] {
        return options.modem
                   ? std::unique_ptr<LineProvider>(std::make_unique<ModemLineProvider>(modem))
                   : line->CreateProvider();
    });
    LineProvidersInUse active({kSimulationProvider});

    HeadlessWindow window;
    app.mainWindow = &window;
    {
        RecorderSession session(app, clock);
        // An earlier run on the same data folder may have been killed mid-call.
        PrintRecovered(out, RecoverRecordings(app));
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
            runner.SetModemPeer(peer);
            if (!realTime) {
                runner.StepClock(stepped);
            }
            result.held = runner.Run(steps);
            if (telephoneTime) {
                out << "Modem peer and line: " << std::fixed << std::setprecision(2)
                    << telephoneTime->TickerCpuSeconds()
                    << " s of CPU (the telephone side, not the program)\n"
                    << std::defaultfloat;
            }
            result.recordings = runner.Recordings();
            result.heard = runner.Heard();
        }
        app.mainWindow = nullptr;
        session.Shutdown();
    }
    result.notifications = window.counts;
    return result;
}
