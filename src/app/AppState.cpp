// Process-wide application state.
#include "app/AppState.h"

#include "app/Folders.h"

AppState& App() {
    static AppState app;
    return app;
}

void ResolveAppFolders(AppState& app) {
    app.dataFolder = ResolveFolder(kDataFilesValue, "") + "/";
    app.settingsFile = app.dataFolder + "settings.ini";
    app.recordingsFolder = ResolveFolder(kRecordingsValue, kRecordingsValue) + "/";
    app.logsFolder = ResolveFolder(kLogsValue, kLogsValue) + "/";
}
