// The main window on the simulated line: what only the window does, start-up and shutdown.
#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTextBrowser>
#include <functional>
#include <memory>

#include "app/RotatingText.h"
#include "app/SimulatedLineWindow.h"
#include "app/TapiLineDevices.h"
#include "audio/devices/DeviceClock.h"
#include "controls/LDBDisplay.h"
#include "recorder/RecorderLine.h"
#include "recorder/RecorderSession.h"
#include "settings/SettingsKeys.h"
#include "support/QtTestApp.h"
#include "support/TempAppState.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLine.h"
#include "ui/HelpWindow.h"
#include "ui/MessageTexts.h"
#include "ui/UiTestSupport.h"

namespace {

using M = MainWindow;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtWidgetsTestApp();
        savedProviders = ActiveLineProviders();
        LTapiLine::Shutdown();
        SetActiveLineProviders({"Main Window Bench"});
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
            clock.Advance(10'000'000);
            QCoreApplication::sendPostedEvents();
        }
    }
    void Click(int id) { QTest::mouseClick(window->ItemAs<QPushButton>(id), Qt::LeftButton); }
    void Key(int key) { QTest::keyClick(window.get(), Qt::Key(key)); }
    bool Checked(int id) const { return window->IsChecked(id); }
    // The mode, and all that shows it: the buttons, the meter and the Call menu.
    void ExpectShows(CallMode mode, const char* after) {
        EXPECT_EQ(app.callMode, mode) << after;
        EXPECT_EQ(Checked(M::kIdRecord), mode == CallMode::Record) << after;
        EXPECT_EQ(Checked(M::kIdHold), mode == CallMode::Hold) << after;
        EXPECT_EQ(window->Meter().isEnabled(), mode != CallMode::Idle) << after;
        EXPECT_EQ(window->IsItemEnabled(M::kIdCallRecord), mode != CallMode::Record) << after;
        EXPECT_EQ(window->IsItemEnabled(M::kIdCallHold), mode != CallMode::Hold) << after;
        EXPECT_EQ(window->IsItemEnabled(M::kIdCallStop), mode != CallMode::Idle) << after;
    }
    // Cancels the settings sheet as soon as it shows.
    static void CancelTheSheet() {
        QTimer::singleShot(0, [] {
            if (auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                sheet->reject();
            }
        });
    }
    static QString HelpShown() { return HelpWindow::Current()->Browser()->source().fileName(); }

    TempDir dir;
    TestClock clock;
    std::shared_ptr<SimulatedLine> simulated = SimulatedLine::Create(clock);
    LineProviderRegistration registration{"Main Window Bench",
                                          [line = simulated] { return line->CreateProvider(); }};
    std::vector<std::string> savedProviders;
    MessageRecorder messages;
    UrlRecorder urls;
    AppState app = TempAppState(dir);
    TapiLineDevices lines;
    std::unique_ptr<RecorderSession> session;
    std::unique_ptr<MainWindow> window;
    ScopedEnv help{"QUILLON_HELP_DIR", std::string(QUILLON_SOURCE_DIR) + "/help"};
};

TEST_F(MainWindowTest, OpensTheLineIdleAndCommandsSetTheModeAtOnceAndTheWindowShowsIt) {
    Open();
    EXPECT_TRUE(messages.requests.empty());  // the simulated line carries voice
    EXPECT_EQ(app.mainWindow, window.get());
    ExpectShows(CallMode::Idle, "start");
    EXPECT_NE(dynamic_cast<RecorderLine*>(session->Line().StandingHandler()), nullptr);
    EXPECT_NE(session->Line().GetLine(), 0u);
    EXPECT_NE(ReadFolder(app.logsFolder).find("Quillon Recorder Run"), std::string::npos);

    Key(Qt::Key_Escape);  // while idle: nothing
    EXPECT_FALSE(simulated->IsOffHook());
    struct Row {
        const char* press;
        std::function<void()> action;
        CallMode mode;
    };
    auto key = [this](int k) { return [this, k] { Key(k); }; };
    auto click = [this](int id) { return [this, id] { Click(id); }; };
    auto menu = [this](int id) { return [this, id] { window->Action(id)->trigger(); }; };
    // The buttons toggle; F5, F9 and the menu items do not.
    const Row rows[] = {
        {"Record", click(M::kIdRecord), CallMode::Record},
        {"F5", key(Qt::Key_F5), CallMode::Record},
        {"Hold", click(M::kIdHold), CallMode::Hold},
        {"Record", click(M::kIdRecord), CallMode::Record},
        {"Record again", click(M::kIdRecord), CallMode::Idle},
        // The call is still in hand (its end prompt would play): it takes the new mode.
        {"Call, Hold", menu(M::kIdCallHold), CallMode::Hold},
        {"Hold again", click(M::kIdHold), CallMode::Idle},
        {"F9", key(Qt::Key_F9), CallMode::Hold},
        {"Call, Record", menu(M::kIdCallRecord), CallMode::Record},
        {"Call, Stop", menu(M::kIdCallStop), CallMode::Idle},
        {"F5 on Hold", [this] { QTest::keyClick(window->Item(M::kIdHold), Qt::Key_F5); },
         CallMode::Record},
        {"Esc", key(Qt::Key_Escape), CallMode::Idle},
    };
    for (const Row& row : rows) {
        row.action();
        ExpectShows(row.mode, row.press);
    }
    EXPECT_TRUE(simulated->IsOffHook());  // the line was taken beside the handset
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_TRUE(window->isVisible());  // Esc never closes
}

