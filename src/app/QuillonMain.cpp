// quillon: the desktop program. Everything but the process set-up lives in the app library.
#include <sys/resource.h>

#include <QApplication>

#include "app/Artwork.h"
#include "app/DesktopProgram.h"
#include "app/InstanceChannel.h"
#include "app/PlayFile.h"

int main(int argc, char** argv) {
    // A higher priority keeps the call audio smooth on a busy machine; without the right to it
    // the program runs at the normal priority.
    [[maybe_unused]] int raised = ::setpriority(PRIO_PROCESS, 0, -5);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon Recorder"));
    QApplication::setWindowIcon(ProgramIcon());

    // Auditioning a file needs no recorder, so it does not go through the start of one.
    if (std::optional<QString> file = PlayFileArgument(QCoreApplication::arguments())) {
        return PlayFile(*file);
    }
    return StartProgram(ProgramFile(), DesktopSteps(QCoreApplication::arguments()),
                        InstanceSocketName());
}
