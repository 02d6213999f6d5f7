// The normal run of the desktop program: the folders, the line with its call recorder, the main
// window and the event loop, until the main window closes.
#pragma once

#include <QStringList>

// `arguments` as the program got them (the program's name first). "/install" as the first
// argument marks the first start after installation; "--simulate" adds the simulated line.
int RunDesktop(const QStringList& arguments);
