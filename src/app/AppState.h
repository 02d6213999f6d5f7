// Process-wide application state: the resolved folders and settings file, the main window and
// the user's call mode. One instance for the process.
#pragma once

#include <string>

class MainWindow;

// What the user has asked the recorder to do with the line.
enum class CallMode : int { Idle = 0, Record = 1, Hold = 2 };

struct AppState {
    std::string settingsFile;      // data folder + "settings.ini"
    std::string dataFolder;        // each folder ends in "/"
    std::string recordingsFolder;
    std::string logsFolder;
    MainWindow* mainWindow = nullptr;  // set while the main window exists
    CallMode callMode = CallMode::Idle;
};

AppState& App();

// Resolves the data, recordings and logs folders and the settings file as a normal run does at
// start. The recordings and logs folders are not created here.
void ResolveAppFolders(AppState& app);