TEST_F(MainWindowTest, WithoutVoiceDevicesTheStartAndEachRecordOrHoldSaySoAndStayIdle) {
    window.reset();
    session.reset();
    LTapiLine::Shutdown();
    SetActiveLineProviders({});
    session = std::make_unique<RecorderSession>(app, clock);
    Open();
    for (int id : {M::kIdRecord, M::kIdHold, M::kIdCallRecord, M::kIdCallHold}) {
        window->Command(id);
        ExpectShows(CallMode::Idle, "press");
    }
    ASSERT_EQ(messages.requests.size(), 5u);  // at the start, then once for each press
    for (const RecordedMessage& request : messages.requests) {
        EXPECT_EQ(request.text, messages::kNoLineDevices.text);
    }
}

TEST_F(MainWindowTest, RecorderReportsReachTheMeterPopupAndButtonsAndTheTrayRestoresTheWindow) {
    Open();
    window->OnLevelMessage(-100);
    EXPECT_EQ(window->Meter().Level(0), -36);
    window->OnCallerIdMessage("Incoming call\r\n5559876");
    ASSERT_NE(window->Flash().Popup(), nullptr);
    EXPECT_EQ(window->Flash().Text()->text(), "Incoming call\n5559876");
    window->Flash().Close();
    WriteSetting(app.settingsFile, settings::kCidFlash, false);
    window->OnCallerIdMessage("Incoming call\r\n5551234");
    EXPECT_EQ(window->Flash().Popup(), nullptr);

    Click(M::kIdRecord);
    app.callMode = CallMode::Idle;  // the call ended
    window->OnCallEndedMessage();
    EXPECT_FALSE(Checked(M::kIdRecord));

    // Only a left click on the tray restores the window.
    window->showMinimized();
    window->SendMessage(M::kTrayMessage, M::kTrayIconId, 0x0204);
    EXPECT_TRUE(window->isMinimized());
    window->SendMessage(M::kTrayMessage, M::kTrayIconId, M::kLeftButtonDown);
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, RotatingTextStartsAfterHalfASecondThenEverySixSecondsInAWindowOfOneSize) {
    Open();
    EXPECT_EQ(window->TextTimer().interval(), 500);
    QStringList shown;
    const QSize size = window->size();
    for (int i = 0; i < 12; ++i) {
        FireTimer(window->TextTimer());
        shown << window->Text().text();
        QApplication::processEvents();
        EXPECT_EQ(window->size(), size) << i;
    }
    EXPECT_EQ(window->TextTimer().interval(), 6000);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(shown[i], kRotatingTexts[i]);
    }
    EXPECT_EQ(shown[10], shown[9]);  // the period after the last keeps the text
    EXPECT_EQ(shown[11], shown[0]);
}

