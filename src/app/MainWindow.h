// The main window: the Record and Hold buttons, the level meter, the rotating text and the menu
// bar. It turns the user's commands into the call mode, shows the call state, flashes caller
// ID, keeps the tray icon, runs the periodic jobs and opens the program's other dialogs.
#pragma once

#include <QPointer>
#include <QTimer>
#include <string>

#include "app/CallerIdFlash.h"
#include "app/LSplashScreen.h"
#include "recorder/AppState.h"
#include "controls/LDialog.h"
#include "ui/TipDialog.h"

class LDBDisplay;
class LineDevices;
class QMenu;
class QSystemTrayIcon;
class RecorderSession;
class RotatingText;

class MainWindow : public LDialog, public MainWindowNotify {
    Q_OBJECT

public:
    // Controls.
    static constexpr int kIdRecord = 101;
    static constexpr int kIdHold = 102;
    static constexpr int kIdMeter = 103;
    static constexpr int kIdRotatingText = 109;
    // Menu items.
    static constexpr int kIdFindAndPlay = 1001;
    static constexpr int kIdCallLogs = 1002;
    static constexpr int kIdSettings = 1011;
    static constexpr int kIdExit = 1099;
    static constexpr int kIdCallRecord = 2001;
    static constexpr int kIdCallHold = 2002;
    static constexpr int kIdCallStop = 2003;
    static constexpr int kIdTroubleshoot = 902;
    static constexpr int kIdAbout = 903;
    static constexpr int kIdFirstWebPage = 911;
    static constexpr int kIdLastWebPage = 922;
    // Messages.
    static constexpr int kLevelMessage = 1027;
    static constexpr int kCallerIdMessage = 1028;
    static constexpr int kCallEndedMessage = 1029;
    static constexpr int kTrayMessage = 1045;
    static constexpr int kTrayIconId = 24;
    static constexpr int kLeftButtonDown = 0x0201;
    // Timer 1: the rotating text.
    static constexpr int kFirstTextMs = 500;
    static constexpr int kTextMs = 6000;

    // `install` is a first start after installation: setup instructions instead of the tip.
    MainWindow(AppState& app, RecorderSession& session, LineDevices& lines, bool install,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    void OnInit() override;
    bool OnOK() override { return false; }  // Enter never closes the main window
    void OnHelp() override;
    void Update() override;
    void OnCommand(int id, int code) override;
    void OnDestroy() override;
    bool OnMessage(int message, qintptr first, qintptr second) override;
    bool PreTranslate(QKeyEvent* event) override;

    // What the call recorder reports.
    void OnLevelMessage(std::int8_t level) override;
    void OnCallerIdMessage(const std::string& text) override;
    void OnCallEndedMessage() override;
    // Shown as a tray balloon, since the window may be hidden in the tray.
    void OnProblemMessage(const std::string& text) override;

    // Brings the window back from the tray or from behind others.
    void Restore();
    // A window of the program's that opens with this one (the simulated line): the start places
    // it beside the main window and the tip, so that none covers another.
    void ShowBesideAtStart(QWidget* window) { besideAtStart = window; }

    LDBDisplay& Meter() const { return *meter; }
    RotatingText& Text() const { return *text; }
    CallerIdFlash& Flash() { return flash; }
    QTimer& TextTimer() { return textTimer; }
    LSplashScreen* Splash() const { return splash; }
    TipDialog* Tip() const { return tip; }
    QMenu* InternetMenu() const { return internetMenu; }
    QSystemTrayIcon* Tray() const { return tray; }
    // The address of web page `id` (911 to 922).
    static QString WebPage(int id);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus(class QMenuBar* bar);
    void RunSettings();
    void ShowStartupHelp();
    // What comes up once the main window is up: the tip, and the splash over everything.
    void ShowStartWindows();
    void OnTextTimer();

    AppState& app;
    RecorderSession& session;
    LineDevices& lines;
    bool install;
    LDBDisplay* meter;
    RotatingText* text;
    QMenu* internetMenu = nullptr;
    QSystemTrayIcon* tray = nullptr;
    QPointer<LSplashScreen> splash;
    QPointer<TipDialog> tip;
    QPointer<QWidget> besideAtStart;
    CallerIdFlash flash;
    QTimer textTimer;
};
