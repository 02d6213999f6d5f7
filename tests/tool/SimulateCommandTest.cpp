// quillon-tool simulate: exit codes, the summary, where the run keeps its files, a run stopped
// by a signal, and a recording of a killed run mended by the next.
#include <filesystem>

#include "ToolRun.h"
#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "base/IniFile.h"
#include "recorder/CallStory.h"
#include "recorder/RecordingFiles.h"

namespace {

class SimulateCommandTest : public ToolRun {
protected:
    void SetUp() override { std::filesystem::create_directories(tmp); }
    std::string Scenario(const std::string& text) {
        WriteFile(root / "call.scenario", text);
        return root / "call.scenario";
    }

    std::string tmp = root / "tmp";
    ScopedEnv tmpdir{"TMPDIR", tmp};
};

TEST_F(SimulateCommandTest, AScenarioWhoseExpectationsHoldExitsZeroWithASummary) {
    std::string scenario = Scenario(
        "# rings twice, never answered\n"
        "0 ring 5550142 \"BROWN K\"\n"
        "7 expect popups 1\n"
        "7 expect log \"Incoming call 5550142 BROWN K\"\n"
        "8 quit\n");
    ASSERT_EQ(Run({"simulate", scenario, "--speed", "20", "--data", root / "run"}), kToolOk) << out;
    EXPECT_NE(out.find("Recordings (0) in " + root / "run/Recordings/"), std::string::npos) << out;
    EXPECT_NE(out.find(" Incoming call 5550142 BROWN K\n"), std::string::npos);
    EXPECT_NE(out.find("Expectations: 2 held, 0 failed"), std::string::npos);
    EXPECT_NE(out.find("Data folder: " + root / "run/"), std::string::npos);
    // The run's data folder holds what the program would have: prompts, settings, the log.
    EXPECT_TRUE(Exists(root / "run/Start Prompt.wav"));
}

TEST_F(SimulateCommandTest, AFailedExpectationExitsOneAndBadScenariosAndArgumentsAreUsageErrors) {
    std::string scenario = Scenario("0 ring 5550142\n1 expect recordings 1\n2 quit\n");
    EXPECT_EQ(Run({"simulate", scenario, "--speed", "20"}), kToolFailed);
    EXPECT_NE(out.find("line 2: expect recordings 1 "), std::string::npos) << out;
    EXPECT_NE(out.find("0 held, 1 failed"), std::string::npos) << out;
    // A temporary folder, gone again.
    EXPECT_NE(out.find("Data folder: " + tmp + "/.quillon-simulate-"), std::string::npos) << out;
    EXPECT_TRUE(std::filesystem::is_empty(tmp));

    scenario = Scenario("0 ring 5550142\n1 user dance\n");
    EXPECT_EQ(Run({"simulate", scenario}), kToolUsage);
    EXPECT_NE(err.find("call.scenario: line 2: "), std::string::npos) << err;
    EXPECT_EQ(Run({"simulate"}), kToolUsage);
    EXPECT_EQ(Run({"simulate", scenario, "--speed", "0"}), kToolUsage);
    EXPECT_EQ(Run({"simulate", scenario, "--line", "/dev/ttyACM0"}), kToolUsage);
    EXPECT_NE(err.find("--line takes simulated, modem or modem-usr"), std::string::npos) << err;
}

TEST_F(SimulateCommandTest, ARecordingKilledMidCallIsRepairedAtTheNextStartAndListedOnce) {
    const std::string data = root / "run";
    const std::string recordings = data + "/Recordings/";
    // The failed expectation tells that the recording has run for a while, past its first tone.
    const std::string call =
        Scenario("0 ring 5551234 \"SMITH J\"\n2 user record\n25 expect recordings 0\n3600 quit\n");
    EXPECT_EQ(RunChild({"simulate", call, "--speed", "20", "--data", data},
                       "expect recordings 0 failed", SIGKILL),
              -1);
    const std::vector<std::string> names = ListRecordings(recordings);
    ASSERT_EQ(names.size(), 1u) << out;
    const std::string path = recordings + names[0];
    const auto frames = static_cast<std::int32_t>((std::filesystem::file_size(path) - 46) / 2);
    ASSERT_TRUE(Exists(JournalPath(path)));
    // Not levelled, so that the file can be compared with what the kill left.
    ASSERT_TRUE(WriteProfileString(data + "/settings.ini", "settings", "recordalc", "false"));
    const std::string quit = Scenario("0 quit\n");
    ASSERT_EQ(Run({"simulate", quit, "--data", data}), kToolOk) << out;
    EXPECT_NE(
        out.find("\n1 recording was recovered after an unexpected stop:\n  " + names[0] + "\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(OpenWaveFile(path)->GetLength(), frames);
    const RecordingInfo info = ReadRecordingInfo(path).value();
    EXPECT_EQ(info.caller, "5551234 SMITH J");
    ASSERT_GE(info.events.size(), 3u);
    EXPECT_EQ(info.events[0].kind, CallEventKind::Announcement);
    EXPECT_EQ(info.events[1].kind, CallEventKind::Tone);
    EXPECT_EQ(info.events.back().kind, CallEventKind::Recovered);
    EXPECT_EQ(info.events.back().frame, frames);
    EXPECT_FALSE(Exists(JournalPath(path)));
    ASSERT_EQ(Run({"simulate", quit, "--data", data}), kToolOk) << out;
    EXPECT_EQ(out.find("recovered"), std::string::npos) << out;
}

TEST_F(SimulateCommandTest, AStoppedRunEndsInOrderAndLeavesNoFolderBehind) {
    const std::string scenario = Scenario("0 ring 5550142\n3600 quit\n");
    for (int signal : {SIGTERM, SIGINT}) {
        // Told once the folder is made and the run stands ready for the signals.
        EXPECT_EQ(RunChild({"simulate", scenario}, " (removed at the end)\n", signal), kToolFailed);
        EXPECT_NE(out.find("Data folder: " + tmp + "/.quillon-simulate-"), std::string::npos)
            << out;
        EXPECT_NE(out.find("quillon-tool: the run was stopped by a signal\n"), std::string::npos);
        EXPECT_TRUE(std::filesystem::is_empty(tmp)) << signal;
    }
}

}  // namespace
