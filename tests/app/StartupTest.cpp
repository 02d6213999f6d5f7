// What a start does: run, hand over to a running program, or install with it closed.
#include "app/Startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QSignalSpy>
#include <filesystem>
#include <optional>

#include "app/InstanceChannel.h"
#include "support/TempDir.h"
#include "ui/UiTestSupport.h"

namespace {

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtWidgetsTestApp();
        steps.run = [this] { return ++runs, 3; };
        steps.setup = [this](StartMode mode) {
            setups.push_back(mode);
            return mode == StartMode::Install ? 1 : 0;  // the program ends with the setup's status
        };
        steps.sleep = [this](int ms) { sleeps.push_back(ms); };
    }
    void TearDown() override { std::filesystem::current_path(savedFolder); }

    std::string Program(const std::string& name, const std::string& trailer = "") {
        std::string path = programs / name;
        WriteFile(path, "#!/bin/true\n" + trailer);
        return path;
    }
    int Start(const std::string& program) {
        return StartProgram(program, steps, QString::fromStdString(socket));
    }
    // Every file and folder under `dir`.
    static QStringList Everything(const std::string& dir) {
        return QDir(QString::fromStdString(dir))
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    }

    TempDir dir;
    TempDir programs;
    std::string socket = dir / "instance";
    // Where a normal run would put its files.
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", dir / "config"};
    std::filesystem::path savedFolder = std::filesystem::current_path();
    StartupSteps steps;
    int runs = 0;
    std::vector<StartMode> setups;
    std::vector<int> sleeps;
    MessageRecorder messages;
};

TEST_F(StartupTest, AloneAStartRunsOrSetsUpAtOnceBesideARunningOneItBringsItForwardOrCloses) {
    EXPECT_EQ(Start(Program("quillon")), 3);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(QDir::currentPath().toStdString(), programs.Path());   // its own folder
    EXPECT_EQ(Start(Program("uninst.exe", "\x0F\x0F\xF0\xF0")), 0);  // no wait
    EXPECT_TRUE(messages.requests.empty());

    InstanceServer first(QString::fromStdString(socket));
    ASSERT_TRUE(first.Listen());
    QSignalSpy restore(&first, &InstanceServer::RestoreRequested);
    QSignalSpy close(&first, &InstanceServer::CloseRequested);
    const QStringList before = Everything(dir.Path());
    EXPECT_EQ(Start(Program("quillon")), 0);
    ASSERT_TRUE(restore.wait(5000));
    EXPECT_EQ(Everything(dir.Path()), before);  // no data folder, settings or log
    // A setup name without the installer trailer is a damaged download.
    EXPECT_EQ(Start(Program("QuillonSetup.exe", "\x0F\x0F\xF0\xF0")), 0);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Install Error");
    // The running program is left alone: what reaches it first is the next start's request.
    EXPECT_EQ(Start(Program("quillon")), 0);
    ASSERT_TRUE(restore.wait(5000));
    EXPECT_EQ(close.count(), 0);

    EXPECT_EQ(Start(Program("quillonsetup.exe", "\xF0\xF0\x0F\x0F")), 1);
    EXPECT_TRUE(close.wait(5000));
    EXPECT_EQ(Start(Program("uninst.exe", "\x0F\x0F\xF0\xF0")), 0);
    EXPECT_TRUE(close.wait(5000));
    EXPECT_EQ(sleeps, (std::vector<int>{2000, 1500}));  // the installer's or uninstaller's time
    EXPECT_EQ(setups, (std::vector<StartMode>{StartMode::Uninstall, StartMode::Install,
                                              StartMode::Uninstall}));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(messages.requests.size(), 1u);
}

TEST_F(StartupTest, OneProgramHoldsThePrivateNameAndALeftOverNameIsTakenOver) {
    QString name = QString::fromStdString(socket);
    WriteFile(socket, "");  // left behind by a program that ended without releasing it
    auto first = std::make_unique<InstanceServer>(name);
    EXPECT_TRUE(first->Listen());
    InstanceServer second(name);
    EXPECT_FALSE(second.Listen());
    EXPECT_TRUE(RunningInstance(name).Found());
    // A start at the same moment, finding nobody yet, clears the name as a left-over; the claim
    // still keeps it from running beside the first.
    QLocalServer::removeServer(name);
    EXPECT_FALSE(second.Listen());
    first.reset();
    EXPECT_FALSE(RunningInstance(name).Found());
    EXPECT_TRUE(second.Listen());
    EXPECT_EQ(FileMode(socket) & 077, 0u);  // private to the user, and so is its name
    ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.Path()};
    EXPECT_EQ(InstanceSocketName().toStdString(), dir / "quillon-recorder");
    ScopedEnv noRuntime{"XDG_RUNTIME_DIR", std::nullopt};
    EXPECT_TRUE(InstanceSocketName().endsWith(QStringLiteral("-%1").arg(::getuid())));
}

}  // namespace
