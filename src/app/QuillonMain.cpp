// quillon: the desktop program. Everything but the process set-up lives in the app library.
#include <sys/resource.h>

#include <QApplication>
#include <QThread>

#include "app/Artwork.h"
#include "app/DesktopProgram.h"
#include "app/InstanceChannel.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
    // A higher priority keeps the call audio smooth on a busy machine; without the right to it
    // the program runs at the normal priority.
    [[maybe_unused]] int raised = ::setpriority(PRIO_PROCESS, 0, -5);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Recorder"));
    QApplication::setWindowIcon(ProgramIcon());

    StartupSteps steps;
    steps.run = [] { return RunDesktop(QCoreApplication::arguments()); };
    // Installation and removal come with the setup; until then these modes only ask a running
    // program to close.
    steps.setup = [](StartMode) {};
    steps.sleep = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    return StartProgram(ProgramFile(), steps, InstanceSocketName());
}
