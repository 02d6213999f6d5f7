// The main window on the simulated line: the Record and Hold buttons and keys, the Stop key,
// the menu items of each call mode, what the call recorder reports, the start-up messages and
// tips, the timers, the settings round trip and the ordered shutdown.
#include "app/MainWindow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QThread>
#include <memory>

#include "app/RotatingText.h"
#include "app/SimulatedLineWindow.h"
#include "app/TapiLineDevices.h"
#include "audio/devices/DeviceClock.h"
#include "controls/LDBDisplay.h"
#include "recorder/RecorderLine.h"
#include "recorder/RecorderSession.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLine.h"
#include "ui/UiTestSupport.h"

namespace {

constexpr std::int64_t kMs = 1'000'000;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtWidgetsTestApp();
        savedProviders = ActiveLineProviders();
        LTapiLine::Shutdown();
        SetActiveLineProviders({"Main Window Bench"});
        app.dataFolder = dir.Path() + "/";
        app.settingsFile = app.dataFolder + "settings.ini";
        app.recordingsFolder = dir / "Recordings/";
        app.logsFolder = dir / "Logs/";
        ::mkdir(app.recordingsFolder.c_str(), 0700);
        ::mkdir(app.logsFolder.c_str(), 0700);
        WriteSetting(app.settingsFile, settings::kShowTip, false);
        session = std::make_unique<RecorderSession>(app, clock);
    }
    void TearDown() override {
        window.reset();
        session.reset();
        LTapiLine::Shutdown();
        SetActiveLineProviders(savedProviders);
    }

    void Open(bool install = false) {
        window = std::make_unique<MainWindow>(app, *session, lines, install);
        window->show();
        QApplication::processEvents();
    }
    // Runs the line's clock on in 10 ms steps, delivering what each step posts.
    void Run(std::int64_t milliseconds) {
        for (std::int64_t t = 0; t < milliseconds; t += 10) {
            clock.Advance(10 * kMs);
            QCoreApplication::sendPostedEvents();
        }
    }
    bool RunUntil(const std::function<bool()>& done, std::int64_t maxMilliseconds) {
        for (std::int64_t t = 0; t < maxMilliseconds && !done(); t += 10) {
            if (t % 100 == 0) {
                QThread::usleep(500);  // the player's feeding thread works in real time
            }
            clock.Advance(10 * kMs);
            QCoreApplication::sendPostedEvents();
        }
        return done();
    }
    RecorderLine* Recorder() const {
        return dynamic_cast<RecorderLine*>(session->Line().StandingHandler());
    }
    bool Checked(int id) const { return window->IsChecked(id); }
    std::string LogText() const {
        std::string all;
        for (const QString& file :
             QDir(QString::fromStdString(app.logsFolder)).entryList(QDir::Files)) {
            all += ReadFile(app.logsFolder + file.toStdString());
        }
        return all;
    }

    TempDir dir;
    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Main Window Bench",
                                          [line = simulated] { return line->CreateProvider(); }};
    std::vector<std::string> savedProviders;
    MessageRecorder messages;
    UrlRecorder urls;
    AppState app;
    TapiLineDevices lines;
    std::unique_ptr<RecorderSession> session;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, OpensTheLineAndShowsTheWindowIdle) {
    Open();
    EXPECT_EQ(window->windowTitle(), "Quillon Recorder");
    EXPECT_TRUE(messages.requests.empty());  // the simulated line carries voice
    EXPECT_EQ(app.mainWindow, window.get());
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_FALSE(Checked(MainWindow::kIdRecord));
    EXPECT_FALSE(Checked(MainWindow::kIdHold));
    EXPECT_FALSE(window->Meter().isEnabled());
    EXPECT_NE(Recorder(), nullptr);
    EXPECT_NE(session->Line().GetLine(), 0u);
    EXPECT_NE(LogText().find("Quillon Recorder Run"), std::string::npos);
    EXPECT_EQ(window->Item(MainWindow::kIdRecord)->toolTip(), "Start or stop recording call");
    EXPECT_EQ(window->Item(MainWindow::kIdHold)->toolTip(), "Hold or resume call");
    EXPECT_EQ(window->Text().toolTip(), "Click to view Ostrel Internet Resources");
    ASSERT_NE(window->Splash(), nullptr);
    EXPECT_TRUE(window->Splash()->isVisible());
}

TEST_F(MainWindowTest, MenusHaveTheirTexts) {
    Open();
    struct Row {
        int id;
        const char* text;
    };
    for (Row row :
         {Row{1001, "&Find && Play Recordings..."}, Row{1002, "View Incoming Call &Logs..."},
          Row{1011, "&Settings..."}, Row{1099, "E&xit\tAlt+F4"}, Row{2001, "&Record\tF5"},
          Row{2002, "&Hold\tF9"}, Row{2003, "Stop\tEsc"}, Row{9, "&Help Contents\tF1"},
          Row{902, "Troubleshoot Problems"}, Row{903, "&About"}}) {
        ASSERT_NE(window->Action(row.id), nullptr) << row.id;
        EXPECT_EQ(window->Action(row.id)->text(), row.text);
    }
    EXPECT_EQ(window->InternetMenu()->title(), "&Internet Resources");
    EXPECT_EQ(window->InternetMenu()->actions().size(), 12);
}

