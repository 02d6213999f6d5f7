// The program's place on the user's desktop, the freedesktop way and without root: a "Quillon
// Recorder" menu folder holding the program, its uninstaller and its help, a shortcut on the
// desktop, and the uninstall record in the data folder.
#pragma once

#include <string>
#include <vector>

inline constexpr char kMenuFolderName[] = "Quillon Recorder";
inline constexpr char kProgramItem[] = "Quillon Recorder";
inline constexpr char kUninstallItem[] = "Uninstall Quillon Recorder";
inline constexpr char kHelpItem[] = "Quillon Recorder Help";

inline constexpr char kUninstallRecordName[] = "uninstall.ini";
inline constexpr char kUninstallSection[] = "Uninstall";
inline constexpr char kDisplayNameKey[] = "DisplayName";
inline constexpr char kDisplayName[] = "Quillon Recorder Uninstall";
inline constexpr char kUninstallStringKey[] = "UninstallString";

// Every file of the menu folder: the three desktop entries under $XDG_DATA_HOME/applications,
// the folder's ".directory" file under $XDG_DATA_HOME/desktop-directories and the ".menu" file
// under $XDG_CONFIG_HOME/menus/applications-merged that puts them together. Empty without a
// home folder.
std::vector<std::string> MenuFiles();

// Writes the menu folder for the program installed in `installFolder`: the program, the
// uninstaller beside it and the help pages' index. False when a file could not be written.
bool AddMenuEntries(const std::string& installFolder);

// The desktop folder: what `xdg-user-dir DESKTOP` says, else ~/Desktop.
std::string DesktopFolder();
// The desktop shortcut's file in the desktop folder.
std::string ShortcutFile();

// Puts the shortcut to the program on the desktop when there is a desktop folder: executable,
// and marked trusted with `gio` where that exists, as GNOME's desktop asks before it starts a
// shortcut otherwise. False when there is no desktop folder or the file could not be written.
bool AddShortcut(const std::string& installFolder);

// The uninstall record in `dataFolder` (ending in "/").
std::string UninstallRecordFile(const std::string& dataFolder);
// Writes the record naming `uninstaller` when there is none yet; a record that exists is kept.
void AddUninstallRecord(const std::string& dataFolder, const std::string& uninstaller);
