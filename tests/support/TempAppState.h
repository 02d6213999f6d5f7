// The program's folders placed in a temporary folder, as a first run leaves them.
#pragma once

#include <sys/stat.h>

#include "recorder/AppState.h"
#include "support/TempDir.h"

// Data folder `dir` with its settings file, and empty Recordings and Logs folders inside it.
inline AppState TempAppState(const TempDir& dir) {
    AppState app;
    app.dataFolder = dir.Path() + "/";
    app.settingsFile = app.dataFolder + "settings.ini";
    app.recordingsFolder = app.dataFolder + "Recordings/";
    app.logsFolder = app.dataFolder + "Logs/";
    ::mkdir(app.recordingsFolder.c_str(), 0700);
    ::mkdir(app.logsFolder.c_str(), 0700);
    return app;
}
