// The user's trash as desktops keep it ($XDG_DATA_HOME/Trash): a file moved there can be put
// back from the file manager.
#pragma once

#include <ctime>
#include <string>

// Moves the file `path` (absolute) into the trash with the record of where it came from and
// when. Any name works, also one that is not valid UTF-8. False, with nothing changed, when it
// cannot: no home folder, the trash cannot be made, or the file is on another file system.
bool MoveToHomeTrash(const std::string& path, std::time_t now = std::time(nullptr));
