// The desktop program's temporaries: what an ended run left in the program's folders goes at
// start, a running process's and the user's own files stay, and its own go at its end.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "app/DesktopProgram.h"
#include "base/TempFiles.h"
#include "support/QtWidgetsTestApp.h"
#include "support/TempDir.h"
#include "ui/UiTestSupport.h"

namespace {

class DesktopCleanupTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtWidgetsTestApp();
        for (const std::string& folder : folders) {
            std::filesystem::create_directories(folder);
        }
    }

    // The temporaries (by the naming rule's mark) and other files in the program's folders.
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const std::string& folder : folders) {
            for (const auto& entry : std::filesystem::directory_iterator(folder)) {
                const std::string name = entry.path().filename();
                if (name.rfind(".quillon-", 0) == 0 || name.find("Ab12Cd") != std::string::npos) {
                    names.insert(entry.path());
                }
            }
        }
        return names;
    }

    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", dir / "config"};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path()};
    ScopedEnv tmp{"TMPDIR", dir / "tmp"};
    const std::string dataFolder = dir / "data/Ostrel/Quillon";
    const std::vector<std::string> folders = {dir / "config", dataFolder,
                                              dataFolder + "/Recordings", dir / "tmp"};
    MessageRecorder messages;
};

TEST_F(DesktopCleanupTest, AStartRemovesWhatEndedRunsLeftAndTheEndWhatItLeavesItself) {
    // A run that was killed: a temporary in every folder, and a speech folder.
    pid_t ended = ::fork();
    if (ended == 0) {
        for (const std::string& folder : folders) {
            CreateUniqueFile(folder, "next");
        }
        WriteFile(CreateUniqueFolder(dir / "tmp", "speech") + "/0.wav", "RIFF");
        ::_exit(0);
    }
    ASSERT_GT(ended, 0);
    ::waitpid(ended, nullptr, 0);
    // A run that goes on meanwhile (the tool levelling a file): it says when its temporary is
    // there, and ends when its pipe closes.
    int told[2];
    int hold[2];
    ASSERT_EQ(::pipe(told), 0);
    ASSERT_EQ(::pipe(hold), 0);
    pid_t running = ::fork();
    if (running == 0) {
        ::close(hold[1]);
        CreateUniqueFile(dataFolder, "next");
        ::close(told[1]);
        char byte;
        [[maybe_unused]] ssize_t n = ::read(hold[0], &byte, 1);
        ::_exit(0);
    }
    ::close(told[1]);
    ::close(hold[0]);
    char made;
    ASSERT_EQ(::read(told[0], &made, 1), 0);  // the end: the temporary is there
    ::close(told[0]);
    // The user's own files that only look alike.
    const std::set<std::string> users = {dataFolder + "/settings.ini.Ab12Cd",
                                         dataFolder + "/Recordings/.tmpAb12Cd"};
    for (const std::string& file : users) {
        WriteFile(file, "mine");
    }
    const std::set<std::string> before = Entries();
    ASSERT_EQ(before.size(), 5 + 1 + 2) << "every file is there";
    // This run's own, as a level worker that did not stop in time leaves it.
    CreateUniqueFile(dataFolder + "/Recordings", "level");

    WriteFile(dir / "call.scenario", "0 set showtip false\n0.2 quit\n");
    EXPECT_EQ(RunDesktop({"quillon", "--scenario", QString::fromStdString(dir / "call.scenario")}),
              0);

    std::set<std::string> left = Entries();
    for (const std::string& file : users) {
        EXPECT_EQ(left.erase(file), 1u) << file;
        EXPECT_EQ(ReadFile(file), "mine");
    }
    ASSERT_EQ(left.size(), 1u);  // the running process's
    EXPECT_EQ(left.begin()->rfind(dataFolder + "/.quillon-next-" + std::to_string(running), 0), 0u);
    ::close(hold[1]);
    ::waitpid(running, nullptr, 0);
}

}  // namespace
