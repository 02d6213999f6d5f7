// A whole run of the program without its windows, on a simulated line of its own: what
// `quillon-tool simulate` and the scenario tests run.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "recorder/AppState.h"
#include "simulation/LineAudioScan.h"
#include "simulation/ModemPeer.h"
#include "simulation/Scenario.h"
#include "simulation/ScenarioRunner.h"

struct SimulationResult {
    bool started = false;  // the simulated line opened
    bool held = false;     // every expectation held and every step could be done
    std::vector<std::string> recordings;
    std::vector<HeardSound> heard;
    WindowNotifications notifications;
};

struct SimulationOptions {
    // Line time runs this many times faster than real time; at 0 it moves on only once the
    // program has done what it can: as fast as the machine allows, the same under any load.
    int speed = 1;
    std::string baseFolder = ".";  // for relative audio file names in the steps
    // Runs once the session stands and before the first step (tests use it to take files away).
    std::function<void(AppState&)> prepare;
    // Set: the program reaches the simulated line through its voice modem provider and a modem
    // peer of these options on a pseudo terminal, instead of through the line's own provider.
    std::optional<ModemPeerOptions> modem;
};

// Runs `steps` with `app`'s folders (which must exist; the default prompts are put where they
// are missing), printing the summary to `out`. Needs the application object of Qt.
SimulationResult RunSimulation(AppState& app, const std::vector<ScenarioStep>& steps,
                               const SimulationOptions& options, std::ostream& out);
