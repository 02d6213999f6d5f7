// Removing the installed program: what the installation made, and the user's recordings and
// caller logs only when asked to.
#pragma once

#include "setup/SetupRequest.h"

// The removal by the uninstaller. Started without arguments it copies itself into a private
// temporary folder and starts the copy with "/uninstall", so that its own file can go too. With
// an argument it asks (with --yes it does not; --delete-recordings then stands for the ticked
// box) and removes the desktop shortcut, the uninstall record, the menu folder and the files:
// those the installation and the program made, the "*.wav" recordings and "Log *.txt" caller
// logs when the box is ticked, and each folder that is empty afterwards. A folder the user keeps
// other files in keeps them. A removal that finds nothing ends as one that removed everything.
// Last, the temporaries of ended runs go, the copy among them once its maker has ended.
// Returns the exit status: 0 when removed or not wanted, 1 when the copy could not be started.
int RunRemoval(const SetupRequest& request);
