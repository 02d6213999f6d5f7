// Whole calls through the voice modem line: the program's serial code talking to a modem peer of
// either dialect, whose telephone side is the simulated line.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "base/PosixFile.h"
#include "simulation/Simulation.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"

namespace {

struct Dialect {
    const char* name;
    ModemPeerOptions options;
};

const Dialect kDialects[] = {
    {"Conexant", ModemPeerOptions::Of(ModemDialect::Conexant)},
    {"Usr", ModemPeerOptions::Of(ModemDialect::Usr)},
};

class ModemLineTest : public ::testing::TestWithParam<Dialect> {
protected:
    void SetUp() override { QtTestApp(); }

    SimulationResult Run(const std::string& text, bool holds = true) {
        return RunIn(app, text, holds);
    }
    SimulationResult RunIn(AppState& runApp, const std::string& text, bool holds = true) {
        ParsedScenario scenario = ParseScenario(text);
        EXPECT_FALSE(scenario.error) << *scenario.error;
        SimulationOptions options;
        options.speed = 0;
        options.baseFolder = dir.Path();
        options.modem = GetParam().options;
        std::ostringstream out;
        SimulationResult result = RunSimulation(runApp, scenario.steps, options, out);
        summary = out.str();
        EXPECT_EQ(result.held, holds) << summary;
        return result;
    }

    TempDir dir;
    AppState app = TempAppState(dir);
    std::string summary;
};

TEST_P(ModemLineTest, EveryExampleScenarioHolds) {
    for (const auto& entry : std::filesystem::directory_iterator(QUILLON_SOURCE_DIR "/examples")) {
        SCOPED_TRACE(entry.path().filename().string());
        std::optional<std::string> text = ReadWholeFile(entry.path().string());
        ASSERT_TRUE(text);
        TempDir own;
        AppState fresh = TempAppState(own);
        RunIn(fresh, *text);
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, ModemLineTest, ::testing::ValuesIn(kDialects),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