TEST_F(MainWindowTest, RecordButtonTwiceStops) {
    Open();
    QTest::mouseClick(window->ItemAs<QPushButton>(MainWindow::kIdRecord), Qt::LeftButton);
    EXPECT_EQ(app.callMode, CallMode::Record);
    EXPECT_TRUE(Checked(MainWindow::kIdRecord));
    EXPECT_TRUE(simulated->IsOffHook());  // the line was taken beside the handset
    EXPECT_TRUE(window->Meter().isEnabled());
    QTest::mouseClick(window->ItemAs<QPushButton>(MainWindow::kIdRecord), Qt::LeftButton);
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_FALSE(Checked(MainWindow::kIdRecord));
    EXPECT_FALSE(window->Meter().isEnabled());
}

TEST_F(MainWindowTest, F5TwiceKeepsRecording) {
    Open();
    QTest::keyClick(window.get(), Qt::Key_F5);
    QTest::keyClick(window->Item(MainWindow::kIdHold), Qt::Key_F5);
    EXPECT_EQ(app.callMode, CallMode::Record);
    EXPECT_TRUE(Checked(MainWindow::kIdRecord));
    QTest::keyClick(window.get(), Qt::Key_Escape);  // Esc stops, and leaves the window open
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, EscWhileIdleChangesNothingAndStopIsDisabled) {
    Open();
    EXPECT_FALSE(window->IsItemEnabled(MainWindow::kIdCallStop));
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_FALSE(simulated->IsOffHook());
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->IsFinished());
}

TEST_F(MainWindowTest, MenuItemsFollowTheCallMode) {
    Open();
    struct Row {
        int command;
        CallMode mode;
        bool record;
        bool hold;
        bool stop;
    };
    for (Row row : {Row{MainWindow::kIdCallRecord, CallMode::Record, false, true, true},
                    Row{MainWindow::kIdCallHold, CallMode::Hold, true, false, true},
                    Row{MainWindow::kIdCallStop, CallMode::Idle, true, true, false}}) {
        window->Command(row.command);
        EXPECT_EQ(app.callMode, row.mode) << row.command;
        EXPECT_EQ(window->IsItemEnabled(MainWindow::kIdCallRecord), row.record) << row.command;
        EXPECT_EQ(window->IsItemEnabled(MainWindow::kIdCallHold), row.hold) << row.command;
        EXPECT_EQ(window->IsItemEnabled(MainWindow::kIdCallStop), row.stop) << row.command;
        EXPECT_EQ(Checked(MainWindow::kIdRecord), row.mode == CallMode::Record);
        EXPECT_EQ(Checked(MainWindow::kIdHold), row.mode == CallMode::Hold);
    }
}

TEST_F(MainWindowTest, HoldWhileRecordingShowsHoldAtOnceAndPlaysTheEndPromptFirst) {
    Open();
    window->Command(MainWindow::kIdRecord);
    ASSERT_TRUE(RunUntil(
        [this] { return Recorder()->GetOperation() == RecorderLine::Operation::Recording; },
        20000));
    window->Command(MainWindow::kIdHold);
    EXPECT_TRUE(Checked(MainWindow::kIdHold));  // at once
    EXPECT_FALSE(Checked(MainWindow::kIdRecord));
    ASSERT_TRUE(RunUntil(
        [this] { return Recorder()->GetOperation() != RecorderLine::Operation::Recording; }, 2000));
    EXPECT_EQ(Recorder()->GetOperation(), RecorderLine::Operation::EndPrompt);
    ASSERT_TRUE(RunUntil(
        [this] { return Recorder()->GetOperation() == RecorderLine::Operation::OnHold; }, 20000));
}

TEST_F(MainWindowTest, RecorderReportsReachTheMeterPopupAndButtons) {
    Open();
    window->OnLevelMessage(-100);
    EXPECT_EQ(window->Meter().Level(0), -36);
    window->OnLevelMessage(20);
    EXPECT_EQ(window->Meter().Level(0), 12);

    window->OnCallerIdMessage("Incoming call\r\n5551234 JOHN SMITH");
    ASSERT_NE(window->Flash().Popup(), nullptr);
    QPointer<QWidget> first = window->Flash().Popup();
    window->OnCallerIdMessage("Incoming call\r\n5559876");
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(window->Flash().Text()->text(), "Incoming call\n5559876");
    window->OnCallerIdMessage("");  // no text, no popup change
    EXPECT_EQ(window->Flash().Text()->text(), "Incoming call\n5559876");

    window->Flash().Close();
    WriteSetting(app.settingsFile, settings::kCidFlash, false);
    window->OnCallerIdMessage("Incoming call\r\n5551234");
    EXPECT_EQ(window->Flash().Popup(), nullptr);

    app.callMode = CallMode::Record;
    window->Update();
    app.callMode = CallMode::Idle;  // the call ended
    window->OnCallEndedMessage();
    EXPECT_FALSE(Checked(MainWindow::kIdRecord));
}

