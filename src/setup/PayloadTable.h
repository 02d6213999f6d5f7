// What an installation file carries, in order: the program, one entry per help page, and the
// five default prompts as MP3 files. The installed files keep these names in the installation
// folder.
#pragma once

#include <string>
#include <vector>

#include "recorder/PromptFiles.h"

// An installation file holds at most this many entries.
inline constexpr std::size_t kMaxPayloadEntries = 128;

// The installed program and the uninstaller made from it.
inline constexpr char kProgramEntry[] = "quillon";
inline constexpr char kUninstallerFile[] = "uninst";
// The help pages' folder, as the program looks for it beside itself.
inline constexpr char kHelpEntryFolder[] = "help";

// The entry that carries the default of `slot`: "0.mp3" for the start announcement, "1.mp3" for
// the end announcement, "2.mp3" to "4.mp3" for the on-hold files 1 to 3.
std::string PromptEntry(PromptSlot slot);

// The entries of this build: kProgramEntry, "help/" + each help page, and the prompt entries.
std::vector<std::string> PayloadTable();
