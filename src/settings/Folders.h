// Where the program's folders are: registered in "folders.ini" of the configuration folder, or
// derived from the private default data folder.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kFoldersSection[] = "Folders";
inline constexpr char kProgramFilesValue[] = "ProgramFiles";
inline constexpr char kDataFilesValue[] = "DataFiles";
inline constexpr char kRecordingsValue[] = "Recordings";
inline constexpr char kLogsValue[] = "Logs";
inline constexpr char kSettingsFileName[] = "settings.ini";

// $HOME, else the user's home folder from the password database; empty when there is none.
std::string HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config; empty when there is no home folder. No trailing "/".
std::string ConfigHomeFolder();
// $XDG_DATA_HOME, else ~/.local/share; empty when there is no home folder. No trailing "/".
std::string DataHomeFolder();

// $QUILLON_CONFIG_DIR, else $XDG_CONFIG_HOME (default ~/.config) + "/Ostrel/Quillon"; empty when
// there is no home folder to put it in.
std::string ConfigFolder();

// The folder registration file, "folders.ini" in ConfigFolder(); empty when there is none.
std::string FoldersFile();

// $XDG_DATA_HOME (default ~/.local/share) + "/Ostrel/Quillon", or "Quillon Recorder" in the
// current folder when there is no home folder. Folders it has to create are private (0700), as
// they will hold recordings and announcements; existing folders are left as they are.
std::string DefaultDataFolder();

// The folder registered under `valueName`; when none is, the default data folder, followed by
// "/" and `defaultSubFolder` unless that is empty. No trailing "/".
std::string ResolveFolder(std::string_view valueName, std::string_view defaultSubFolder);

// The folders and the settings file of a normal run. Each folder ends in "/".
struct ProgramFolders {
    std::string settingsFile;  // data folder + kSettingsFileName
    std::string dataFolder;
    std::string recordingsFolder;
    std::string logsFolder;
};

// Resolves them as a normal run does at start. The recordings and logs folders are not created
// here.
ProgramFolders ResolveProgramFolders();
