// quillon: the desktop program. Everything but the process set-up lives in the app library.
#include <sys/resource.h>

#include <QApplication>

#include "app/Artwork.h"
#include "app/DesktopProgram.h"
#include "app/InstanceChannel.h"

int main(int argc, char** argv) {
    // A higher priority keeps the call audio smooth on a busy machine; without the right to it
    // the program runs at the normal priority.
    [[maybe_unused]] int raised = ::setpriority(PRIO_PROCESS, 0, -5);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Recorder"));
    QApplication::setWindowIcon(ProgramIcon());

    return StartProgram(ProgramFile(), DesktopSteps(QCoreApplication::arguments()),
                        InstanceSocketName());
}