TEST_F(MainWindowTest, TrayClickRestoresTheWindow) {
    Open();
    window->showMinimized();
    EXPECT_FALSE(window->SendMessage(MainWindow::kTrayMessage, MainWindow::kTrayIconId, 0x0204) &&
                 !window->isMinimized());
    window->SendMessage(MainWindow::kTrayMessage, MainWindow::kTrayIconId,
                        MainWindow::kLeftButtonDown);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, RotatingTextStartsAfterHalfASecondThenEverySixSeconds) {
    Open();
    EXPECT_TRUE(window->TextTimer().isActive());
    EXPECT_EQ(window->TextTimer().interval(), 500);
    QStringList shown;
    for (int i = 0; i < 12; ++i) {
        window->TextTimer().start(0);
        QTRY_VERIFY(!window->TextTimer().isActive() || window->TextTimer().interval() == 6000);
        QTRY_COMPARE(window->TextTimer().interval(), 6000);
        shown << window->Text().text();
    }
    EXPECT_EQ(shown[0], "Quillon Recorder v 2.01");
    EXPECT_EQ(shown[9], QString::fromLatin1(kRotatingTexts[9]));
    EXPECT_EQ(shown[10], shown[9]);  // the period after the last keeps the text
    EXPECT_EQ(shown[11], "Quillon Recorder v 2.01");
}

TEST_F(MainWindowTest, InstallStartShowsTheSetupInstructionsAndNoTip) {
    WriteSetting(app.settingsFile, settings::kShowTip, true);
    WriteSetting(app.settingsFile, settings::kTipNo, 13);
    Open(true);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Setup Instructions");
    EXPECT_EQ(messages.requests[0].text.substr(0, 70),
              "There are 2 important steps you need to take before Quillon will work ");
    EXPECT_EQ(window->Tip(), nullptr);
    EXPECT_EQ(ReadSetting(app.settingsFile, settings::kTipNo), 13);
}

TEST_F(MainWindowTest, NextStartShowsTipNumberModuloTenAndAdvancesIt) {
    ScopedEnv help{"QUILLON_HELP_DIR", std::string(QUILLON_SOURCE_DIR) + "/help"};
    WriteSetting(app.settingsFile, settings::kShowTip, true);
    WriteSetting(app.settingsFile, settings::kTipNo, 13);
    Open();
    EXPECT_TRUE(messages.requests.empty());
    ASSERT_NE(window->Tip(), nullptr);
    EXPECT_EQ(window->Tip()->Number(), 3);
    EXPECT_EQ(ReadSetting(app.settingsFile, settings::kTipNo), 4);
}

TEST_F(MainWindowTest, WithoutVoiceDevicesTheStartSaysNoTAPIDevices) {
    window.reset();
    session.reset();
    LTapiLine::Shutdown();
    SetActiveLineProviders({});
    session = std::make_unique<RecorderSession>(app, clock);
    Open();
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "No TAPI Devices");
    EXPECT_EQ(messages.requests[0].text.substr(0, 41),
              "No telephony line devices are detected.\n\n");
    // Record then has no call to act on.
    window->Command(MainWindow::kIdRecord);
    EXPECT_EQ(app.callMode, CallMode::Record);
}

TEST_F(MainWindowTest, SettingsDropTheCallAndReopenTheLine) {
    Open();
    window->Command(MainWindow::kIdRecord);
    ASSERT_TRUE(simulated->IsOffHook());
    // The sheet is modal: cancel it as soon as it shows.
    QTimer::singleShot(0, [] {
        if (auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            sheet->reject();
        }
    });
    window->Command(MainWindow::kIdSettings);
    Run(200);
    EXPECT_FALSE(simulated->IsOffHook());
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_NE(session->Line().GetLine(), 0u);

    // A device that cannot carry voice is reported after the sheet.
    WriteSetting(app.settingsFile, settings::kDevice, 7);
    QTimer::singleShot(0, [] {
        if (auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            sheet->reject();
        }
    });
    window->Command(MainWindow::kIdSettings);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "No TAPI Devices");
    EXPECT_EQ(messages.requests[0].text.substr(0, 65),
              "The telephony line device you have selected is not voice capable.");
}

