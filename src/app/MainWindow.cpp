// The main window.
#include "app/MainWindow.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/AboutDialog.h"
#include "app/Artwork.h"
#include "app/LSplashScreen.h"
#include "app/ProgramInfo.h"
#include "app/RotatingText.h"
#include "app/WindowPlacement.h"
#include "controls/LDBDisplay.h"
#include "recorder/CallerLog.h"
#include "recorder/RecorderSession.h"
#include "settings/SettingsKeys.h"
#include "ui/CallLogViewer.h"
#include "ui/FindPlayDialog.h"
#include "ui/Help.h"
#include "ui/MessageTexts.h"
#include "ui/SettingsSheet.h"
#include "ui/TipDialog.h"

namespace {

// Every web page of the Internet Resources menu lives under this address.
constexpr char kWebBase[] = "https://www.ostrel.example/";

struct WebPageEntry {
    const char* label;
    const char* page;
};
// Entries 911 to 922, in order.
constexpr WebPageEntry kWebPages[] = {
    {"Quillon Recorder Home Page", "quillon/"},
    {"Ostrel Audio Software", "audio/"},
    {"Telephone and Sound Recording Software", "audio/"},
    {"Ostrel Home Page", ""},
    {"Quillon Frequently Asked Questions", "quillon/faq/"},
    {"Quillon Support", "quillon/support/"},
    {"Check for Quillon Updates", "quillon/updates/"},
    {"Voice Modems for Quillon", "quillon/modems/"},
    {"Ostrel Sound Editor", "sound-editor/"},
    {"Ostrel Dictation Recorder", "dictation/"},
    {"Ostrel Voice Mail", "voice-mail/"},
    {"Ostrel Answering Machine", "answering-machine/"},
};
static_assert(std::size(kWebPages) == MainWindow::kIdLastWebPage - MainWindow::kIdFirstWebPage + 1);

QPushButton* ImageButton(const QPixmap& image, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setCheckable(true);
    button->setIcon(QIcon(image));
    button->setIconSize(image.size());
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

MainWindow::MainWindow(AppState& app, RecorderSession& session, LineDevices& lines, bool install,
                       QWidget* parent)
    : LDialog(parent),
      app(app),
      session(session),
      lines(lines),
      install(install),
      meter(new LDBDisplay(this)),
      text(new RotatingText(this)) {
    setWindowTitle(QString::fromLatin1(kProgramName));
    setWindowFlags(Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    auto* menuBar = new QMenuBar(this);
    BuildMenus(menuBar);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Bind(kIdRecord, ImageButton(RecordButtonImage(false), this)));
    buttons->addWidget(Bind(kIdHold, ImageButton(HoldButtonImage(false), this)));
    Bind(kIdMeter, meter);
    meter->SetSunken(true);
    meter->setFixedHeight(12);
    Bind(kIdRotatingText, text);
    text->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(text, &RotatingText::clicked, this, [this] { Command(kIdRotatingText); });
    connect(text, &QWidget::customContextMenuRequested, this,
            [this] { internetMenu->popup(QCursor::pos()); });

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar);
    layout->addLayout(buttons);
    layout->addWidget(meter);
    layout->addWidget(text);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    textTimer.setSingleShot(true);
    connect(&textTimer, &QTimer::timeout, this, &MainWindow::OnTextTimer);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    if (!IsFinished() && IsInitialized()) {
        done(kResultCancel);  // a window torn down without closing still shuts down in order
    }
}

void MainWindow::BuildMenus(QMenuBar* bar) {
    auto add = [this](QMenu* menu, int id, const char* label) {
        BindAction(id, menu->addAction(QString::fromLatin1(label)));
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    add(file, kIdFindAndPlay, "&Find && Play Recordings...");
    add(file, kIdCallLogs, "View Incoming Call &Logs...");
    file->addSeparator();
    add(file, kIdSettings, "&Settings...");
    file->addSeparator();
    add(file, kIdExit, "E&xit\tAlt+F4");

    QMenu* call = bar->addMenu(QStringLiteral("&Call"));
    add(call, kIdCallRecord, "&Record\tF5");
    add(call, kIdCallHold, "&Hold\tF9");
    add(call, kIdCallStop, "Stop\tEsc");

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    add(help, kIdHelp, "&Help Contents\tF1");
    add(help, kIdTroubleshoot, "Troubleshoot Problems");
    internetMenu = help->addMenu(QStringLiteral("&Internet Resources"));
    for (int id = kIdFirstWebPage; id <= kIdLastWebPage; ++id) {
        add(internetMenu, id, kWebPages[id - kIdFirstWebPage].label);
    }
    help->addSeparator();
    add(help, kIdAbout, "&About");
}

QString MainWindow::WebPage(int id) {
    return QString::fromLatin1(kWebBase) +
           QString::fromLatin1(
               kWebPages[std::clamp(id, kIdFirstWebPage, kIdLastWebPage) - kIdFirstWebPage].page);
}

void MainWindow::OnInit() {
    AppendLogEntry(app.logsFolder, "Quillon Recorder Run");
    setWindowIcon(ProgramIcon());

    tray = new QSystemTrayIcon(ProgramIcon(), this);
    tray->setToolTip(QString::fromLatin1(kProgramName));
    connect(tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
        if (why == QSystemTrayIcon::Trigger) {
            SendMessage(kTrayMessage, kTrayIconId, kLeftButtonDown);
        }
    });
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray->show();
    }