TEST_F(MainWindowTest, StartShowsTheNextTipBesideTheWindowsAfterThemWithTheSplashOnTop) {
    WriteSetting(app.settingsFile, settings::kShowTip, true);
    WriteSetting(app.settingsFile, settings::kTipNo, 13);
    Open(true);  // an install start shows the setup instructions instead
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Setup Instructions");
    EXPECT_EQ(window->Tip(), nullptr);
    window->close();

    QWidget beside;
    beside.setMinimumSize(300, 200);
    window = std::make_unique<MainWindow>(app, *session, lines, false);
    window->ShowBesideAtStart(&beside);
    window->show();
    beside.show();
    ASSERT_NE(window->Tip(), nullptr);
    EXPECT_EQ(window->Tip()->Number(), 3);
    EXPECT_EQ(ReadSetting(app.settingsFile, settings::kTipNo), 4);
    EXPECT_FALSE(window->Tip()->isVisible());  // nothing comes up before the main window
    EXPECT_EQ(window->Splash(), nullptr);
    QApplication::processEvents();
    ASSERT_NE(window->Splash(), nullptr);
    EXPECT_TRUE(window->Splash()->isVisible());
    EXPECT_TRUE(window->Splash()->windowFlags() & Qt::WindowStaysOnTopHint);
    const QWidget* windows[] = {window.get(), window->Tip(), &beside};
    QRect screen = window->screen()->availableGeometry();
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(windows[i]->isVisible()) << i;
        EXPECT_TRUE(screen.contains(windows[i]->frameGeometry())) << i;
        for (int j = i + 1; j < 3; ++j) {
            EXPECT_FALSE(windows[i]->frameGeometry().intersects(windows[j]->frameGeometry()))
                << i << " and " << j;
        }
    }
}

TEST_F(MainWindowTest, SettingsDropTheCallAndReopenTheLineAndHelpShowsInTheHelpWindow) {
    Open();
    Click(M::kIdRecord);
    ASSERT_TRUE(simulated->IsOffHook());
    CancelTheSheet();
    window->Action(M::kIdSettings)->trigger();
    Run(200);
    EXPECT_FALSE(simulated->IsOffHook());
    EXPECT_TRUE(messages.requests.empty());
    EXPECT_NE(session->Line().GetLine(), 0u);

    // A device that cannot carry voice is reported after the sheet.
    WriteSetting(app.settingsFile, settings::kDevice, 7);
    CancelTheSheet();
    window->Command(M::kIdSettings);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "No TAPI Devices");

    // Help and troubleshooting show in the help window, web pages on the web.
    Key(Qt::Key_F1);
    EXPECT_EQ(HelpShown(), "index.html");
    window->Action(M::kIdTroubleshoot)->trigger();
    EXPECT_EQ(HelpShown(), "troubleshooting.html");
    delete HelpWindow::Current();
    for (QAction* page : window->InternetMenu()->actions().first(3)) {
        page->trigger();
    }
    ASSERT_EQ(urls.urls.size(), 3u);
    EXPECT_EQ(urls.urls[1], urls.urls[2]);  // the audio software page under two labels
    EXPECT_NE(urls.urls[0], urls.urls[1]);
}

TEST_F(MainWindowTest, CloseBoxAndFileExitShutDownInOrderAndEnterNeverCloses) {
    for (bool closeBox : {true, false}) {
        window.reset();
        session = std::make_unique<RecorderSession>(app, clock);
        Open();
        Key(Qt::Key_Return);
        window->Command(kIdOK);
        EXPECT_FALSE(window->IsFinished());
        Click(M::kIdRecord);
        ASSERT_TRUE(simulated->IsOffHook());
        if (closeBox) {
            window->close();
        } else {
            window->Action(M::kIdExit)->trigger();
        }
        EXPECT_TRUE(window->IsFinished());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(app.mainWindow, nullptr);
        EXPECT_EQ(app.callMode, CallMode::Idle);
        EXPECT_FALSE(window->Tray()->isVisible());
        Run(200);
        EXPECT_FALSE(simulated->IsOffHook());
        std::string log = ReadFolder(app.logsFolder);
        EXPECT_GT(log.rfind("Quillon Recorder Exit"), log.rfind("Quillon Recorder Run"));
    }
}

// The Simulated Line window on the same bench.
TEST_F(MainWindowTest, SimulatedLineWindowRingsWithItsCallerIdAndSaysWhatItCannotDo) {
    SimulatedLineWindow simulator(simulated, app.dataFolder + "Default On-Hold 2.wav");
    Open();
    simulator.FarPartyAnswers();
    EXPECT_TRUE(simulator.Status().startsWith("Far party answers: "));
    simulator.CallerKind()->setCurrentIndex(1);  // withheld
    simulator.Ring();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Offering);
    simulator.FarPartyHangsUp();
    EXPECT_EQ(simulated->State(), SimulatedCallState::Idle);

    simulator.CallerKind()->setCurrentIndex(0);
    simulator.Number()->setText("5550199");
    simulator.Name()->setText("ANN EXAMPLE");
    simulator.Ring();
    Run(6100);  // the second ring brings the caller ID
    ASSERT_NE(window->Flash().Text(), nullptr);
    EXPECT_TRUE(window->Flash().Text()->text().contains("5550199\nANN EXAMPLE"));
}

}  // namespace
