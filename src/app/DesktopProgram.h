// The normal run of the desktop program: the folders, the line with its call recorder, the main
// window and the event loop, until the main window closes.
#pragma once

#include <QStringList>

#include "app/Startup.h"

// The steps of a start of the desktop program given `arguments` as the program got them. A
// relative scenario path is resolved here, against the folder the program was started in,
// before the start makes the program's folder the current one.
StartupSteps DesktopSteps(QStringList arguments);

// `arguments` as the program got them (the program's name first). "/install" as the first
// argument marks the first start after installation; "--simulate" adds the simulated line.
// "--line NAME" opens the line device of that name (as `quillon-tool lines` lists them) in place
// of the "device" setting for this run, and "--line PATH" (anything holding a '/') has the
// voice modem on that serial port used in place of the "modempath" setting; an unknown name
// ends the start with exit code 1.
int RunDesktop(const QStringList& arguments);
