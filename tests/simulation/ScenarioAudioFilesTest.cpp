// Audio files of a run that cannot be read (a scenario's own, or a prompt): told by name, and
// never waited on when they are FIFOs.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "simulation/Simulation.h"
#include "support/FifoDeadline.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"

namespace {

TEST(ScenarioAudioFilesTest, FilesThatCannotBeReadAreToldAndNeverWaitedFor) {
    QtTestApp();
    TempDir dir;
    AppState app = TempAppState(dir);
    const std::string fifo = dir / "fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    ParsedScenario scenario = ParseScenario(
        "0 set recordalc false\n"
        "0 ring 5551234\n"
        "1 say fifo.wav\n"
        "1 near-say missing.wav\n"
        "2 user record\n"
        "8 expect call idle\n"
        "8 expect log \"Call not recorded: \\\"Start Prompt.wav\\\" could not be played\"\n"
        "9 quit\n");
    ASSERT_FALSE(scenario.error) << *scenario.error;
    SimulationOptions options;
    options.speed = 0;
    options.baseFolder = dir.Path();
    // The announcement played before recording is the FIFO too.
    options.prepare = [&](AppState& state) {
        const std::string prompt = state.dataFolder + "Start Prompt.wav";
        std::remove(prompt.c_str());
        ASSERT_EQ(::symlink(fifo.c_str(), prompt.c_str()), 0);
    };
    std::ostringstream out;
    SimulationResult result;
    RunWithFifoDeadline(fifo, [&] { result = RunSimulation(app, scenario.steps, options, out); });
    const std::string summary = out.str();
    EXPECT_NE(summary.find("line 3: say: " + fifo + " is not a WAV file that can be read\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("line 4: near-say: " + (dir / "missing.wav") +
                           " is not a WAV file that can be read\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("Expectations: 2 held, 0 failed\nSteps that could not be done: 2\n"),
              std::string::npos)
        << summary;
    EXPECT_FALSE(result.held);
}

}  // namespace