TEST_F(MainWindowTest, HelpTroubleshootingAndWebPagesOpenWithTheDesktop) {
    ScopedEnv help{"QUILLON_HELP_DIR", std::string(QUILLON_SOURCE_DIR) + "/help"};
    Open();
    QTest::keyClick(window.get(), Qt::Key_F1);
    window->Command(MainWindow::kIdTroubleshoot);
    window->Command(911);
    window->Command(912);
    window->Command(913);
    ASSERT_EQ(urls.urls.size(), 5u);
    EXPECT_EQ(urls.urls[0].fileName(), "index.html");
    EXPECT_EQ(urls.urls[1].fileName(), "troubleshooting.html");
    EXPECT_TRUE(urls.urls[2].toString().startsWith("https://"));
    EXPECT_EQ(urls.urls[3], urls.urls[4]);  // the audio software page under two labels
    EXPECT_NE(urls.urls[2], urls.urls[3]);
}

TEST_F(MainWindowTest, CloseBoxShutsDownInOrder) {
    Open();
    window->Command(MainWindow::kIdRecord);
    ASSERT_TRUE(simulated->IsOffHook());
    window->close();
    EXPECT_TRUE(window->IsFinished());
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(app.mainWindow, nullptr);
    EXPECT_EQ(app.callMode, CallMode::Idle);
    EXPECT_EQ(window->Splash(), nullptr);
    EXPECT_FALSE(window->Tray()->isVisible());
    Run(200);
    EXPECT_FALSE(simulated->IsOffHook());
    EXPECT_NE(LogText().find("Quillon Recorder Exit"), std::string::npos);
}

TEST_F(MainWindowTest, FileExitShutsDownLikeTheCloseBox) {
    Open();
    window->Command(MainWindow::kIdExit);
    EXPECT_TRUE(window->IsFinished());
    EXPECT_EQ(app.mainWindow, nullptr);
    EXPECT_NE(LogText().find("Quillon Recorder Exit"), std::string::npos);
}

TEST_F(MainWindowTest, EnterDoesNotCloseTheWindow) {
    Open();
    QTest::keyClick(window.get(), Qt::Key_Return);
    window->Command(kIdOK);
    EXPECT_FALSE(window->IsFinished());
    EXPECT_TRUE(window->isVisible());
}

}  // namespace

namespace {

// The Simulated Line window driving the same bench.
class SimulatedLineWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        simulator = std::make_unique<SimulatedLineWindow>(simulated,
                                                          app.dataFolder + "Default On-Hold 2.wav");
    }
    void TearDown() override {
        simulator.reset();
        MainWindowTest::TearDown();
    }
    std::unique_ptr<SimulatedLineWindow> simulator;
};

TEST_F(SimulatedLineWindowTest, ACallRungFromTheWindowIsRecordedWithTheRecordButton) {
    Open();
    simulator->Number()->setText("5550199");
    simulator->Name()->setText("ANN EXAMPLE");
    simulator->Ring();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Offering);
    Run(6100);  // the second ring brings the caller ID
    ASSERT_NE(window->Flash().Text(), nullptr);
    EXPECT_TRUE(window->Flash().Text()->text().contains("5550199"));
    EXPECT_NE(LogText().find("5550199"), std::string::npos);

    QTest::mouseClick(window->ItemAs<QPushButton>(MainWindow::kIdRecord), Qt::LeftButton);
    ASSERT_TRUE(RunUntil(
        [this] { return Recorder()->GetOperation() == RecorderLine::Operation::Recording; },
        20000));
    Run(2000);
    EXPECT_TRUE(window->Meter().isEnabled());
    QTest::mouseClick(window->ItemAs<QPushButton>(MainWindow::kIdRecord), Qt::LeftButton);
    ASSERT_TRUE(RunUntil([this] { return simulated->State() == SimulatedCallState::Idle; }, 20000));
    QStringList recordings =
        QDir(QString::fromStdString(app.recordingsFolder)).entryList({"*.wav"}, QDir::Files);
    ASSERT_EQ(recordings.size(), 1);
    EXPECT_TRUE(recordings[0].contains("5550199")) << recordings[0].toStdString();
    EXPECT_FALSE(Checked(MainWindow::kIdRecord));
}

TEST_F(SimulatedLineWindowTest, ControlsSayWhenTheCallIsNotInAStateForThem) {
    simulator->FarPartyAnswers();
    EXPECT_EQ(simulator->Status(), "Far party answers: no call is being dialled");
    simulator->CallerKind()->setCurrentIndex(1);  // withheld
    simulator->Ring();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Offering);
    EXPECT_EQ(simulator->Status(), "Line: offering, ring 1");
    simulator->FarPartyHangsUp();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);
    simulator->SendDigits();
    EXPECT_EQ(simulator->Status(), "Send digits: the far party is not on the line");
}

}  // namespace
