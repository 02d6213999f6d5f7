// How the program file decides what a start does: its last four bytes mark an installer or an
// uninstaller; any other file is the program itself.
#pragma once

#include <cstdint>
#include <string>

#include "setup/InstallationFile.h"

// How long an installer and an uninstaller wait after asking a running program to close.
inline constexpr int kInstallerCloseWaitMs = 2000;
inline constexpr int kUninstallerCloseWaitMs = 1500;

enum class StartMode {
    Run,           // the program itself
    Install,       // an installation file
    Uninstall,     // the uninstaller
    InstallError,  // named as an installation file but without its trailer: a damaged download
};

// The last four bytes of `programFile` as a little-endian number; 0 when the file cannot be
// read or is shorter.
std::uint32_t ReadTrailer(const std::string& programFile);

// The mode of a program file at `programFile` with `trailer`.
StartMode ChooseStartMode(const std::string& programFile, std::uint32_t trailer);
