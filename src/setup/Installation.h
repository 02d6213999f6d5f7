// Installing the program from its installation file into the user's data folder.
#pragma once

#include "setup/SetupRequest.h"

// The installation from the running installation file: the payload's checksum verified before
// anything is written (a mismatch shows "Install Error", or says so on the error output with
// --yes, and writes nothing); the terms (taken as accepted with --yes); the folders created and
// registered; then, under the progress dialog, the entries copied, the prompts decoded into
// telephone WAV files and their defaults, the menu folder, the desktop shortcut, the uninstaller
// and the uninstall record; last the installed program started with "/install". Returns the exit
// status: 0 when installed or refused at the terms, 1 on a checksum error, a cancel or a file
// that could not be written.
int RunInstallation(const SetupRequest& request);
