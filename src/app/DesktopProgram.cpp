// The normal run of the desktop program.
#include "app/DesktopProgram.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QSocketNotifier>
#include <QThread>
#include <cstdio>
#include <iostream>

#include "app/InstanceChannel.h"
#include "app/MainWindow.h"
#include "app/SimulatedLineWindow.h"
#include "app/TapiLineDevices.h"
#include "base/PosixFile.h"
#include "base/StopSignals.h"
#include "base/TempFiles.h"
#include "recorder/ProblemTexts.h"
#include "recorder/PromptFiles.h"
#include "recorder/RecorderSession.h"
#include "recorder/RecordingRecovery.h"
#include "setup/Installation.h"
#include "setup/Removal.h"
#include "simulation/Scenario.h"
#include "simulation/ScenarioRunner.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineDeviceSelection.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLineProvider.h"

namespace {

// Counts what the call recorder tells the main window, for a scenario's expectations, and
// passes it on.
class CountingWindow : public MainWindowNotify {
public:
    explicit CountingWindow(MainWindow& window) : window(window) {}
    void OnLevelMessage(std::int8_t level) override {
        ++counts.levels;
        window.OnLevelMessage(level);
    }
    void OnCallerIdMessage(const std::string& text) override {
        counts.popups.push_back(text);
        window.OnCallerIdMessage(text);
    }
    void OnCallEndedMessage() override {
        ++counts.callsEnded;
        window.OnCallEndedMessage();
    }
    void OnProblemMessage(const std::string& text) override {
        counts.problems.push_back(text);
        window.OnProblemMessage(text);
    }

