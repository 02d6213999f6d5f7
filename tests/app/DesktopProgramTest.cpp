// The desktop program run by a scenario: real buttons, ordered shutdown, the exit code, and the
// temporaries that ended runs left swept at start and its own at its end.
#include "app/DesktopProgram.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTimer>
#include <QWidget>
#include <csignal>
#include <filesystem>

#include "app/InstanceChannel.h"
#include "base/TempFiles.h"
#include "recorder/AppState.h"
#include "settings/SettingsKeys.h"
#include "support/FifoDeadline.h"
#include "support/QtWidgetsTestApp.h"
#include "support/TempDir.h"
#include "ui/UiTestSupport.h"

namespace {

class DesktopProgramTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }

    int Run(const std::string& scenario, const QStringList& more = {}) {
        WriteFile(dir / "call.scenario", scenario);
        return RunDesktop(
            QStringList{"quillon", "--scenario", QString::fromStdString(dir / "call.scenario")} +
            more);
    }

    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", dir / "config"};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path()};
    ScopedEnv tmp{"TMPDIR", dir.Path()};
    MessageRecorder messages;
};

TEST_F(DesktopProgramTest, ScenarioPressesTheRecordButtonAndQuitsCleanlyLeavingNoTemporary) {
    const std::string folders[] = {dir / "config", dir / "data/Ostrel/Quillon",
                                   dir / "data/Ostrel/Quillon/Recordings", dir.Path()};
    // A run that was killed: a temporary in every folder, and a speech folder.
    const pid_t ended = ::fork();
    if (ended == 0) {
        for (const std::string& folder : folders) {
            std::filesystem::create_directories(folder);
            CreateUniqueFile(folder, "next");
        }
        WriteFile(CreateUniqueFolder(dir.Path(), "speech") + "/0.wav", "RIFF");
        ::_exit(0);
    }
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    // This run's own, as a level worker that did not stop in time leaves it.
    CreateUniqueFile(folders[2], "level");
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
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
        EXPECT_NE(entry.path().filename().string().rfind(".quillon-", 0), 0u) << entry.path();
    }
}

TEST_F(DesktopProgramTest, ALineNamedOnTheCommandLineIsOpenedWithoutTakingTheDeviceSetting) {
    const std::string settings = dir / "data/Ostrel/Quillon/settings.ini";
    std::filesystem::create_directories(dir / "data/Ostrel/Quillon");
    // A device that is not there: a start without --line would choose the line and store it.
    WriteSetting(settings, settings::kDevice, 5);
    EXPECT_EQ(Run("0 set showtip false\n"
                  "0 ring 5551234\n"
                  "0.5 user record\n"
                  "2 expect call connected\n"
                  "2.5 quit\n",
                  {"--line", "quillon simulated line"}),
              0);
    EXPECT_EQ(ReadSetting(settings, settings::kDevice), 5);
    EXPECT_TRUE(messages.requests.empty());
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

TEST_F(DesktopProgramTest, AStopSignalEndsTheProgramEvenWhileAMessageIsShownAtTheStart) {
    const std::string settings = dir / "data/Ostrel/Quillon/settings.ini";
    std::filesystem::create_directories(dir / "data/Ostrel/Quillon");
    WriteSetting(settings, settings::kShowTip, false);
    SetMessageBoxHook({});  // the first start's instructions, shown for real
    QTimer::singleShot(0, [] { std::raise(SIGTERM); });
    EXPECT_EQ(RunDesktop({"quillon", "/install", "--simulate"}), 0);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(window->isVisible()) << window->windowTitle().toStdString();
    }
    EXPECT_EQ(App().mainWindow, nullptr);
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
    // A line of no such name, or none named, before any window.
    EXPECT_EQ(RunDesktop({"quillon", "--simulate", "--line", "Kitchen"}), 1);
    EXPECT_EQ(RunDesktop({"quillon", "--simulate", "--line"}), 1);
    EXPECT_TRUE(messages.requests.empty());
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    RunWithFifoDeadline(fifo, [&] {
        EXPECT_EQ(RunDesktop({"quillon", "--scenario", QString::fromStdString(fifo)}), 1);
    });
}

}  // namespace