    Item(kIdRecord)->setToolTip(QStringLiteral("Start or stop recording call"));
    Item(kIdHold)->setToolTip(QStringLiteral("Hold or resume call"));
    text->setToolTip(QStringLiteral("Click to view Ostrel Internet Resources"));

    app.mainWindow = this;
    app.callMode = CallMode::Idle;
    textTimer.start(kFirstTextMs);
    session.StartAutoDelete();
    qApp->installEventFilter(this);

    if (!session.OpenLine(true)) {
        ShowMessage(this, messages::kNoLineDevices);
    }
    ShowStartupHelp();
    PlaceSideBySide({this, tip, besideAtStart});
    QMetaObject::invokeMethod(this, &MainWindow::ShowStartWindows, Qt::QueuedConnection);
}

void MainWindow::ShowStartWindows() {
    if (IsFinished()) {
        return;
    }
    if (tip) {
        tip->show();
    }
    splash = new LSplashScreen(this);
}

void MainWindow::ShowStartupHelp() {
    if (install) {
        ShowMessage(this, messages::kSetupInstructions);
        return;
    }
    if (!ReadSetting(app.settingsFile, settings::kShowTip)) {
        return;
    }
    int number = TakeStartupTip(app.settingsFile);
    if (HasTip(number)) {
        tip = new TipDialog(app.settingsFile, number, this);
        tip->setAttribute(Qt::WA_DeleteOnClose);
    }
}

void MainWindow::Update() {
    CallMode mode = app.callMode;
    SetChecked(kIdRecord, mode == CallMode::Record);
    ItemAs<QPushButton>(kIdRecord)->setIcon(QIcon(RecordButtonImage(mode == CallMode::Record)));
    SetChecked(kIdHold, mode == CallMode::Hold);
    ItemAs<QPushButton>(kIdHold)->setIcon(QIcon(HoldButtonImage(mode == CallMode::Hold)));
    EnableItem(kIdMeter, mode != CallMode::Idle);
    EnableItem(kIdCallRecord, mode != CallMode::Record);
    EnableItem(kIdCallHold, mode != CallMode::Hold);
    EnableItem(kIdCallStop, mode != CallMode::Idle);
}

