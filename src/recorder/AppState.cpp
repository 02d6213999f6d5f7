// Process-wide application state.
#include "recorder/AppState.h"

#include <sys/stat.h>

#include "settings/SettingsKeys.h"

AppState& App() {
    static AppState app;
    return app;
}

void ResolveAppFolders(AppState& app) {
    static_cast<ProgramFolders&>(app) = ResolveProgramFolders();
}

void PrepareAppFolders(AppState& app) {
    ResolveAppFolders(app);
    for (const std::string& folder : {app.recordingsFolder, app.logsFolder}) {
        ::mkdir(folder.c_str(), 0700);
    }
    RemoveTemporariesOf(app, TempSweep::Ended);
}

void RemoveTemporariesOf(const AppState& app, TempSweep which) {
    for (const std::string& folder :
         {ConfigFolder(), app.dataFolder, app.recordingsFolder, TemporaryFolder()}) {
        if (!folder.empty()) {
            RemoveTemporaries(folder, which);
        }
    }
}

void QueueRecording(const AppState& app, const std::string& path) {
    if (app.recordingQueue) {
        app.recordingQueue(path, ReadSetting(app.settingsFile, settings::kRecordAlc));
    }
}
