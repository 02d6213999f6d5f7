// The desktop program run by a scenario: real buttons, ordered shutdown, the exit code.
#include "app/DesktopProgram.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "app/InstanceChannel.h"
#include "recorder/AppState.h"
#include "support/QtWidgetsTestApp.h"
#include "support/TempDir.h"
#include "ui/UiTestSupport.h"

namespace {

class DesktopProgramTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }

    int Run(const std::string& scenario) {
        WriteFile(dir / "call.scenario", scenario);
        return RunDesktop({"quillon", "--scenario", QString::fromStdString(dir / "call.scenario")});
    }

    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", dir / "config"};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path()};
    MessageRecorder messages;
};

TEST_F(DesktopProgramTest, ScenarioPressesTheRecordButtonAndQuitsCleanly) {
    EXPECT_EQ(Run("0 set showtip false\n"
                  "0 ring 5551234 \"TEST CALLER\"\n"
                  "0.5 user record-toggle\n"
                  "2 expect mode record\n"
                  "2 expect call connected\n"
                  "2.5 quit\n"),
              0);
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_NE(ReadFolder(App().logsFolder).find("Quillon Recorder Exit"), std::string::npos);
    EXPECT_EQ(App().mainWindow, nullptr);
}

TEST_F(DesktopProgramTest, ARelativeScenarioIsReadFromTheFolderTheProgramWasStartedIn) {
    WriteFile(dir / "call.scenario", "0 set showtip false\n0.2 quit\n");
    TempDir programs;
    WriteFile(programs / "quillon", "");
    std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    StartupSteps steps = DesktopSteps({"quillon", "--scenario", "call.scenario"});
    EXPECT_EQ(StartProgram(programs / "quillon", steps, InstanceSocketName()), 0);
    std::filesystem::current_path(saved);
}

TEST_F(DesktopProgramTest, AStartThatFindsTheNameClaimedIsALaterStart) {
    InstanceServer first;
    ASSERT_TRUE(first.Listen());
    QSignalSpy restore(&first, &InstanceServer::RestoreRequested);
    EXPECT_EQ(Run("0 set showtip false\n0.2 quit\n"), 0);
    EXPECT_TRUE(restore.wait(5000));
    EXPECT_FALSE(Exists(dir / "data"));  // no folder, settings or log of its own
}

TEST_F(DesktopProgramTest, AFailedExpectationOrAnUnreadableScenarioGivesExitCodeOne) {
    EXPECT_EQ(Run("0 set showtip false\n"
                  "0.2 user hold\n"
                  "1 expect mode record\n"
                  "1.5 quit\n"),
              1);
    EXPECT_EQ(RunDesktop({"quillon", "--scenario", QString::fromStdString(dir / "missing")}), 1);
    EXPECT_EQ(Run("0 dance\n"), 1);  // ends at once
}

}  // namespace
