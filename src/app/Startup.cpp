// What a start of the program does before any window.
#include "app/Startup.h"

#include <unistd.h>

#include <QCoreApplication>

#include "app/InstanceChannel.h"
#include "ui/MessageTexts.h"

std::string ProgramFile() {
    return QCoreApplication::applicationFilePath().toStdString();
}

int StartProgram(const std::string& programFile, const StartupSteps& steps,
                 const QString& instanceName) {
    RunningInstance running(instanceName);

    std::string folder = programFile.substr(0, programFile.rfind('/') + 1);
    if (!folder.empty()) {
        // A folder that cannot be entered leaves the current one: the program still runs.
        [[maybe_unused]] int entered = ::chdir(folder.c_str());
    }

    StartMode mode = ChooseStartMode(programFile, ReadTrailer(programFile));
    switch (mode) {
        case StartMode::InstallError:
            ShowMessage(nullptr, messages::kInstallError);
            return 0;
        case StartMode::Install:
        case StartMode::Uninstall:
            if (running.Found()) {
                running.AskToClose();
                steps.sleep(mode == StartMode::Install ? kInstallerCloseWaitMs
                                                       : kUninstallerCloseWaitMs);
            }
            return steps.setup(mode);
        case StartMode::Run:
            break;
    }
    if (running.Found()) {
        running.AskToRestore();
        return 0;
    }
    return steps.run();
}