    WindowNotifications counts;

private:
    MainWindow& window;
};

// A scenario's "user" steps press the main window's own buttons and menu items.
void PressFor(MainWindow& window, CallCommand command) {
    switch (command) {
        case CallCommand::RecordToggle:
            window.ItemAs<QPushButton>(MainWindow::kIdRecord)->click();
            break;
        case CallCommand::HoldToggle:
            window.ItemAs<QPushButton>(MainWindow::kIdHold)->click();
            break;
        case CallCommand::Record:
            window.Action(MainWindow::kIdCallRecord)->trigger();
            break;
        case CallCommand::Hold:
            window.Action(MainWindow::kIdCallHold)->trigger();
            break;
        case CallCommand::Stop:
            window.Action(MainWindow::kIdCallStop)->trigger();
            break;
    }
}

const QString kScenarioOption = QStringLiteral("--scenario");
const QString kLineOption = QStringLiteral("--line");

// The value after `option`; empty when it is missing.
QString OptionValue(const QStringList& arguments, const QString& option) {
    qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

}  // namespace

StartupSteps DesktopSteps(QStringList arguments) {
    qsizetype at = arguments.indexOf(kScenarioOption);
    if (at >= 0 && at + 1 < arguments.size() && !arguments[at + 1].isEmpty()) {
        arguments[at + 1] = QFileInfo(arguments[at + 1]).absoluteFilePath();
    }
    StartupSteps steps;
    steps.run = [arguments] { return RunDesktop(arguments); };
    steps.setup = [arguments](StartMode mode) {
        SetupRequest request = DesktopSetupRequest(ProgramFile(), arguments);
        return mode == StartMode::Install ? RunInstallation(request) : RunRemoval(request);
    };
    steps.sleep = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    return steps;
}

int RunDesktop(const QStringList& arguments) {
    // A scenario runs on the simulated line; it is read before anything starts.
    QString scenarioFile = OptionValue(arguments, kScenarioOption);
    ParsedScenario scenario;
    if (arguments.contains(kScenarioOption)) {
        // A FIFO or device given as the scenario is refused at once rather than waited on.
        std::optional<std::string> text = ReadWholeFile(scenarioFile.toStdString());
        if (!text) {
            std::fprintf(stderr, "quillon: cannot read the scenario %s\n",
                         qPrintable(scenarioFile));
            return 1;
        }
        scenario = ParseScenario(*text);
        if (scenario.error) {
            std::fprintf(stderr, "quillon: %s: %s\n", qPrintable(scenarioFile),
                         scenario.error->c_str());
            return 1;
        }
    }

    // Later starts find this one here and ask it to come forward. A start that loses the name
    // to another made at the same moment is a later start itself.
    InstanceServer instance;
    if (!instance.Listen()) {
        RunningInstance().AskToRestore();
        return 0;
    }

    // SIGTERM (the session ending, a service manager stopping the program) and SIGINT close the
    // main window, so they too end in the ordered shutdown.
    StopSignals stopSignals;
    AppState& app = App();
    PrepareAppFolders(app);
    // The real line providers; the simulated line alone when it was asked for.
    bool simulate = arguments.contains(QStringLiteral("--simulate")) || !scenarioFile.isEmpty();
    SetActiveLineProviders(
        BuiltInLineProviders(simulate ? LineProviderKind::Simulation : LineProviderKind::Real));
    // The line of `--line`, for this run only.
    const QString line = OptionValue(arguments, kLineOption);
    LineOptionChoice lineChoice;
    if (arguments.contains(kLineOption) && line.isEmpty()) {
        lineChoice.error = "--line needs the NAME of a line device or the PATH of a modem port";
    } else {
        lineChoice = ApplyLineOption(app.settingsFile, line.toStdString());
    }
    if (!lineChoice.error.empty()) {
        std::fprintf(stderr, "quillon: %s\n", lineChoice.error.c_str());
        LTapiLine::Shutdown();
        return 1;
    }

    int result = 0;
    {
        RecorderSession session(app);
        if (lineChoice.device) {
            session.UseLineDevice(*lineChoice.device);
        }
        TapiLineDevices lines;
        bool install = arguments.size() > 1 && arguments[1] == QStringLiteral("/install");
        MainWindow window(app, session, lines, install);
        if (std::vector<std::string> recovered = RecoverRecordings(app); !recovered.empty()) {
            TellProblem(app, RecoveredMessage(recovered));
        }
        QObject::connect(&instance, &InstanceServer::RestoreRequested, &window,
                         &MainWindow::Restore);
        // A message box up at the start runs a loop of its own, which must end too.
        auto closeAll = [&window] {
            for (QWidget* shown : QApplication::topLevelWidgets()) {
                if (shown != &window && shown->isModal() && shown->isVisible()) {
                    shown->close();
                }
            }
            window.close();
        };
        QObject::connect(&instance, &InstanceServer::CloseRequested, &window, closeAll);
        // The desktop session ending closes the window: the same ordered shutdown.
        QObject::connect(qApp, &QGuiApplication::commitDataRequest, &window, closeAll);
        QSocketNotifier stopper(stopSignals.Fd(), QSocketNotifier::Read);
        QObject::connect(&stopper, &QSocketNotifier::activated, &window, [&stopSignals, closeAll] {
            stopSignals.Acknowledge();
            closeAll();
        });
        // Queued, so that a window closed before the event loop runs still ends it.
        QObject::connect(&window, &QDialog::finished, qApp, &QCoreApplication::quit,
                         Qt::QueuedConnection);
        QApplication::setQuitOnLastWindowClosed(false);  // the tip or a popup may outlive it
        std::unique_ptr<SimulatedLineWindow> simulator;
        if (simulate) {
            // The far party's voice: one of the spoken prompts installed with the session.
            simulator = std::make_unique<SimulatedLineWindow>(
                SharedSimulatedLine(), DefaultPromptFile(app.dataFolder, PromptSlot::OnHold2));
            window.ShowBesideAtStart(simulator.get());
            QObject::connect(&window, &QDialog::finished, simulator.get(), &QWidget::close);
        }
        window.show();
        if (simulator) {
            simulator->show();
        }
        if (scenarioFile.isEmpty()) {
            result = QApplication::exec();
        } else {
            CountingWindow counting(window);
            app.mainWindow = &counting;
            ScenarioRunner runner(
                app, session, SharedSimulatedLine(),
                [&window](CallCommand command) { PressFor(window, command); }, &counting.counts,
                std::cout);
            runner.SetBaseFolder(QFileInfo(scenarioFile).absolutePath().toStdString());
            bool held = runner.Run(scenario.steps);
            window.close();  // "quit", or the last step: the normal shutdown
            result = held ? 0 : 1;
        }
    }
    LTapiLine::Shutdown();
    // What a worker that did not stop in time still had open.
    RemoveTemporariesOf(app, TempSweep::EndedAndOwn);
    return result;
}
