// What a start of the program does before any window: find a running program, read the mode
// from the program file, and then install, remove, hand over to the running program or run.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "app/StartupMode.h"

struct StartupSteps {
    // The normal run; its result is the program's exit code.
    std::function<int()> run;
    // Installation and removal, after a running program was asked to close; the result is the
    // program's exit code.
    std::function<int(StartMode mode)> setup;
    // Waits for a running program to close.
    std::function<void(int ms)> sleep;
};

// Where the program's own file is: the running executable.
std::string ProgramFile();

// Starts the program file `programFile`: the exit code of the normal run, of the installation or
// of the removal, or 0 for every other mode. Makes the program's folder the current folder. A start
// that finds a program running (on `instanceName`) brings it forward and returns without touching
// any file.
int StartProgram(const std::string& programFile, const StartupSteps& steps,
                 const QString& instanceName);
