// A scenario's text run headless on the stepped clock, for the scenario tests of either line.
#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "simulation/Simulation.h"

// Runs `text` with `options` (its speed set to the stepped clock: line time moves on once the
// program has done what it can, fast and the same under any load); `summary` gets what the run
// printed. Every expectation should hold, unless `holds` says otherwise.
inline SimulationResult RunScenarioText(AppState& app, const std::string& text,
                                        SimulationOptions options, std::string& summary,
                                        bool holds = true) {
    ParsedScenario scenario = ParseScenario(text);
    EXPECT_FALSE(scenario.error) << *scenario.error;
    options.speed = 0;
    std::ostringstream out;
    SimulationResult result = RunSimulation(app, scenario.steps, options, out);
    summary = out.str();
    EXPECT_EQ(result.held, holds) << summary;
    return result;
}