void MainWindow::OnCommand(int id, int /*code*/) {
    switch (id) {
        case kIdRecord:
        case kIdHold:
        case kIdCallRecord:
        case kIdCallHold:
        case kIdCallStop:
            if (!session.Command(static_cast<CallCommand>(id))) {
                // Nothing can record: the mode stays idle and the user learns why.
                ShowMessage(this, session.Line().GetLine() == 0 ? messages::kNoLineDevices
                                                                : messages::kLineNotVoice);
            }
            break;
        case kIdRotatingText:
            internetMenu->popup(QCursor::pos());
            break;
        case kIdFindAndPlay: {
            FindPlayDialog finder(app.recordingsFolder, app.settingsFile, this);
            finder.exec();
            break;
        }
        case kIdCallLogs: {
            CallLogViewer viewer(app.logsFolder, this);
            viewer.exec();
            break;
        }
        case kIdSettings:
            RunSettings();
            break;
        case kIdExit:
            close();
            break;
        case kIdTroubleshoot:
            ShowHelp(kHelpTroubleshooting);
            break;
        case kIdAbout: {
            AboutDialog about(this);
            about.exec();
            break;
        }
        default:
            if (id >= kIdFirstWebPage && id <= kIdLastWebPage) {
                QDesktopServices::openUrl(QUrl(WebPage(id)));
            }
            break;
    }
}

void MainWindow::RunSettings() {
    session.Line().Drop();
    {
        SettingsSheet sheet(app.settingsFile, app.dataFolder, lines, this);
        sheet.setWindowIcon(ProgramIcon());
        sheet.exec();
    }
    if (!session.OpenLine(false)) {
        ShowMessage(this, messages::kLineNotVoice);
    }
}

void MainWindow::OnHelp() {
    ShowHelp(kHelpContents);
}

void MainWindow::OnDestroy() {
    qApp->removeEventFilter(this);
    textTimer.stop();
    flash.Close();
    app.mainWindow = nullptr;
    session.Shutdown();
    delete splash;
    if (tray) {
        tray->hide();
    }
}

bool MainWindow::OnMessage(int message, qintptr first, qintptr second) {
    switch (message) {
        case kLevelMessage:
            meter->SetLevel(static_cast<std::int8_t>(std::clamp<qintptr>(first, -127, 127)));
            return true;
        case kCallerIdMessage: {
            const auto* caller = reinterpret_cast<const std::string*>(second);
            if (caller && !caller->empty() && ReadSetting(app.settingsFile, settings::kCidFlash)) {
                flash.Show(QString::fromStdString(*caller), tray ? tray->geometry() : QRect());
            }
            return true;
        }
        case kCallEndedMessage:
            Update();
            return true;
        case kTrayMessage:
            if (second == kLeftButtonDown) {
                Restore();
            }
            return true;
        default:
            return false;
    }
}

void MainWindow::OnLevelMessage(std::int8_t level) {
    SendMessage(kLevelMessage, level, 0);
}

void MainWindow::OnCallerIdMessage(const std::string& callerText) {
    SendMessage(kCallerIdMessage, 0, reinterpret_cast<qintptr>(&callerText));
}

void MainWindow::OnCallEndedMessage() {
    SendMessage(kCallEndedMessage, 0, 0);
}

void MainWindow::OnProblemMessage(const std::string& problem) {
    if (tray) {
        tray->showMessage(QString::fromLatin1(kProgramName), QString::fromStdString(problem),
                          QSystemTrayIcon::Warning);
    }
}

void MainWindow::Restore() {
    showNormal();
    raise();
    activateWindow();
}

bool MainWindow::PreTranslate(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            Command(kIdCallStop);
            return true;
        case Qt::Key_F1:
            OnHelp();
            return true;
        case Qt::Key_F5:
            Command(kIdCallRecord);
            return true;
        case Qt::Key_F9:
            Command(kIdCallHold);
            return true;
        default:
            return false;
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The key hook sees the keys of the main window before any of its controls, but not those
    // meant for a dialog that is open over it.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this && !QApplication::activeModalWidget() &&
        static_cast<QKeyEvent*>(event)->modifiers() == Qt::NoModifier) {
        return PreTranslate(static_cast<QKeyEvent*>(event));
    }
    return LDialog::eventFilter(watched, event);
}

void MainWindow::OnTextTimer() {
    text->Advance();
    textTimer.start(kTextMs);
}
